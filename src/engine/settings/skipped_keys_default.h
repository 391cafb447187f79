// The skipped keys a settings file starts with: 158 lines, each a full key
// path below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER and "=1", naming keys
// that adware, toolbars and uninstalled software are known to leave behind.
#pragma once

#include <string_view>

namespace hvm {

// The lines, separated by CR LF.
std::string_view DefaultSkippedKeysText();

}  // namespace hvm
