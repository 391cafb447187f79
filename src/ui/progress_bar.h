// A progress bar that shows its percentage as text inside the bar.
#pragma once

#include <string>

#include "ui/accessible.h"
#include "ui/window.h"

namespace hvm::ui {

// "0%" to "100%": position over maximum, rounded down, clamped; "0%" when the
// maximum is not positive.
std::string PercentText(long long position, long long maximum);

// Screen readers read it as a progress bar whose value is the percentage.
class ProgressBar : public Window, private AccessibleModel {
 public:
  struct CreateArgs {
    RECT bounds{};  // pixels, in the parent
    long long maximum = 100;
    std::string name = "Progress";  // what screen readers call it
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
  AccessibleModel* Accessibility() override { return this; }

 private:
  AccessibleInfo Describe(long part) const override;
  // Repaints; a new percentage is told to screen readers.
  void Changed(const std::string& before);
  void Paint();
  std::string name_;
  long long position_ = 0;
  long long maximum_ = 100;
  ScopedFont font_;
};

}  // namespace hvm::ui
