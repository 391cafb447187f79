#include "engine/core/commands.h"

namespace hvm {

std::optional<Command> CommandFromNumber(int number) {
  switch (static_cast<Command>(number)) {
    case Command::kStarted:
    case Command::kQuit:
    case Command::kBackupNow:
    case Command::kStartModeAction:
    case Command::kBackupFinished:
    case Command::kRemindLater:
    case Command::kUpdateCheckResult:
    case Command::kRefreshFrontPage:
    case Command::kSaveSettings:
    case Command::kRepaintMenu:
    case Command::kScan:
    case Command::kPack:
    case Command::kContinue:
    case Command::kOptimize:
    case Command::kUndoOptimize:
    case Command::kApplyVistaTweaks:
    case Command::kMonitorOn:
    case Command::kMonitorOff:
    case Command::kScanPage:
    case Command::kOptimizePage:
    case Command::kPackPage:
    case Command::kRestorePage:
    case Command::kMonitorPage:
    case Command::kVistaPage:
    case Command::kSettingsPage: return static_cast<Command>(number);
  }
  return std::nullopt;
}

}  // namespace hvm
