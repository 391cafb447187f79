// Putting text on the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace hvm::ui {

// How the text is handed over; SetClipboardData, or a stand-in in tests.
using ClipboardSetter = HANDLE(WINAPI*)(UINT format, HANDLE data);

// Puts `text` on the clipboard as CF_TEXT, owned by `owner`. The clipboard is
// closed again on every path; false when it could not be opened or the text
// not set (then no memory is left behind either).
[[nodiscard]] bool CopyTextToClipboard(HWND owner, const std::string& text,
                                       ClipboardSetter set = &SetClipboardData);

}  // namespace hvm::ui
