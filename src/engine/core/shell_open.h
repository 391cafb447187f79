// Opening a file, folder or web address with the platform shell.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/dialog_service.h"

namespace hvm {

// Opens `target` with its default verb. On failure tells the user why through
// `dialog` (a notice titled "ShellExecute Error") and returns false.
bool ShellOpen(DialogService& dialog, const std::string& target);

// The text shown for a ShellExecute result of 32 or less.
std::string ShellExecuteErrorText(intptr_t result);

}  // namespace hvm
