// The desktop program's commands. The page templates carry them as numbers
// (an input element's name="190"), the left menu's rows and its icons by the
// same numbers, and other programs and tests post them to the main window as
// WM_USER(number, value); those numbers are therefore part of the program's
// face and never change. Code says the names.
#pragma once

#include <optional>

namespace hvm {

enum class Command : int {
  kStarted = 0,             // start-up is complete (the splash goes)
  kQuit = 1,                // end the program as closing the window does
  kBackupNow = 2,           // the full backup, run on the window thread
  kStartModeAction = 3,     // what the start words ask (schedule, bootup, monitor)
  kBackupFinished = 4,      // value: the full backup's result type
  kRemindLater = 5,         // value: days until the next update check
  kUpdateCheckResult = 6,   // value: one of the update check's results
  kRefreshFrontPage = 7,    // the front page shows the settings' dates and totals anew
  kSaveSettings = 8,        // the window's placement and the settings page are saved
  kRepaintMenu = 10,        // the left menu is drawn again
  kScan = 100,              // "Scan Now"
  kPack = 130,              // "Pack Registry"
  kContinue = 152,          // the report page's "Continue": back to the front page
  kOptimize = 160,          // the Optimize page's button while not optimized
  kUndoOptimize = 165,      // the same page's button once optimized
  kApplyVistaTweaks = 180,  // the Vista Tweaks page's "Apply"
  kMonitorOn = 190,         // the Monitor page's "Start"
  kMonitorOff = 195,        // the Monitor page's "Stop"
  kScanPage = 500,          // menu: the front page, or the results while held
  kOptimizePage = 510,      // menu rows, each showing its page
  kPackPage = 520,
  kRestorePage = 530,
  kMonitorPage = 540,
  kVistaPage = 550,
  kSettingsPage = 560,
};

// The number a template, a menu row or a posted message carries.
constexpr int NumberOf(Command command) {
  return static_cast<int>(command);
}

// The command a template's (or a posted message's) number names; nothing for
// numbers that name none.
[[nodiscard]] std::optional<Command> CommandFromNumber(int number);

}  // namespace hvm
