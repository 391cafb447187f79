// The repair's restore point in the desktop program: begun before a repair
// when the BackupBeforeScan setting asks for it, ended after the repair, and
// its outcome kept for the report page.
#pragma once

#include <functional>
#include <optional>

#include "backup/restore_point.h"
#include "core/dialog_service.h"
#include "results/repair_hooks.h"

namespace hvm {

class GuiRestorePoint : public RestorePointMaker {
 public:
  struct Hooks {
    std::function<bool()> wanted;  // the BackupBeforeScan setting
    std::function<bool()> administrator;
    std::function<void()> made;  // stamps the last backup time
  };
  GuiRestorePoint(SystemRestore& platform, DialogService& dialogs, Hooks hooks)
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
