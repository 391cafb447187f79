// The desktop program's decisions, apart from its window: what each command
// does, which commands wait while a long operation runs, when an update
// check's answer is told, and the order of the steps around a scan, a repair
// and an optimization. The main window implements DesktopShell, draws what is
// decided here and forwards its clicks and keys; tests drive the controller
// with a shell of their own, without any window.
#pragma once

#include <cstdint>
#include <optional>

#include "desktop/navigation.h"
#include "desktop/startup.h"
#include "engine/core/commands.h"
#include "engine/core/window_thread.h"
#include "engine/settings/settings_store.h"
#include "engine/update/update_check.h"

namespace hvm {

// What the controller asks of the window, its pages and the operations they
// hold. Everything here runs on the window thread.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;

  // Pages and the left menu.
  virtual void TurnPage(Page page) = 0;
  // After start-up and an update answer: the menu rebuilt for the page
  // shown and the frame redrawn; the front page shown when `showFront`.
  virtual void ResetView(bool showFront) = 0;
  virtual void EnableMenu(bool on) = 0;
  virtual void RepaintMenu() = 0;
  virtual void RenderFrontPage() = 0;
  virtual void ShowWaitCursor(bool on) = 0;
  virtual void HideToTray() = 0;
  // The window's placement and the settings page's choices, into `settings`.
  virtual void StoreWindowState(ProgramSettings& settings) = 0;
  virtual void DestroyWindow() = 0;
  // Start-up is complete (the splash goes).
  virtual void Started() = 0;

  // The scan session: whether one of its operations runs (a scan, a repair,
  // a backup, a pack or an optimization marks itself there too).
  virtual bool OperationRunning() const = 0;
  virtual void SetOperationRunning(bool on) = 0;
  virtual void RunScan() = 0;
  virtual void StopScan() = 0;
  virtual void RunRepair() = 0;
  // The status of a settings write the session made, once; 0 when none failed.
  virtual uint32_t TakeSettingsFailure() = 0;
  // Whether the results page has been seen since the program started.
  virtual bool ResultsSeen() const = 0;
  // After a repair: its snapshot selected on the restore page and the report
  // page shown with how the restore point went.
  virtual void ShowRepairReport() = 0;
  virtual int ResultCount() const = 0;
  virtual void ClearResults() = 0;

  // The other pages' operations.
  virtual void RunOptimize() = 0;
  virtual void RunPack() = 0;
  virtual void RunFullBackup() = 0;
  virtual void BackupFinished(int result) = 0;
  virtual void ApplyVistaTweaks() = 0;
  virtual void SetMonitoring(bool on) = 0;

  // The update check: started in `mode`, and its answer told (prompt,
  // download, install). True when the program is to end for the restarter.
  virtual void StartUpdateCheck(CheckMode mode) = 0;
  virtual bool TellUpdateResult(int result) = 0;
};

class DesktopController {
 public:
  DesktopController(DesktopShell& shell, SettingsStore& settings, WindowThread& windowThread,
                    StartWords words);

  void HandleCommand(Command command, intptr_t value = 0);
  // Queues `command` behind what the window thread has waiting: a click
  // handler returns before the command replaces the page it stands on.
  void PostCommand(Command command, intptr_t value = 0);

  // A scan, repair, backup, pack or optimize runs (also while a stopped scan
  // unwinds).
  bool Busy() const;
  // Long operations begin and end through here, so that an update answer
  // held meanwhile is told once they have ended.
  void SetBusy(bool on);
  // Whether "Check for Updates" is offered: once start-up is complete, not
  // while a long operation runs, and not when a policy switched it off.
  bool UpdateCheckOffered() const;

  // The window was shown for the first time: the start words' action and a
  // "/scan" start are queued.
  void Shown();
  // The window is asked to close (its close box, Ctrl+Q, command 1): a
  // running scan is stopped and the window's state saved before it goes.
  void Close();
  bool Terminating() const { return terminating_; }
  // Saves the window's placement and the settings page; the window closes
  // all the same should the file refuse (keeping it open would not make the
  // file writable).
  void SaveWindowState();

  void Scan();
  void Repair();
  void Optimize();
  // A restore point or a full backup was made: its time becomes the last
  // backup's.
  void StampLastBackup();

  // Unattended start modes tell nothing the user would have to answer.
  bool Quiet() const { return settings_.Quiet(); }
  void SetQuiet(bool quiet) { settings_.SetQuiet(quiet); }

 private:
  void StartModeAction();
  bool UpdateCheckDue() const;
  void OnUpdateCheckResult(int result);
  bool HoldCheckResultWhileBusy(int result);
  void ReleaseHeldCheckResult();
  void OnHeldCheckResult(int result);

  DesktopShell& shell_;
  SettingsStore& settings_;
  WindowThread& windowThread_;
  StartWords words_;
  bool started_ = false;
  bool scanning_ = false;  // Scan is on the stack
  bool terminating_ = false;
  // An update check's answer (manual nothing newer, or an offer) that came
  // while a long operation ran, told when it has ended.
  std::optional<int> heldCheckResult_;
};

}  // namespace hvm
