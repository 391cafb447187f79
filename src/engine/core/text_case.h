// Case folding of registry text in the active code page.
#pragma once

#include <string>
#include <string_view>

namespace hvm {

// The text in upper case as the system's locale folds it (accented letters too).
std::string UpperCase(std::string_view text);

// Whether `text` starts with `prefix`, compared without regard to case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Whether the two texts are equal without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace hvm
