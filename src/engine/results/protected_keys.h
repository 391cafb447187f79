// Keys the program never reports or touches, whatever a scan finds there.
#pragma once

#include <array>
#include <string_view>

namespace hvm {

extern const std::array<std::string_view, 22> ProtectedKeys;

// Whether some protected key text occurs anywhere in `keyText` (upper case).
bool IsProtectedKey(std::string_view keyText);

// Whether `keyText` (long or short root name, any case) is one of the system
// keys a repair never deletes whole: the control sets and their Control,
// Services and Enum keys, every Software tree with its Classes, Microsoft,
// Policies and Windows (NT) CurrentVersion keys, and the class roots' CLSID,
// Interface, TypeLib and AppID keys. Values in them may still be repaired.
bool IsKeptWhole(std::string_view keyText);

}  // namespace hvm
