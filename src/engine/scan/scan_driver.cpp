#include "engine/scan/scan_driver.h"

#include "engine/core/dialog_service.h"
#include "engine/core/monitor_state.h"
#include "engine/scan/scan_cache.h"

namespace hvm {
namespace {

constexpr char kMonitorOnText[] =
    "Hivemend detects that you have Monitor Registry ON.  Monitor Registry must be OFF during "
    "this operation.  Press the OK button to turn off Monitor Registry and start this "
    "operation.  Press the CANCEL button to cancel this operation";
constexpr char kMonitorCaption[] = "Hivemend Monitor";

}  // namespace

std::string TotalLabelText(int total) {
  return std::to_string(total) + (total == 1 ? " Problem Found" : " Problems Found");
}

ScanDriver::ScanDriver(const ScanServices& services) : services_(services) {}

bool ScanDriver::MayStart() {
  // `running_` also keeps out a scan started from the messages a stopping
  // scan lets run while it unwinds, after Stop has cleared the busy flag.
  if (busy_ || running_) return false;
  if (services_.results.TotalCount() > 0) {
    services_.view.ShowResultsPage();
    return false;
  }
  if (services_.monitor.Active()) {
    if (services_.dialogs.MessageDialog(kMonitorOnText, kMonitorCaption, dialog::kOkCancel) !=
        dialog::kOk)
      return false;
    services_.monitor.SetMonitoring(false);
  }
  return true;
}

void ScanDriver::PreparePage() {
  ScanView& view = services_.view;
  progressPosition_ = 0;
  view.SetProgress(progressPosition_, progressMaximum_);
  sectionSeconds_.fill(0);
  for (int section = 1; section <= kSectionCount; ++section) {
    shownCounts_[size_t(section - 1)] = 0;
    view.SetSectionCount(section, 0);
    view.SetSectionRunning(section, false);
    view.SetSectionMark(section, SectionMark::None);
  }
  view.SetTotalText(TotalLabelText(0));
  view.ShowScanPage();
  stop_ = false;
  view.SetAnimation(true);
  busy_ = true;
  statusRefresh_ = true;
  statisticsPending_ = true;
  currentSection_ = 0;
  view.PumpMessages();
}

void ScanDriver::RunSingleSection(int number, void (ScanGroups::*group)(ScanDriver&)) {
  RunSection(number, [&] { (services_.groups.*group)(*this); });
}

void ScanDriver::RunGroups() {
  services_.groups.ComputeScanMaximum(*this);
  // Every scan starts from empty lists.
  services_.results.ResetResults();
  services_.groups.ScanClassRegistrations(*this);
  if (StopPending()) return;
  services_.groups.ScanFileReferences(*this);
  RunSingleSection(23, &ScanGroups::ScanFilePathReferences);
  RunSingleSection(24, &ScanGroups::ScanConfigurationCache);
}

void ScanDriver::RunScan() {
  if (!MayStart()) return;
  // Every answer the scan gives itself lives as long as the scan, no longer.
  ScanCache cache;
  const ScanCache::Scope cacheScope(cache);
  running_ = true;
  PreparePage();
  try {
    RunGroups();
  } catch (...) {
    running_ = false;
    ScanComplete(ScanEnd::Finished);
    services_.view.SetAnimation(false);
    throw;
  }
  running_ = false;
  ScanComplete(ScanEnd::Finished);
  services_.view.SetAnimation(false);
}

void ScanDriver::ScanSection(bool starting) {
  if (currentSection_ < 1 || currentSection_ > kSectionCount) return;
  ScanView& view = services_.view;
  view.SetSectionRunning(currentSection_, starting);
  if (!starting) {
    const bool clean = shownCounts_[size_t(currentSection_ - 1)] == 0;
    view.SetSectionMark(currentSection_, clean ? SectionMark::Clean : SectionMark::Problem);
  }
}

void ScanDriver::ScanComplete(ScanEnd sender) {
  busy_ = false;
  if (sender == ScanEnd::StopButton) {
    stop_ = true;
    services_.view.PumpMessages();
  }
  if (statisticsPending_) {
    statisticsPending_ = false;
    services_.results.RecordTotals();
  }
  if (services_.results.TotalCount() > 0)
    services_.view.ShowResultsPage();
  else
    services_.view.ShowSummaryPage();
}

void ScanDriver::OnStatusTick() {
  if (statusRefresh_) services_.view.SetStatusText(currentKeyText_);
}

void ScanDriver::AddItemToResultsList(const std::string& line, const ProblemReason& reason) {
  AddItemToResultsList(ProblemTargetOf(line), line, reason);
}

void ScanDriver::AddItemToResultsList(const ProblemTarget& target, const std::string& line,
                                      const ProblemReason& reason) {
  ResultsStore& results = services_.results;
  const int count = results.AddProblem(currentSection_, target, line, reason);
  shownCounts_[size_t(currentSection_ - 1)] = count;
  services_.view.SetSectionCount(currentSection_, count);
  services_.view.SetTotalText(TotalLabelText(results.TotalCount()));
  results.StampOrganized();
}

bool ScanDriver::StopRequested(int index) {
  if ((index & 3) != 0) return false;
  services_.view.PumpMessages();
  return StopPending();
}

bool ScanDriver::StopPending() const {
  return stop_ || services_.view.Terminating();
}

void ScanDriver::AdvanceProgress(int step) {
  progressPosition_ += step;
  services_.view.SetProgress(progressPosition_, progressMaximum_);
}

void ScanDriver::SetProgressMaximum(int maximum) {
  progressMaximum_ = maximum;
  services_.view.SetProgress(progressPosition_, progressMaximum_);
}

}  // namespace hvm
