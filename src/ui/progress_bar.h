// A progress bar that shows its percentage as text inside the bar.
#pragma once

#include <string>

#include "ui/window.h"

namespace hvm::ui {

// "0%" to "100%": position over maximum, rounded down, clamped; "0%" when the
// maximum is not positive.
std::string PercentText(long long position, long long maximum);

class ProgressBar : public Window {
 public:
  struct CreateArgs {
    RECT bounds{};  // pixels, in the parent
    long long maximum = 100;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  void SetMaximum(long long maximum);
  void SetPosition(long long position);
  long long Position() const { return position_; }
  long long Maximum() const { return maximum_; }
  std::string Caption() const { return PercentText(position_, maximum_); }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(Dpi dpi) override;

 private:
  void Paint();
  long long position_ = 0;
  long long maximum_ = 100;
  ScopedFont font_;
};

}  // namespace hvm::ui
