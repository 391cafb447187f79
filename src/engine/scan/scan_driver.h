// The scan driver: checks that a scan may start, prepares the scan page, runs
// the enabled sections in number order through the section groups, and ends
// with the statistics recorded and the results shown. Everything runs on one
// thread; the only reentrancy is the Stop button (or the end of the
// application) arriving while a section lets messages run at its polls.
#pragma once

#include <array>
#include <chrono>
#include <string>

#include "engine/core/results_store.h"
#include "engine/scan/scan_view.h"
#include "engine/scan/sections.h"

namespace hvm {

class DialogService;
class MonitorState;
class ScanDriver;

// The code behind the sections, in the three groups the driver calls. A group
// that is not built yet runs nothing.
class ScanGroups {
 public:
  virtual ~ScanGroups() = default;
  // Sets the progress bar's maximum before the first section runs.
  virtual void ComputeScanMaximum(ScanDriver& driver) {}
  // Sections 1 to 9 (class registrations).
  virtual void ScanClassRegistrations(ScanDriver& driver) {}
  // Sections 10 to 22 (file references).
  virtual void ScanFileReferences(ScanDriver& driver) {}
  // Section 23.
  virtual void ScanFilePathReferences(ScanDriver& driver) {}
  // Section 24.
  virtual void ScanConfigurationCache(ScanDriver& driver) {}
};

// Who ended the scan.
enum class ScanEnd { Finished, StopButton };

struct ScanServices {
  ResultsStore& results;
  ScanView& view;
  ScanGroups& groups;
  const SectionSwitches& switches;
  DialogService& dialogs;
  MonitorState& monitor;
};

class ScanDriver {
 public:
  explicit ScanDriver(const ScanServices& services);

  // Runs a whole scan; returns when it has ended. Errors raised by a section
  // end the scan (its statistics recorded, its page shown) and then go on.
  void RunScan();
  // Section row start (bold) or end (regular, with its mark).
  void ScanSection(bool starting);
  // Ends the scan: at the end of RunScan, or from the Stop button.
  void ScanComplete(ScanEnd sender);
  // The status timer's tick: copies the current-key text into the status line.
  void OnStatusTick();

  // Runs `body` as section `number` when no stop is pending and its switch is
  // on: current section set, row started and (also on an error) finished.
  // Returns false when the group is to run no further section.
  template <class Body>
  bool RunSection(int number, Body&& body);

  // The sink of every section: files `line` with its reason under the
  // current section and updates its count, the total and the organize stamp.
  // `target` is the item the line shows; without it the line is one whose
  // value name holds no " = " (ProblemTargetOf).
  void AddItemToResultsList(const ProblemTarget& target, const std::string& line,
                            const ProblemReason& reason);
  void AddItemToResultsList(const std::string& line, const ProblemReason& reason);

  // The cancel poll of the section walks: every fourth index lets messages
  // run and answers whether the scan is to stop.
  bool StopRequested(int index);
  // Whether a stop is pending, without letting messages run.
  bool StopPending() const;
  void AdvanceProgress(int step);
  void SetProgressMaximum(int maximum);

  void SetCurrentSection(int section) { currentSection_ = section; }
  int CurrentSection() const { return currentSection_; }
  void SetCurrentKeyText(const std::string& text) { currentKeyText_ = text; }
  const std::string& CurrentKeyText() const { return currentKeyText_; }
  void SetStatusRefresh(bool on) { statusRefresh_ = on; }

  bool Busy() const { return busy_; }
  void SetBusy(bool busy) { busy_ = busy; }
  bool StopFlag() const { return stop_; }
  bool SectionEnabled(int number) const { return services_.switches.Enabled(number); }
  int ProgressPosition() const { return progressPosition_; }
  // Seconds section 1..24 took in the last scan; 0 when it did not run.
  double SectionSeconds(int section) const { return sectionSeconds_.at(size_t(section - 1)); }
  int ProgressMaximum() const { return progressMaximum_; }

  ResultsStore& Results() { return services_.results; }
  ScanView& View() { return services_.view; }

 private:
  bool MayStart();
  void PreparePage();
  void RunGroups();
  void RunSingleSection(int number, void (ScanGroups::*group)(ScanDriver&));

  ScanServices services_;
  bool busy_ = false;
  bool stop_ = false;
  bool running_ = false;  // RunScan is on the stack, also after Stop cleared busy
  bool statisticsPending_ = false;
  bool statusRefresh_ = false;
  int currentSection_ = 0;
  std::string currentKeyText_;
  int progressPosition_ = 0;
  int progressMaximum_ = 0;
  std::array<int, kSectionCount> shownCounts_{};
  std::array<double, kSectionCount> sectionSeconds_{};
};

// "0 Problems Found", "1 Problem Found", "2 Problems Found".
std::string TotalLabelText(int total);

template <class Body>
bool ScanDriver::RunSection(int number, Body&& body) {
  if (StopPending()) return false;
  if (!SectionEnabled(number)) return true;
  currentSection_ = number;
  ScanSection(true);
  const auto started = std::chrono::steady_clock::now();
  const auto timed = [&] {
    sectionSeconds_[size_t(number - 1)] +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };
  try {
    body();
  } catch (...) {
    timed();
    ScanSection(false);
    throw;
  }
  timed();
  ScanSection(false);
  return !StopPending();
}

}  // namespace hvm
