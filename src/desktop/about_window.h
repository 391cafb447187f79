// The about window: the program's picture, "Version: " and the version, and
// "OK". Shown without "OK" and with "Loading . . ." it is the start-up splash.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm {

class AboutWindow : public ui::Window {
 public:
  static constexpr int kWidth = 420, kHeight = 260;  // 96-dpi units: the picture's size
  // The picture's calm strip at its foot, below a hairline: the version, and
  // "OK" or "Loading . . .", stand in the middle of its height.
  static constexpr int kBandTop = 200;
  enum class Mode { kAbout, kSplash };

  // The "OK" button's place at `dpi`, in client pixels.
  static RECT OkBounds(ui::Dpi dpi);

  [[nodiscard]] bool Create(Mode mode, HWND owner, const std::string& versionText);
  // Runs the about window modally until OK, Enter, Esc or the close box.
  void RunModal();
  std::string VersionLine() const { return version_.Text(); }
  std::string LoadingLine() const { return loading_.Text(); }
  bool HasOkButton() const { return ok_.Hwnd() != nullptr; }
  HWND OkWindow() const { return ok_.Hwnd(); }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  Mode mode_ = Mode::kAbout;
  HWND owner_ = nullptr;
  bool done_ = false;
  ui::Picture picture_, scaled_;
  ui::ScopedIcon icon_;
  ui::Label version_, loading_;
  ui::Button ok_;
};

}  // namespace hvm
