// The windows around a repair: the progress window "Repairing in
// Progress..." (window class "TfProgress") while it runs, and the repair
// report page (window class "TfReportR") after it. They are the repair's
// progress and report hooks.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "engine/reports/repair_report.h"
#include "engine/results/repair_hooks.h"
#include "ui/animation.h"
#include "ui/controls.h"
#include "ui/image_button.h"
#include "ui/progress_bar.h"
#include "ui/window.h"

namespace hvm {

class ProgressWindow : public ui::Window, public RepairProgress {
 public:
  // The window class other programs and tests find it by; never changes.
  static constexpr char kClassName[] = "TfProgress";
  [[nodiscard]] bool Create(HWND owner);
  int Start(int count) override;
  void Advance() override;
  void Finish() override;
  const RepairProgressMath& Math() const { return math_; }
  ui::ProgressBar& Bar() { return bar_; }

 protected:
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  RepairProgressMath math_;
  ui::Label label_;
  ui::ProgressBar bar_;
  ui::Animation animation_;
  ui::Picture strip_;
};

class ReportPage : public ui::Window, public RepairReport {
 public:
  // The window class other programs and tests find it by; never changes.
  static constexpr char kClassName[] = "TfReportR";
  struct Hooks {
    // The settings' figures and dates as the report shows them.
    std::function<RepairReportFacts()> facts;
    std::function<void()> continueClicked;  // command 152
  };
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);
  void Fill(const RepairSummary& summary) override;
  // How the restore point of the repair being reported went ("" when none was asked for).
  void SetRestorePoint(const std::string& outcome) { restorePoint_ = outcome; }
  // The page became visible: the scan date and the found counts again.
  void PageShown();
  std::string ValueOf(const std::string& caption) const;
  ui::ImageButton& ContinueButton() { return continue_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  void Show(const RepairReportFacts& facts);
  void Paint();
  // The background's place: the page's width, down to the button's bottom.
  RECT BackgroundArea() const;
  // The facts of this repair: the settings' figures and this repair's own.
  RepairReportFacts Facts() const;
  static constexpr size_t kRows = 12;  // the last only when a restore point was asked for
  Hooks hooks_;
  RepairSummary last_{};
  std::string restorePoint_;
  ui::Label title_;
  std::array<ui::Label, kRows> captions_, values_;
  ui::ImageButton continue_;
  ui::Picture continueStrip_;
  ui::Picture emblem_, background_;  // as drawn, at twice their 96-dpi size
  ui::Picture emblemScaled_, backgroundScaled_;
};

}  // namespace hvm
