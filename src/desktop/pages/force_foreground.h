// Bringing a window of this program to the front even when another program
// has the foreground, which the platform normally refuses a background
// program.
#pragma once

#include <windows.h>

namespace hvm {

// Restores the window when it is minimised and makes it the foreground
// window; true when it is the foreground window afterwards.
bool ForceForeground(HWND window);

}  // namespace hvm
