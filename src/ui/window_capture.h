// A picture of a window as it is on screen, frame included, saved as PNG: how
// the page tour shows every page and dialog to a reviewer.
#pragma once

#include <windows.h>

#include <string>

namespace hvm::ui {

// Paints the window and its children now and saves it to `path` (a PNG file).
// False when the window could not be read or the file not written.
[[nodiscard]] bool SaveWindowPicture(HWND window, const std::string& path);

}  // namespace hvm::ui
