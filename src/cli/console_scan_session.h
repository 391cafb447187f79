// One scan as the console verbs run it: the engine wired to the console's
// progress line, its cautious dialog answers, the section switches and
// statistics of the settings file and the user's suppression lists in the
// data folder, and a repairer through which the file walks remove their
// stale values with undo (so a dry run removes nothing there either).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/console_dialogs.h"
#include "cli/console_scan_view.h"
#include "engine/backup/repair_restore_point.h"
#include "engine/core/clock.h"
#include "engine/core/results_store.h"
#include "engine/results/repair.h"
#include "engine/results/suppression.h"
#include "engine/scan/registry_scan_groups.h"
#include "engine/scan/scan_driver.h"
#include "engine/settings/settings_stamps.h"

namespace hvm {

class ConsoleScanSession {
 public:
  // `dryRun`: the repairer only collects the export text and deletes nothing.
  // `restorePoint`: a repair begins a System Restore point first.
  ConsoleScanSession(const ScanOptions& options, bool dryRun, bool restorePoint = false);
  ~ConsoleScanSession();

  // Runs the scan; an error raised by a section ends it and goes on.
  void RunScan() { driver_->RunScan(); }

  ResultsStore& Results() { return results_; }
  const ScanDriver& Driver() const { return *driver_; }
  const SectionSwitches& Switches() const { return *switches_; }
  Repairer& Repair() { return *repairer_; }
  SuppressionLists& Suppression() { return suppression_; }
  DialogService& Dialogs() { return dialogs_; }
  const std::string& DataFolder() const { return dataFolder_; }
  const RepairInputs& Inputs() const { return inputs_; }
  // How the repair's restore point went; nothing when none was asked for.
  std::optional<RestorePointOutcome> RestorePoint() const;

 private:
  class ResetObserver : public ResultsObserver {
   public:
    void SetCautionVisible(bool) override {}
    void ResultsReset() override {
      if (repairer) repairer->ResetWorkTexts();
    }
    void TotalsRecorded() override {}
    Repairer* repairer = nullptr;
  };
  class SystemTicks : public TickSource {
   public:
    uint32_t Ticks() override;
    void SleepOne() override;
  };

  std::string dataFolder_;
  std::unique_ptr<SectionSwitches> switches_;
  SettingsStamps stamps_;
  SuppressionLists suppression_;
  ResetObserver observer_;
  ResultsStore results_;
  SystemClock clock_;
  ConsoleScanView view_;
  ConsoleDialogService dialogs_;
  NoMonitor monitor_;
  std::unique_ptr<SystemRestore> systemRestore_;
  std::unique_ptr<RepairRestorePoint> restorePoint_;
  RepairProgress progress_;
  RepairReport report_;
  SystemTicks ticks_;
  RepairInputs inputs_;
  std::unique_ptr<Repairer> repairer_;
  std::unique_ptr<ValueRemover> remover_;
  std::unique_ptr<RegistryScanGroups> groups_;
  std::unique_ptr<ScanDriver> driver_;
};

}  // namespace hvm
