// A scan driver wired to test doubles: a recording page, the chosen sections,
// scripted dialog answers and a monitor that is off. The section groups run
// whatever the test plugs in.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/core/dialog_service.h"
#include "engine/core/monitor_state.h"
#include "engine/core/results_store.h"
#include "engine/scan/scan_driver.h"
#include "recording_scan_view.h"

namespace hvm::test {

class FunctionGroups : public ScanGroups {
 public:
  using Group = std::function<void(ScanDriver&)>;
  void ComputeScanMaximum(ScanDriver& d) override { Call(maximum, d); }
  void ScanClassRegistrations(ScanDriver& d) override { Call(classRegistrations, d); }
  void ScanFileReferences(ScanDriver& d) override { Call(fileReferences, d); }
  void ScanFilePathReferences(ScanDriver& d) override { Call(filePathReferences, d); }
  void ScanConfigurationCache(ScanDriver& d) override { Call(configurationCache, d); }
  Group maximum, classRegistrations, fileReferences, filePathReferences, configurationCache;

 private:
  static void Call(const Group& group, ScanDriver& d) {
    if (group) group(d);
  }
};

class SetSwitches : public SectionSwitches {
 public:
  explicit SetSwitches(std::set<int> on) : on_(std::move(on)) {}
  bool Enabled(int section) const override { return on_.count(section) > 0; }

 private:
  std::set<int> on_;
};

class ScriptedDialogs : public DialogService {
 public:
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override {
    asked.push_back(caption + "|" + std::to_string(flags));
    return answer;
  }
  int answer = dialog::kOk;
  std::vector<std::string> asked;
};

class FakeMonitor : public MonitorState {
 public:
  bool Active() const override { return on; }
  void SetMonitoring(bool value) override { on = value; }
  bool on = false;
};

class ScanHarness {
 public:
  explicit ScanHarness(std::set<int> sections)
      : switches(std::move(sections)),
        driver({results, view, groups, switches, dialogs, monitor}) {}

  // The problem lines of one section, or of all sections in order.
  std::vector<std::string> Lines(int section) const {
    std::vector<std::string> lines;
    for (const ProblemEntry& entry : results.Section(section)) lines.push_back(entry.line);
    return lines;
  }
  std::vector<std::string> AllLines() const {
    std::vector<std::string> lines;
    for (int section = 1; section <= kSectionCount; ++section)
      for (const std::string& line : Lines(section)) lines.push_back(line);
    return lines;
  }

  FunctionGroups groups;
  RecordingView view;
  SetSwitches switches;
  ScriptedDialogs dialogs;
  FakeMonitor monitor;
  ResultsStore results;
  ScanDriver driver;
};

}  // namespace hvm::test
