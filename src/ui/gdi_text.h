// Text on a device context. The program's text is UTF-8 (its active code
// page), but the GDI's ANSI calls read their bytes in the code page of the
// font's character set (Wine: 1252 for a Western font), so every text is
// handed to GDI as UTF-16 here, and every character of a name is drawn and
// measured as itself.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace hvm::ui {

// DrawTextW of the text; the height drawn, as DrawText answers. DT_HIDEPREFIX
// leaves the access marks out of the drawing.
int DrawUiText(HDC dc, std::string_view text, RECT* area, UINT format);
// The size of the text in the selected font (GetTextExtentPoint32W).
SIZE MeasureUiText(HDC dc, std::string_view text);
// TextOutW of the text at (x, y).
bool PutUiText(HDC dc, int x, int y, std::string_view text);
// The text as it fits `width` pixels in the selected font, its middle
// replaced by an ellipsis when it does not (DT_PATH_ELLIPSIS).
std::string PathEllipsized(HDC dc, std::string_view text, int width);

}  // namespace hvm::ui
