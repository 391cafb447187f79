// The optimize page (OptimizePage): template 420 while the system is not
// optimized, 421 while it is; the template's button runs Optimize or Undo
// with the template's progress bar, keeping the window's messages running.
#pragma once

#include <functional>
#include <string>

#include "engine/core/dialog_service.h"
#include "engine/tweaks/optimize.h"
#include "ui/html_view.h"
#include "ui/progress_bar.h"
#include "ui/window.h"

namespace hvm {

// The template the page shows for a state.
inline constexpr int kOptimizeTemplate = 420;
inline constexpr int kUndoTemplate = 421;
constexpr int OptimizeTemplateFor(bool optimized) {
  return optimized ? kUndoTemplate : kOptimizeTemplate;
}

// What the user is told when Undo could not put everything back; empty when
// it did.
std::string UndoFailureText(const UndoOutcome& outcome);

class OptimizePage : public ui::Window {
 public:
  // The window class other programs and tests find it by; never changes.
  static constexpr char kClassName[] = "TfOptimize";
  struct Hooks {
    std::string settingsPath;
    std::function<void()> frontRefresh;  // the front page is to be rendered again
    DialogService* dialogs = nullptr;
    // Between progress ticks; the bar moves in about three seconds.
    int pauseMilliseconds = 50;
  };
  ~OptimizePage() override;
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);

  // The page became visible: the template of the current state.
  void PageShown();
  // The page's button (commands 160 and 165): Undo when optimized, else
  // Optimize; then the front page is told and the page shown anew.
  void OnOptimizeClick();

  bool IsOptimized() const { return Optimizer(hooks_.settingsPath).IsOptimized(); }
  int TemplateShown() const { return template_; }
  bool Running() const { return running_; }
  ui::HtmlView& View() { return view_; }
  ui::ProgressBar* Bar() const { return bar_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  class Pacing;
  void Render();
  void RunAction();

  Hooks hooks_;
  ui::HtmlView view_;
  ui::ProgressBar* bar_ = nullptr;  // the template's, while it shows
  int template_ = 0;
  bool running_ = false;
};

}  // namespace hvm
