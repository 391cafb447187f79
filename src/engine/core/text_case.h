// Case folding of registry text in the active code page, and the comparison
// of names the system makes.
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

// Whether two names are one as the file system and the registry compare
// names: unit by unit through the system's upper-case table, whatever the
// user's language.
bool SameNameNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace hvm
