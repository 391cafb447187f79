// The band a dialog's buttons stand in: a light strip across the foot of the
// window below a hairline, white above it, the buttons in the middle of its
// height, so that they have as much room above as below.
#pragma once

#include <windows.h>

namespace hvm::ui {

// The top of a button `height` pixels high in the middle of the band from
// `bandTop` to `bandBottom`; with an odd remainder the extra pixel goes below.
constexpr int CentredInBand(int bandTop, int bandBottom, int height) {
  return bandTop + (bandBottom - bandTop - height) / 2;
}

// Paints the window's client area white with the band from `bandTop` down;
// in high contrast in the system's window and button colours.
void PaintButtonBand(HDC dc, const RECT& client, int bandTop);

}  // namespace hvm::ui
