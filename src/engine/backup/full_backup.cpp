#include "engine/backup/full_backup.h"

#include "engine/backup/backup_folders.h"
#include "engine/backup/backup_stamps.h"
#include "engine/backup/hive_backup.h"
#include "engine/backup/privileges.h"
#include "engine/core/scope_exit.h"
#include "engine/scan/fs_redirection.h"

namespace hvm {
namespace {

constexpr int kShowWindow = 5;  // SW_SHOW

struct Completion {
  const char* text;
  const char* title;
};

constexpr Completion kCompletions[] = {
    {"Backup was not able to finish.  A partial backup of the Registry may be in the Windows "
     "System directory under Hivemend",
     "Backup not Successful"},
    {"A full backup of the Registry was made and put in the Windows System directory under "
     "Hivemend",
     "Backup Successful"},
    {"Unable to Back up Registry", "Backup not Successful"},
    {"A full backup of the Registry was made and put in the Windows Backup directory",
     "Backup Successful"},
};

// The worker has no one to ask; saving asks nothing, and were it to, the
// cautious answer is the one a user away from the screen would want.
class NoOneToAsk : public DialogService {
 public:
  int MessageDialog(const std::string&, const std::string&, int flags) override {
    return (flags & 0x0F) == dialog::kYesNo ? dialog::kNo : dialog::kCancel;
  }
};

bool IsWindows9x(int code) {
  return code == 2 || code == 3;
}

// Redirection off for the calling thread while a hive walk runs, where the
// platform has it.
std::unique_ptr<ScopedFsRedirectionOff> RedirectionOffOn64Bit(bool is64Bit) {
  return is64Bit ? std::make_unique<ScopedFsRedirectionOff>() : nullptr;
}

}  // namespace

void ShowBackupCompletion(DialogService& dialogs, int type) {
  if (type < 0 || type > kBackupMadeByChecker) return;
  dialogs.MessageDialog(kCompletions[type].text, kCompletions[type].title, dialog::kNotice);
}

FullBackup::FullBackup(MachineControl& machine, DialogService& dialogs, CommandPoster& poster,
                       BackupEnvironment environment, Hooks hooks)
    : machine_(machine),
      dialogs_(dialogs),
      poster_(poster),
      environment_(std::move(environment)),
      hooks_(std::move(hooks)) {}

FullBackup::~FullBackup() = default;

void FullBackup::ShowNotAvailable() {
  dialogs_.MessageDialog("Registry Backup is not available for Windows 95", "Backup not Available",
                         dialog::kNotice);
}

bool FullBackup::AskToStart() {
  return dialogs_.MessageDialog(
             "Registry Backup takes several minutes.  During this time the cursor will be an "
             "hourglass.  When Backup is completed, you will get a message saying so. Continue?",
             "Starting Backup... ", dialog::kYesNo) == dialog::kYes;
}

std::string FullBackup::NewFolder() {
  Clock& clock = hooks_.clock ? *hooks_.clock : ProgramClock();
  return BackupFolderFor(environment_.backupRoot, clock.LocalNow());
}

int FullBackup::RunChecker() {
  return machine_.RunAndWait(environment_.windowsFolder + "scanregw /backup", kShowWindow)
             ? kBackupMadeByChecker
             : kBackupNotMade;
}

int FullBackup::SaveHives(DialogService& dialogs, std::function<void()> pumpMessages) {
  const auto redirection = RedirectionOffOn64Bit(environment_.is64BitWindows);
  HiveWalkContext context{machine_,
                          dialogs,
                          environment_.windowsVersionCode,
                          environment_.dataFolder,
                          std::move(pumpMessages),
                          {}};
  return SaveNTRegistry(context, folder_, HiveMode::kSave).ok ? kBackupMade : kBackupNotFinished;
}

void FullBackup::SetRunning(bool running) {
  if (view_) view_->SetBackupRunning(running);
}

void FullBackup::StartFromSettingsPage() {
  if ((hooks_.busy && hooks_.busy()) || worker_) return;
  const int code = environment_.windowsVersionCode;
  if (code == 1) {
    ShowNotAvailable();
    return;
  }
  if (IsWindows9x(code)) {
    if (!AskToStart()) return;
    folder_.clear();
  } else {
    if (!EnablePrivilege(machine_, dialogs_, kBackupPrivilege, PrivilegeUse::kBackup)) return;
    folder_ = NewFolder();
  }
  if (hooks_.setBusy) hooks_.setBusy(true);
  if (hooks_.enableMenu) hooks_.enableMenu(false);
  SetRunning(true);
  worker_ = std::make_unique<BackupWorker>(
      [this, code] {
        if (IsWindows9x(code)) return RunChecker();
        NoOneToAsk noOne;
        return SaveHives(noOne, {});
      },
      poster_);
}

void FullBackup::WorkerFinished(int type) {
  worker_.reset();
  SetRunning(false);
  if (BackupSucceeded(type)) UpdateLastBackupTime(environment_.settingsPath, poster_);
  ShowBackupCompletion(dialogs_, type);
  if (hooks_.setBusy) hooks_.setBusy(false);
  if (hooks_.enableMenu) hooks_.enableMenu(true);
}

void FullBackup::RunOnGuiThread() {
  if ((hooks_.busy && hooks_.busy()) || worker_) return;
  if (hooks_.setBusy) hooks_.setBusy(true);
  if (view_) view_->SetBackupRunning(true);
  if (hooks_.waitCursor) hooks_.waitCursor(true);
  // Whatever happens, the window is usable again afterwards.
  const ScopeExit ending([this] {
    if (hooks_.setBusy) hooks_.setBusy(false);
    if (view_) view_->SetBackupRunning(false);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
  });
  const auto redirection = RedirectionOffOn64Bit(environment_.is64BitWindows);
  const int code = environment_.windowsVersionCode;
  int type = -1;
  if (code == 1) {
    ShowNotAvailable();
  } else if (IsWindows9x(code)) {
    folder_.clear();
    if (AskToStart()) type = RunChecker();
  } else if (EnablePrivilege(machine_, dialogs_, kBackupPrivilege, PrivilegeUse::kBackup) &&
             AskToStart()) {
    folder_ = NewFolder();
    type = SaveHives(dialogs_, hooks_.pumpMessages);
  }
  if (BackupSucceeded(type)) UpdateLastBackupTime(environment_.settingsPath, poster_);
  if (type >= 0) ShowBackupCompletion(dialogs_, type);
}

}  // namespace hvm
