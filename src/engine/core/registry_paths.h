// Key paths as text: a long ("HKEY_LOCAL_MACHINE") or short ("HKLM") root
// name followed by backslash-separated sub-keys.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace hvm {

// Removes a leading long root name from `path` and returns its root key; null
// when none matches (the path is then unchanged). A name counts only when a
// backslash or the end of the text follows it. HKEY_PERFORMANCE_DATA is not
// recognised. The backslash after the name stays, so the rest is absolute.
HKEY SplitLongRoot(std::string& path);

// The same for short root names ("HKLM\x", "HKCU").
HKEY SplitShortRoot(std::string& path);

// Long name of a root key; "UNKNOWN" for a key outside the table.
std::string RootToRootSt(HKEY root);
// Short name of a root key; "" for HKEY_PERFORMANCE_DATA and unknown keys.
std::string RootToShortRootSt(HKEY root);

// The path without one trailing backslash.
std::string RemoveSlash(std::string_view path);

}  // namespace hvm
