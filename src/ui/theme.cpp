#include "ui/theme.h"

#include <cstring>

namespace hvm::ui {
namespace {

Theme& MutableTheme() {
  static Theme theme;
  return theme;
}

struct ContrastState {
  std::optional<bool> forced;
  bool on = false;
  bool read = false;
};

ContrastState& Contrast() {
  static ContrastState state;
  return state;
}

bool SystemHighContrast() {
  HIGHCONTRASTA contrast{};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

bool HighContrast() {
  if (!Contrast().read) RefreshHighContrast();
  return Contrast().on;
}

void RefreshHighContrast() {
  ContrastState& state = Contrast();
  state.on = state.forced ? *state.forced : SystemHighContrast();
  state.read = true;
}

void ForceHighContrast(std::optional<bool> on) {
  Contrast().forced = on;
}

COLORREF ForeColour(COLORREF palette) {
  if (!HighContrast()) return palette;
  return GetSysColor(palette == kGreyTextColour || palette == kDimTextColour ? COLOR_GRAYTEXT
                                                                             : COLOR_WINDOWTEXT);
}

COLORREF BackColour(COLORREF palette) {
  return HighContrast() ? GetSysColor(COLOR_WINDOW) : palette;
}

HBRUSH PageBrush() {
  return HighContrast() ? GetSysColorBrush(COLOR_WINDOW)
                        : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

const Theme& CurrentTheme() {
  return MutableTheme();
}

void SetTheme(Theme theme) {
  MutableTheme() = std::move(theme);
}

ScopedFont CreatePixelFont(const std::string& face, int pixels, bool bold, bool italic,
                           bool underline) {
  LOGFONTA font{};
  font.lfHeight = -pixels;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = italic;
  font.lfUnderline = underline;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  const std::string& name = face.empty() ? CurrentTheme().fontFace : face;
  strncpy(font.lfFaceName, name.c_str(), LF_FACESIZE - 1);
  return ScopedFont(CreateFontIndirectA(&font));
}

ScopedFont CreateUiFont(const FontSpec& fontSpec, Dpi dpi) {
  return CreatePixelFont(fontSpec.face,
                         -dpi.FontHeight(fontSpec.points + CurrentTheme().sizeIncrease),
                         fontSpec.bold, fontSpec.italic, fontSpec.underline);
}

}  // namespace hvm::ui
