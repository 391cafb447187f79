// One scan session as both programs run it: the user's suppression lists and
// the settings file in the data folder (section switches and statistics), one
// results store that the results and the repair read after the scan, a
// repairer through which the scan's file walks remove stale values with undo,
// the scan groups and the driver. What differs between the programs (what the
// scan shows, who answers its questions, how a wait keeps the interface alive)
// comes in through the front end's small interfaces.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "engine/core/clock.h"
#include "engine/core/monitor_state.h"
#include "engine/core/results_store.h"
#include "engine/results/repair.h"
#include "engine/results/suppression.h"
#include "engine/scan/registry_scan_groups.h"
#include "engine/scan/scan_driver.h"
#include "engine/settings/settings_stamps.h"

namespace hvm {

struct EnvironmentValues;

// What a session is asked to do.
struct ScanSessionSetup {
  std::string dataFolder;
  // The sections to scan; nothing: the settings file's switches, read again
  // at every scan (settings are never cached across operations).
  std::optional<std::set<int>> sections;
  // False: neither the scan nor the repair writes statistics to the settings.
  bool keepStatistics = true;
  // The file walks list stale values as problems instead of removing them.
  bool readOnly = false;
  // The repairer only collects the export text and deletes nothing.
  bool dryRun = false;
  // A repair begins with the restore-point step (which may still decide not
  // to make one).
  bool makeRestorePoint = false;
  // When set, asked at each scan and repair for the day's snapshot name (a
  // program that runs past midnight); otherwise the environment's name holds.
  std::function<std::string()> snapshotNameNow;
  // The clock that stamps the statistics; null: the program's.
  Clock* clock = nullptr;
};

// The front end's side: where the scan shows itself and asks, and the repair's
// windows. All of them outlive the session.
struct ScanSessionFrontEnd {
  ScanView& view;
  DialogService& dialogs;
  MonitorState& monitor;
  RestorePointMaker& restorePoint;
  RepairProgress& progress;
  RepairReport& report;
  TickSource& ticks;
};

class ScanSession {
 public:
  struct Hooks {
    std::function<void()> totalsRecorded;  // statistics were written
    std::function<void(bool)> cautionVisible;
  };
  ScanSession(const ScanSessionSetup& setup, const EnvironmentValues& environment,
              const ScanSessionFrontEnd& frontEnd, Hooks hooks = {});
  ~ScanSession();
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;

  // Runs a whole scan (nothing while one runs); an error raised by a section
  // ends that section and the scan goes on.
  void RunScan();
  // The user asked the running scan to stop.
  void Stop();
  // The periodic status refresh of the scan page.
  void Tick();

  ResultsStore& Results() { return results_; }
  // The section switches as the last scan read them.
  const SectionSwitches& Switches() const;
  ScanDriver& Driver() { return *driver_; }
  const ScanDriver& Driver() const { return *driver_; }
  SuppressionLists& Suppression() { return suppression_; }
  Repairer& Repair() { return *repairer_; }
  const RepairInputs& Inputs() const { return inputs_; }
  const std::string& DataFolder() const { return inputs_.dataFolder; }
  // The first failed save of the scan and repair statistics since the last
  // call (0: none).
  uint32_t TakeSettingsFailure() { return stamps_.TakeSaveFailure(); }

 private:
  class Observer;
  class SessionSwitches;

  Hooks hooks_;
  std::unique_ptr<SessionSwitches> switches_;
  SettingsStamps stamps_;
  SuppressionLists suppression_;
  std::unique_ptr<Observer> observer_;
  ResultsStore results_;
  RepairInputs inputs_;
  std::unique_ptr<Repairer> repairer_;
  std::unique_ptr<ValueRemover> remover_;
  std::unique_ptr<RegistryScanGroups> groups_;
  std::unique_ptr<ScanDriver> driver_;
};

}  // namespace hvm
