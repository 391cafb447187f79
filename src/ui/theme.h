// The look every window and control shares: the interface font and the
// program's colours. Set once at start-up, before the first window.
#pragma once

#include <windows.h>

#include <string>

#include "ui/dpi.h"
#include "ui/gdi.h"

namespace hvm::ui {

inline constexpr COLORREF kCaptionColour = RGB(46, 90, 126);  // "#2E5A7E"
inline constexpr COLORREF kCurrentCaptionColour = RGB(0, 60, 108);
inline constexpr COLORREF kPageColour = RGB(255, 255, 255);
inline constexpr COLORREF kTextColour = RGB(32, 32, 32);
inline constexpr COLORREF kGreyTextColour = RGB(128, 128, 128);
inline constexpr COLORREF kWarningColour = RGB(204, 0, 0);
inline constexpr COLORREF kBandTint = RGB(232, 239, 245);

struct Theme {
  std::string fontFace = "Tahoma";
  // Points added to every font size a window asks for.
  int sizeIncrease = 0;
};

const Theme& CurrentTheme();
void SetTheme(Theme theme);

struct FontSpec {
  int points = 8;  // at 96 dpi, before the theme's increase
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::string face;  // empty: the theme's face
};

// A font for `fontSpec` at `dpi`, or an empty owner when the platform refuses.
ScopedFont CreateUiFont(const FontSpec& fontSpec, Dpi dpi);
// A font whose characters are `pixels` high; the theme's face when `face` is empty.
ScopedFont CreatePixelFont(const std::string& face, int pixels, bool bold, bool italic,
                           bool underline);

}  // namespace hvm::ui
