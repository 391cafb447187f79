#include "desktop/desktop_controller.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

#include "engine/core/clock.h"
#include "engine/settings/next_due.h"
#include "engine/settings/setting_policies.h"
#include "engine/update/update_offer.h"

namespace hvm {

DesktopController::DesktopController(DesktopShell& shell, SettingsStore& settings,
                                     WindowThread& windowThread, StartWords words)
    : shell_(shell), settings_(settings), windowThread_(windowThread), words_(std::move(words)) {}

bool DesktopController::Busy() const {
  return scanning_ || shell_.OperationRunning();
}

void DesktopController::SetBusy(bool on) {
  shell_.SetOperationRunning(on);
  if (!on) ReleaseHeldCheckResult();
}

void DesktopController::PostCommand(Command command, intptr_t value) {
  windowThread_.Post([this, command, value] { HandleCommand(command, value); });
}

void DesktopController::HandleCommand(Command command, intptr_t value) {
  // A page a policy took away may still be asked for by a template's button
  // or a command posted before the policy came.
  if (CommandRefused(command, PagesAllowedNow())) return;
  switch (command) {
    case Command::kStarted:
      started_ = true;
      if (UpdateCheckDue()) shell_.StartUpdateCheck(CheckMode::kAutomatic);
      shell_.Started();
      shell_.ResetView(true);
      return;
    case Command::kQuit:
      terminating_ = true;
      SaveWindowState();
      shell_.DestroyWindow();
      return;
    case Command::kBackupNow: shell_.RunFullBackup(); return;
    case Command::kStartModeAction: StartModeAction(); return;
    case Command::kBackupFinished: shell_.BackupFinished(static_cast<int>(value)); return;
    case Command::kRemindLater:
      settings_.Told(RemindLater(settings_.Path(), static_cast<int>(value)));
      return;
    case Command::kUpdateCheckResult:
      if (HoldCheckResultWhileBusy(static_cast<int>(value))) return;
      OnUpdateCheckResult(static_cast<int>(value));
      // An automatic check that found nothing told the user nothing: the
      // page being used stays where it is.
      if (value != update_result::kAutomaticNothingNewer) shell_.ResetView(true);
      return;
    case Command::kRefreshFrontPage: shell_.RenderFrontPage(); return;
    case Command::kSaveSettings: SaveWindowState(); return;
    case Command::kRepaintMenu: shell_.RepaintMenu(); return;
    case Command::kScan: Scan(); return;
    case Command::kPack: shell_.RunPack(); return;
    case Command::kMonitorOn: shell_.SetMonitoring(true); return;
    case Command::kMonitorOff: shell_.SetMonitoring(false); return;
    case Command::kContinue:
      if (Busy()) return;
      shell_.ClearResults();
      shell_.TurnPage(Page::kFront);
      return;
    case Command::kOptimize:
    case Command::kUndoOptimize:
      if (Busy()) return;
      shell_.ClearResults();
      Optimize();
      return;
    case Command::kApplyVistaTweaks: shell_.ApplyVistaTweaks(); return;
    case Command::kScanPage: shell_.TurnPage(FrontOrResults(shell_.ResultCount())); return;
    case Command::kOptimizePage:
    case Command::kPackPage:
    case Command::kRestorePage:
    case Command::kMonitorPage:
    case Command::kVistaPage:
    case Command::kSettingsPage:
      if (const std::optional<Page> page = PageForCommand(command))
        shell_.TurnPage(*page);
      return;
  }
}

void DesktopController::Shown() {
  SetQuiet(false);
  if (words_.IsStartMode()) PostCommand(Command::kStartModeAction);
  if (words_.mode == StartMode::kStartScan) PostCommand(Command::kScan);
}

void DesktopController::Close() {
  terminating_ = true;
  if (shell_.OperationRunning()) shell_.StopScan();
  SaveWindowState();
  shell_.DestroyWindow();
}

void DesktopController::SaveWindowState() {
  settings_.Change([this](ProgramSettings& settings) { shell_.StoreWindowState(settings); });
}

void DesktopController::StartModeAction() {
  SetQuiet(true);
  switch (words_.mode) {
    case StartMode::kSchedule:
      Scan();
      HandleCommand(Command::kQuit);
      break;
    case StartMode::kBootup:
      Scan();
      if (words_.silent) HandleCommand(Command::kQuit);
      break;
    case StartMode::kMonitor:
      shell_.TurnPage(Page::kMonitor);
      // On first, so that the tray's balloon says the monitor is on.
      shell_.SetMonitoring(true);
      shell_.HideToTray();
      break;
    default: break;
  }
  SetQuiet(false);
}

void DesktopController::Scan() {
  if (Busy()) return;
  scanning_ = true;
  {
    struct Ending {
      DesktopController& controller;
      ~Ending() {
        controller.scanning_ = false;
        // A scan ended by an error still lets a held answer through.
        if (std::uncaught_exceptions() > 0) controller.ReleaseHeldCheckResult();
      }
    } ending{*this};
    shell_.RunScan();
  }
  settings_.Told(shell_.TakeSettingsFailure());
  ReleaseHeldCheckResult();
}

void DesktopController::Repair() {
  if (Busy()) return;
  // The first repair after the results were seen ends the first-time hints.
  if (shell_.ResultsSeen()) {
    ProgramSettings settings = settings_.Load();
    if (settings.FirstTimeScan) {
      settings.FirstTimeScan = false;
      settings_.Save(settings);
    }
  }
  shell_.SetOperationRunning(true);
  shell_.EnableMenu(false);
  shell_.ShowWaitCursor(true);
  std::exception_ptr failure;
  try {
    shell_.RunRepair();
  } catch (...) {
    failure = std::current_exception();
  }
  shell_.SetOperationRunning(false);
  shell_.EnableMenu(true);
  shell_.ShowWaitCursor(false);
  // A held update answer comes after this message, not inside it.
  settings_.Told(shell_.TakeSettingsFailure());
  ReleaseHeldCheckResult();
  // What was repaired before an error is reported and can be restored all
  // the same; the error is told after that.
  if (!Quiet()) {
    shell_.ShowRepairReport();
    PostCommand(Command::kRefreshFrontPage);
  }
  if (failure) std::rethrow_exception(failure);
}

// The window's messages run during Optimize and Undo: the busy flag and the
// locked menu keep a scan or another page from starting in the middle.
void DesktopController::Optimize() {
  if (Busy()) return;
  SetBusy(true);
  shell_.EnableMenu(false);
  struct Unlock {
    DesktopController& controller;
    ~Unlock() {
      controller.SetBusy(false);
      controller.shell_.EnableMenu(true);
    }
  } unlock{*this};
  shell_.RunOptimize();
}

void DesktopController::StampLastBackup() {
  const LocalTime now = ProgramClock().LocalNow();
  char stamp[16];
  std::snprintf(stamp, sizeof(stamp), "%04d%02d%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute);
  settings_.Change([&stamp](ProgramSettings& settings) { settings.last_backup = stamp; });
  PostCommand(Command::kRefreshFrontPage);
}

bool DesktopController::UpdateCheckOffered() const {
  return started_ && !Busy() && UpdateCheckAllowed(Policies::Read());
}

bool DesktopController::UpdateCheckDue() const {
  // A policy that switches the check off also holds UpdateFreq at 0 (never).
  return UpdateCheckAllowed(Policies::Read()) &&
         IsDue(settings_.Load(), DueKind::update, LocalToday());
}

void DesktopController::OnUpdateCheckResult(int result) {
  // The restarter waits for this window to go before it replaces the files.
  if (shell_.TellUpdateResult(result)) PostCommand(Command::kQuit);
}

// Told in the middle of a scan or repair, an answer would take its page and
// unlock the menu: a message or an offer waits for the operation's end. The
// automatic check's "nothing newer" only moves the due date and goes at once.
bool DesktopController::HoldCheckResultWhileBusy(int result) {
  if (!Busy() || result == update_result::kAutomaticNothingNewer) return false;
  // An offer outweighs "no news" should both be waiting.
  heldCheckResult_ = std::max(heldCheckResult_.value_or(result), result);
  return true;
}

// Posted rather than told here: the operation that just ended may still be on
// the stack below.
void DesktopController::ReleaseHeldCheckResult() {
  if (heldCheckResult_ && !Busy())
    windowThread_.Post(
        [this, result = *std::exchange(heldCheckResult_, {})] { OnHeldCheckResult(result); });
}

// The held answer is told, but the user stays on the page the operation ended
// on (its results or its report) instead of being sent to the front page.
void DesktopController::OnHeldCheckResult(int result) {
  if (HoldCheckResultWhileBusy(result)) return;  // another operation began meanwhile
  OnUpdateCheckResult(result);
  shell_.ResetView(false);
}

}  // namespace hvm
