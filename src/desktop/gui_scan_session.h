// The engine as the desktop program runs it: one results store for the life
// of the main window (the results page and the repair read it after the
// scan), the user's suppression lists and settings in the data folder, and a
// repairer through which the file walks remove stale values with undo. The
// section switches are read from the settings file again at every scan.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/core/monitor_state.h"
#include "engine/core/results_store.h"
#include "engine/results/repair.h"
#include "engine/results/suppression.h"
#include "engine/scan/registry_scan_groups.h"
#include "engine/scan/scan_driver.h"
#include "engine/settings/settings_stamps.h"

namespace hvm {

class GuiScanSession {
 public:
  struct Hooks {
    std::function<void()> totalsRecorded;  // the front page is to be rendered again
    std::function<void(bool)> cautionVisible;
  };
  // `progress` and `report` are the repair's windows; they outlive the session.
  GuiScanSession(const std::string& dataFolder, ScanView& view, DialogService& dialogs,
                 MonitorState& monitor, RepairProgress& progress, RepairReport& report,
                 RestorePointMaker& restorePoint, Hooks hooks);
  ~GuiScanSession();

  // Runs a whole scan on the GUI thread; returns when it has ended.
  void RunScan();
  // The Stop button or Esc on the scan page.
  void Stop();
  // The 250 ms status timer.
  void Tick();

  ResultsStore& Results() { return results_; }
  // The section switches as the last scan read them.
  const SectionSwitches& Switches() const;
  ScanDriver& Driver() { return *driver_; }
  SuppressionLists& Suppression() { return suppression_; }
  Repairer& Repair() { return *repairer_; }
  // The first failed save of the scan and repair statistics since the last
  // call (0: none).
  uint32_t TakeSettingsFailure() { return stamps_.TakeSaveFailure(); }

 private:
  class Observer;
  class LiveSwitches;
  class SystemTicks;

  std::string dataFolder_;
  std::string settingsPath_;
  Hooks hooks_;
  std::unique_ptr<LiveSwitches> switches_;
  SettingsStamps stamps_;
  SuppressionLists suppression_;
  std::unique_ptr<Observer> observer_;
  ResultsStore results_;
  std::unique_ptr<SystemTicks> ticks_;
  RepairInputs inputs_;
  std::unique_ptr<Repairer> repairer_;
  std::unique_ptr<ValueRemover> remover_;
  std::unique_ptr<RegistryScanGroups> groups_;
  std::unique_ptr<ScanDriver> driver_;
};

}  // namespace hvm
