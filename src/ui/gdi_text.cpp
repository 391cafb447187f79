#include "ui/gdi_text.h"

#include "engine/core/text_encoding.h"

namespace hvm::ui {

namespace {

// The text as drawn with its access marks hidden: "&&" an ampersand, and no
// other "&" shown.
std::wstring WithoutAccessMarks(const std::wstring& text) {
  std::wstring shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && ++i == text.size()) break;
    shown += text[i];
  }
  return shown;
}

}  // namespace

int DrawUiText(HDC dc, std::string_view text, RECT* area, UINT format) {
  std::wstring wide = WideFromText(text);
  // Wine underlines the access letter whatever DT_HIDEPREFIX asks: the
  // marks are taken out here, on every platform alike.
  if ((format & DT_HIDEPREFIX) && !(format & DT_NOPREFIX)) {
    wide = WithoutAccessMarks(wide);
    format = (format & ~UINT(DT_HIDEPREFIX)) | DT_NOPREFIX;
  }
  return DrawTextW(dc, wide.data(), int(wide.size()), area, format & ~UINT(DT_MODIFYSTRING));
}

SIZE MeasureUiText(HDC dc, std::string_view text) {
  const std::wstring wide = WideFromText(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &size);
  return size;
}

bool PutUiText(HDC dc, int x, int y, std::string_view text) {
  const std::wstring wide = WideFromText(text);
  return TextOutW(dc, x, y, wide.c_str(), int(wide.size())) != FALSE;
}

std::string PathEllipsized(HDC dc, std::string_view text, int width) {
  if (text.empty() || width <= 0) return std::string(text);
  // DT_MODIFYSTRING writes the shortened text back, up to four characters more.
  std::wstring shown = WideFromText(text);
  const int length = int(shown.size());
  shown.append(4, L'\0');
  RECT area{0, 0, width, 0};
  DrawTextW(dc, shown.data(), length, &area,
            DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
  shown.resize(wcslen(shown.c_str()));
  return TextFromWide(shown);
}

}  // namespace hvm::ui
