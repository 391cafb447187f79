// The scan page: the 24 section rows with their counts and marks, the total,
// the key being scanned, the progress bar, the animation and "Stop". It is the
// scan driver's view; the driver runs on the GUI thread and this page repaints
// what changed at once, so that rows and counts move between message polls.
// Screen readers read the heading, the total, each section row (its count as
// value, whether it runs or found problems) and the key being scanned.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "engine/scan/scan_view.h"
#include "engine/scan/sections.h"
#include "ui/accessible.h"
#include "ui/animation.h"
#include "ui/controls.h"
#include "ui/progress_bar.h"
#include "ui/window.h"

namespace hvm {

// What the page shows, kept apart from the window so that tests read it.
struct ScanPageState {
  struct Row {
    int count = 0;
    bool running = false;
    SectionMark mark = SectionMark::None;
  };
  std::array<Row, kSectionCount> rows{};
  std::string total = "0 Problems Found";
  std::string status;
  int position = 0;
  int maximum = 0;
  bool animating = false;
};

class ScanPage : public ui::Window, public ScanView, private ui::AccessibleModel {
 public:
  static constexpr int kRowHeight = 22;  // 96-dpi units
  static constexpr int kRowsTop = 52;
  static constexpr int kColumnWidth = 282;
  static constexpr int kLeft = 24;
  // What screen readers number the page's parts by; section s is s + 2.
  static constexpr long kHeadingPart = 1;
  static constexpr long kTotalPart = 2;
  static constexpr long kStatusPart = kSectionCount + 3;
  static constexpr long PartOfSection(int section) { return section + 2; }

  struct Hooks {
    std::function<void()> showScanPage, showResultsPage, showSummaryPage;
    std::function<void()> stopClicked;
    std::function<bool()> terminating;
  };
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);
  const ScanPageState& State() const { return state_; }
  // Where row `section` (1..24) is drawn, in the page's pixels.
  RECT RowRect(int section) const;
  ui::Button& StopButton() { return stop_; }
  ui::Animation& AnimationControl() { return animation_; }

  // ScanView.
  void SetSectionCount(int section, int count) override;
  void SetSectionRunning(int section, bool running) override;
  void SetSectionMark(int section, SectionMark mark) override;
  void SetTotalText(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  void SetProgress(int position, int maximum) override;
  void SetAnimation(bool playing) override;
  void ShowScanPage() override;
  void ShowResultsPage() override;
  void ShowSummaryPage() override;
  void PumpMessages() override;
  bool Terminating() const override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;
  ui::AccessibleModel* Accessibility() override { return this; }

 private:
  // AccessibleModel.
  std::vector<long> Parts() const override;
  bool HasPart(long part) const override { return part >= kHeadingPart && part <= kStatusPart; }
  ui::AccessibleInfo Describe(long part) const override;

  RECT HeadingRect() const;
  void Paint();
  void RepaintNow(const RECT& area);
  RECT TotalRect() const;
  RECT StatusRect() const;

  Hooks hooks_;
  ScanPageState state_;
  ui::Button stop_;
  ui::ProgressBar progress_;
  ui::Animation animation_;
  ui::Picture animationStrip_, cleanPicture_, problemPicture_;
  ui::Picture cleanScaled_, problemScaled_;
  ui::ScopedFont rowFont_, runningFont_, headingFont_, statusFont_;
};

}  // namespace hvm
