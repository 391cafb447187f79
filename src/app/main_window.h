// The main window "TForm1" titled "Hivemend": the frame, the top band with the
// program's name, and the page area below it. Other programs and a second
// start of this one find it by that class and title.
#pragma once

#include "ui/picture.h"
#include "ui/window.h"

namespace hvm {

class MainWindow : public ui::Window {
 public:
  static constexpr char kClassName[] = "TForm1";
  static constexpr char kTitle[] = "Hivemend";
  static constexpr int kWidth = 800;   // client, 96-dpi units
  static constexpr int kHeight = 560;
  static constexpr int kBandHeight = 64;

  // Creates the window, hidden; false when the platform refuses.
  [[nodiscard]] bool Create();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  void Paint();
  void PaintBand(HDC dc, const RECT& band);

  ui::Picture band_;        // as drawn, twice the 96-dpi size
  ui::Picture scaledBand_;  // for the current DPI and width
  ui::ScopedFont titleFont_;
  ui::ScopedFont versionFont_;
  ui::ScopedIcon largeIcon_;
  ui::ScopedIcon smallIcon_;
};

}  // namespace hvm
