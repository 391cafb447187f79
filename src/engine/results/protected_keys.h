// Keys the program never reports or touches, whatever a scan finds there.
#pragma once

#include <array>
#include <string_view>

namespace hvm {

extern const std::array<std::string_view, 22> ProtectedKeys;

// Whether some protected key text occurs anywhere in `keyText` (upper case).
bool IsProtectedKey(std::string_view keyText);

}  // namespace hvm
