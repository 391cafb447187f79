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
