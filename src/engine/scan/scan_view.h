// Everything a scan shows: the scan page's section rows, totals, status line
// and progress bar, the page switches at its end, and the message pump that
// lets Stop be pressed. The GUI implements it with the real page, the console
// with printed progress, tests with a recording fake.
#pragma once

#include <string>

namespace hvm {

enum class SectionMark { None, Clean, Problem };

class ScanView {
 public:
  virtual ~ScanView() = default;

  // Section row 1..24; each change is shown at once.
  virtual void SetSectionCount(int section, int count) = 0;
  // Bold while running, regular (dark grey) otherwise.
  virtual void SetSectionRunning(int section, bool running) = 0;
  virtual void SetSectionMark(int section, SectionMark mark) = 0;
  // "N Problems Found" / "1 Problem Found".
  virtual void SetTotalText(const std::string& text) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetProgress(int position, int maximum) = 0;
  virtual void SetAnimation(bool playing) = 0;

  virtual void ShowScanPage() = 0;
  virtual void ShowResultsPage() = 0;
  // The repair summary with no problems found and none repaired.
  virtual void ShowSummaryPage() = 0;

  // Lets pending input run (the Stop button among it).
  virtual void PumpMessages() = 0;
  // The application is ending.
  virtual bool Terminating() const = 0;
};

}  // namespace hvm
