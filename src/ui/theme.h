// The look every window and control shares: the interface font and the
// program's colours. Set once at start-up, before the first window.
#pragma once

#include <windows.h>

#include <optional>
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
// Text of rows set aside (an item marked to be ignored).
inline constexpr COLORREF kDimTextColour = RGB(192, 192, 192);

// High contrast: the program then draws with the system's colours (window,
// window text, highlight, grey text, button face) instead of its palette,
// and leaves out the pictures that only decorate. The answer is the system's
// setting (SPI_GETHIGHCONTRAST) as last read: RefreshHighContrast reads it
// again, which top-level windows do when they hear of a change.
bool HighContrast();
void RefreshHighContrast();
// Replaces the system's answer from the next RefreshHighContrast on (empty:
// the system's again). Wine always answers "off"; the tour switches it on so.
void ForceHighContrast(std::optional<bool> on);

// The colour to draw a palette colour with: itself, or in high contrast the
// system colour of its kind. Text and lines become the window text (greys
// the grey text); areas become the window.
COLORREF ForeColour(COLORREF palette);
COLORREF BackColour(COLORREF palette);
// A brush of BackColour(kPageColour), owned by the system (never deleted).
HBRUSH PageBrush();

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
