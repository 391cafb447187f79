#include "engine/backup/repair_restore_point.h"

namespace hvm {

void RepairRestorePoint::MakeRestorePoint() {
  last_.reset();
  if (hooks_.wanted && !hooks_.wanted()) return;
  last_ = ProtectRegistry(platform_, dialogs_, hooks_.administrator && hooks_.administrator(),
                          hooks_.registryChecker);
  if (last_->result == RestorePointOutcome::Result::kMade && hooks_.made) hooks_.made();
}

void RepairRestorePoint::EndRestorePoint() {
  if (last_) hvm::EndRestorePoint(platform_, *last_);
}

}  // namespace hvm
