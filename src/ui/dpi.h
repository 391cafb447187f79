// Layouts are written in 96-dpi units and scaled to the DPI of the window they
// appear in.
#pragma once

#include <windows.h>

namespace hvm::ui {

class Dpi {
 public:
  static constexpr int kDesign = 96;

  constexpr Dpi() = default;
  constexpr explicit Dpi(int value) : value_(value > 0 ? value : kDesign) {}

  // The DPI of the monitor the window is on (per-monitor aware programs), or the
  // system DPI where the platform cannot tell.
  static Dpi ForWindow(HWND window);
  static Dpi System();

  constexpr int Value() const { return value_; }
  // A length in 96-dpi units, in pixels at this DPI, rounded to the nearest.
  constexpr int Scale(int units) const {
    const long long scaled = static_cast<long long>(units) * value_;
    return static_cast<int>(scaled >= 0 ? (scaled + kDesign / 2) / kDesign
                                        : -((-scaled + kDesign / 2) / kDesign));
  }
  RECT Scale(const RECT& units) const {
    return {Scale(units.left), Scale(units.top), Scale(units.right), Scale(units.bottom)};
  }
  // A font height for LOGFONT: negative, so that it is the character height.
  constexpr int FontHeight(int points) const {
    return -static_cast<int>((static_cast<long long>(points) * value_ + 36) / 72);
  }
  constexpr bool operator==(const Dpi&) const = default;

 private:
  int value_ = kDesign;
};

// Makes the calling thread per-monitor DPI aware where the platform knows the
// idea; the manifest does the same for the process on Windows 10.
void EnablePerMonitorDpiAwareness();

}  // namespace hvm::ui
