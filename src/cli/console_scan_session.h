// One scan as the console verbs run it: the engine's scan session wired to the
// console's progress line and its cautious dialog answers, with the sections
// named on the command line or switched on in the settings file (so a dry run
// removes nothing in the file walks either). Sections a policy switches off
// are refused when the command line names them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/console_dialogs.h"
#include "cli/console_scan_view.h"
#include "engine/backup/repair_restore_point.h"
#include "engine/core/clock.h"
#include "engine/results/scan_session.h"

namespace hvm {

class ConsoleScanSession {
 public:
  // `dryRun`: the repairer only collects the export text and deletes nothing.
  // `restorePoint`: a repair begins a System Restore point first.
  ConsoleScanSession(const ScanOptions& options, bool dryRun, bool restorePoint = false);
  ~ConsoleScanSession();

  // Runs the scan; an error raised by a section ends it and goes on.
  void RunScan() { session_->RunScan(); }

  ResultsStore& Results() { return session_->Results(); }
  const ScanDriver& Driver() const { return session_->Driver(); }
  const SectionSwitches& Switches() const { return session_->Switches(); }
  Repairer& Repair() { return session_->Repair(); }
  SuppressionLists& Suppression() { return session_->Suppression(); }
  DialogService& Dialogs() { return dialogs_; }
  const std::string& DataFolder() const { return session_->DataFolder(); }
  const RepairInputs& Inputs() const { return session_->Inputs(); }
  // How the repair's restore point went; nothing when none was asked for.
  std::optional<RestorePointOutcome> RestorePoint() const;

 private:
  ConsoleScanView view_;
  ConsoleDialogService dialogs_;
  NoMonitor monitor_;
  std::unique_ptr<SystemRestore> systemRestore_;
  std::unique_ptr<RepairRestorePoint> restorePoint_;
  RepairProgress progress_;
  RepairReport report_;
  std::unique_ptr<ScanSession> session_;
};

}  // namespace hvm
