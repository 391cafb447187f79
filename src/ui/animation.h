// An animation player: a strip of equal square frames side by side, shown one
// after another on a timer. 64 by 64 at 96 dpi.
#pragma once

#include "ui/accessible.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm::ui {

// Screen readers read it as an animation, marked animated while it plays.
class Animation : public Window, private AccessibleModel {
 public:
  static constexpr int kSize = 64;  // 96-dpi units
  static constexpr UINT kFrameMilliseconds = 80;

  struct CreateArgs {
    const Picture* strip = nullptr;  // frames at twice the 96-dpi size; kept by the caller
    POINT origin{};
    std::string name = "Working";  // what screen readers call it
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  void Start();
  void Stop();  // keeps the current frame on screen
  bool IsRunning() const { return running_; }
  int FrameCount() const;
  int Frame() const { return frame_; }
  // Moves to the next frame (the timer calls it), wrapping after the last.
  void Advance();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(Dpi dpi) override;
  AccessibleModel* Accessibility() override { return this; }

 private:
  AccessibleInfo Describe(long part) const override;
  std::string name_;
  const Picture* strip_ = nullptr;
  Picture scaled_;
  int frame_ = 0;
  bool running_ = false;
};

}  // namespace hvm::ui
