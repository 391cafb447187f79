// The repair's restore point: begun before a repair when the user asks for
// it (the BackupBeforeScan setting in the desktop program, --restore-point at
// the console), ended after the repair, and its outcome kept for the report.
#pragma once

#include <functional>
#include <optional>

#include "engine/backup/restore_point.h"
#include "engine/core/dialog_service.h"
#include "engine/results/repair_hooks.h"

namespace hvm {

class RepairRestorePoint : public RestorePointMaker {
 public:
  struct Hooks {
    std::function<bool()> wanted;  // asked for at this repair
    std::function<bool()> administrator;
    std::function<void()> made;       // stamps the last backup time
    RegistryChecker registryChecker;  // Windows 98's protection instead
  };
  RepairRestorePoint(SystemRestore& platform, DialogService& dialogs, Hooks hooks)
      : platform_(platform), dialogs_(dialogs), hooks_(std::move(hooks)) {}

  void MakeRestorePoint() override;
  void EndRestorePoint() override;
  // The outcome of the last repair's restore point; nothing when none was asked for.
  const std::optional<RestorePointOutcome>& Last() const { return last_; }

 private:
  SystemRestore& platform_;
  DialogService& dialogs_;
  Hooks hooks_;
  std::optional<RestorePointOutcome> last_;
};

}  // namespace hvm
