// A scan page for tests: records everything the driver and the sections show.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/scan/scan_view.h"

namespace hvm::test {

// Records what the scan page would show.
class RecordingView : public ScanView {
 public:
  void SetSectionCount(int section, int count) override { counts[section] = count; }
  void SetSectionRunning(int section, bool running) override {
    if (running) started.push_back(section);
    bold[section] = running;
  }
  void SetSectionMark(int section, SectionMark mark) override { marks[section] = mark; }
  void SetTotalText(const std::string& text) override { totals.push_back(text); }
  void SetStatusText(const std::string& text) override { status.push_back(text); }
  void SetProgress(int position, int maximum) override {
    progress = position;
    progressMax = maximum;
  }
  void SetAnimation(bool playing) override { animation.push_back(playing); }
  void ShowScanPage() override { pages.push_back("scan"); }
  void ShowResultsPage() override { pages.push_back("results"); }
  void ShowSummaryPage() override { pages.push_back("summary"); }
  void PumpMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
  bool Terminating() const override { return terminating; }

  std::map<int, int> counts;
  std::map<int, bool> bold;
  std::map<int, SectionMark> marks;
  std::vector<int> started;
  std::vector<std::string> totals, status, pages;
  std::vector<bool> animation;
  int progress = -1, progressMax = -1, pumps = 0;
  bool terminating = false;
  std::function<void()> onPump;
};

}  // namespace hvm::test
