// The scan as the console front end shows it. On a console: one progress
// line with the running section, its count, the share of the progress bar and
// the current key, redrawn at most four times a second. Into a file or pipe:
// one line as each section starts. Ctrl+C acts as the Stop button.
#pragma once

#include <cstdio>
#include <string>

#include "engine/core/clock.h"
#include "engine/scan/scan_view.h"

namespace hvm {

class ScanDriver;

class ConsoleScanView : public ScanView {
 public:
  enum class Style { RedrawnLine, LinePerSection };

  // `out` null means quiet: nothing is printed.
  ConsoleScanView(FILE* out, Clock& clock, Style style);
  // The style that suits stderr: a redrawn line only on a console.
  static Style StyleForStandardError();
  void Attach(ScanDriver* driver) { driver_ = driver; }

  // Installs the Ctrl+C handler; a stop request is taken up at the next poll.
  static void CatchInterrupts();
  // What the Ctrl+C handler does.
  static void RequestStop();

  void SetSectionCount(int section, int count) override;
  void SetSectionRunning(int section, bool running) override;
  void SetSectionMark(int section, SectionMark mark) override {}
  void SetTotalText(const std::string& text) override {}
  void SetStatusText(const std::string& text) override;
  void SetProgress(int position, int maximum) override;
  void SetAnimation(bool playing) override {}
  void ShowScanPage() override {}
  void ShowResultsPage() override { EndLine(); }
  void ShowSummaryPage() override { EndLine(); }
  void PumpMessages() override;
  bool Terminating() const override { return false; }

  // Characters of the redrawn line, whatever the bytes of a name take.
  static constexpr size_t kLineWidth = 79;

 private:
  static constexpr uint64_t kRefreshMs = 250;

  void Tick();
  void EndLine();

  FILE* out_;
  Clock& clock_;
  Style style_;
  ScanDriver* driver_ = nullptr;
  uint64_t lastRefresh_ = 0;
  bool refreshedOnce_ = false;
  bool lineOpen_ = false;
  int section_ = 0;
  int sectionCount_ = 0;
  int position_ = 0;
  int maximum_ = 0;
};

}  // namespace hvm
