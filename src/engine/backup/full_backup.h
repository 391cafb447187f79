// The full registry backup as the user starts it: from the settings page's
// "&Backup Registry" button on the backup worker, or from the main window
// (Command::kBackupNow) on the GUI thread; the completion messages; the date it leaves
// in the settings. Knows no window: the page and the main window answer
// through the view and hooks below.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/backup/backup_worker.h"
#include "engine/backup/machine_control.h"
#include "engine/core/clock.h"
#include "engine/core/command_poster.h"
#include "engine/core/dialog_service.h"

namespace hvm {

// What the backup and the pack need to know of the machine and the program.
struct BackupEnvironment {
  int windowsVersionCode = 0;
  bool is64BitWindows = false;
  std::string windowsFolder;  // with its trailing backslash
  std::string backupRoot;     // system folder + "Hivemend\"
  std::string dataFolder;
  std::string settingsPath;
};

// The result types of a backup, each with its completion message.
enum BackupResultType : int {
  kBackupNotFinished = 0,
  kBackupMade = 1,
  kBackupNotMade = 2,
  kBackupMadeByChecker = 3,
};

// Shows the completion message of `type` (flags 0); unknown types show none.
void ShowBackupCompletion(DialogService& dialogs, int type);
inline bool BackupSucceeded(int type) {
  return type == kBackupMade || type == kBackupMadeByChecker;
}

// What the settings page shows while a backup runs: "&Backup Registry"
// disabled, the animation playing and "Backup Registry in Progress...".
class BackupView {
 public:
  virtual ~BackupView() = default;
  virtual void SetBackupRunning(bool running) = 0;
};

class FullBackup {
 public:
  struct Hooks {
    // The main window's busy flag, kept by it.
    std::function<bool()> busy;
    std::function<void(bool)> setBusy;
    std::function<void(bool)> enableMenu;
    std::function<void(bool)> waitCursor;
    // Lets pending window messages run between hives on the GUI thread.
    std::function<void()> pumpMessages;
    // The clock whose local time names a new backup folder; null: the
    // program's.
    Clock* clock = nullptr;
  };

  FullBackup(MachineControl& machine, DialogService& dialogs, CommandPoster& poster,
             BackupEnvironment environment, Hooks hooks);
  ~FullBackup();

  // The page that shows a running backup; may be null (none yet).
  void SetView(BackupView* view) { view_ = view; }

  // "&Backup Registry" on the settings page: asks what it must, then starts
  // the worker and returns. Ignored while the main window is busy.
  void StartFromSettingsPage();
  // Command::kBackupFinished: the worker ended with `type`. The date is written only for a
  // backup that was made.
  void WorkerFinished(int type);
  // Command::kBackupNow: the same backup on the GUI thread, from question to message.
  void RunOnGuiThread();

  bool WorkerRunning() const { return worker_ != nullptr; }
  // The folder of the last backup started ("" for the registry checker's).
  const std::string& LastFolder() const { return folder_; }

 private:
  void ShowNotAvailable();
  bool AskToStart();
  std::string NewFolder();
  int RunChecker();
  int SaveHives(DialogService& dialogs, std::function<void()> pumpMessages);
  void SetRunning(bool running);

  MachineControl& machine_;
  DialogService& dialogs_;
  CommandPoster& poster_;
  BackupEnvironment environment_;
  Hooks hooks_;
  BackupView* view_ = nullptr;
  std::string folder_;
  std::unique_ptr<BackupWorker> worker_;
};

}  // namespace hvm
