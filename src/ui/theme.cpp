#include "ui/theme.h"

#include <cstring>

namespace hvm::ui {
namespace {

Theme& MutableTheme() {
  static Theme theme;
  return theme;
}

}  // namespace

const Theme& CurrentTheme() {
  return MutableTheme();
}

void SetTheme(Theme theme) {
  MutableTheme() = std::move(theme);
}

ScopedFont CreateUiFont(const FontSpec& spec, Dpi dpi) {
  LOGFONTA font{};
  font.lfHeight = dpi.FontHeight(spec.points + CurrentTheme().sizeIncrease);
  font.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = spec.italic;
  font.lfUnderline = spec.underline;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  const std::string& face = spec.face.empty() ? CurrentTheme().fontFace : spec.face;
  strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return ScopedFont(CreateFontIndirectA(&font));
}

}  // namespace hvm::ui
