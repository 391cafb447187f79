#include "engine/backup/registry_pack.h"

#include "engine/backup/backup_folders.h"
#include "engine/backup/backup_stamps.h"
#include "engine/backup/hive_backup.h"
#include "engine/backup/privileges.h"
#include "engine/core/scope_exit.h"
#include "engine/scan/fs_redirection.h"

namespace hvm {
namespace {

constexpr int kShowWindow = 5;  // SW_SHOW
constexpr char kNotSuccessful[] = "Pack not Successful";
constexpr char kNotSaved[] = "There was an error and the Registry could not be packed. [2]";
constexpr char kNotScheduled[] = "There was an error and the Registry could not be packed. [1]";
constexpr char kMonitorQuestion[] =
    "Hivemend detects that you have Monitor Registry ON.  Monitor Registry must be OFF during "
    "this operation.  Press the OK button to turn off Monitor Registry and start this "
    "operation.  Press the CANCEL button to cancel this operation";
constexpr char kStartQuestion[] =
    "Organize may take several minutes to complete. During this time an hourglass cursor will "
    "be displayed. When the Organize completes you will be notified with a message reporting "
    "that you must restart Windows. If you do not wish to restart Windows, then press Cancel to "
    "cancel Organize. Otherwise, press OK.";
// Whatever is written to the registry until the restart is lost when the
// saved hives replace the live ones, so the user is told and urged to
// restart at once.
constexpr char kCompleted[] =
    "Organize has been completed. Close all open applications and press Restart to restart "
    "Windows now.\r\n\r\nChanges made to the registry between now and the restart will be lost "
    "when the organized registry replaces the current one, so restarting now is recommended.";

}  // namespace

RegistryPack::RegistryPack(MachineControl& machine, DialogService& dialogs, MonitorState& monitor,
                           CommandPoster& poster, BackupEnvironment environment, Hooks hooks)
    : machine_(machine),
      dialogs_(dialogs),
      monitor_(monitor),
      poster_(poster),
      environment_(std::move(environment)),
      hooks_(std::move(hooks)) {}

bool RegistryPack::MonitorOff() {
  if (!monitor_.Active()) return true;
  if (dialogs_.MessageDialog(kMonitorQuestion, "Hivemend Monitor", dialog::kOkCancel) !=
      dialog::kOk)
    return false;
  monitor_.SetMonitoring(false);
  return true;
}

void RegistryPack::Progress(int percent) {
  if (hooks_.progress) hooks_.progress(percent);
}

PackOutcome RegistryPack::OfferRestart(const std::string& text, const std::string& title) {
  if (dialogs_.MessageDialog(text, title, dialog::kRestartCancelIgnore) != dialog::kRetry)
    return PackOutcome::kScheduled;
  return RestartWinNT(machine_, dialogs_) == RestartOutcome::kRestarting ? PackOutcome::kRestarting
                                                                         : PackOutcome::kScheduled;
}

PackOutcome RegistryPack::Pack() {
  if (hooks_.busy && hooks_.busy()) return PackOutcome::kBusy;
  if (hooks_.clearTotal) hooks_.clearTotal();
  if (hooks_.setBusy) hooks_.setBusy(true);
  const std::unique_ptr<ScopedFsRedirectionOff> redirection =
      environment_.is64BitWindows ? std::make_unique<ScopedFsRedirectionOff>() : nullptr;
  if (hooks_.waitCursor) hooks_.waitCursor(true);
  const ScopeExit ending([this] {
    if (hooks_.setBusy) hooks_.setBusy(false);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
  });
  Progress(0);

  const int code = environment_.windowsVersionCode;
  if (code == 1) {
    dialogs_.MessageDialog("Pack Registry is not available for Windows 95", "Pack not Available",
                           dialog::kNotice);
    return PackOutcome::kNotAvailable;
  }
  if (code == 2 || code == 3) {
    if (!MonitorOff()) return PackOutcome::kCancelled;
    if (!machine_.RunAndWait(environment_.windowsFolder + "command\\scanreg /fix", kShowWindow)) {
      dialogs_.MessageDialog("Unable to Pack the Registry", kNotSuccessful, dialog::kNotice);
      return PackOutcome::kCheckerNotStarted;
    }
    RecordOrganizeTime(environment_.settingsPath, poster_);
    Progress(100);
    return PackOutcome::kCheckerRan;
  }
  if (dialogs_.MessageDialog(kStartQuestion, "Start Organize", dialog::kOkCancel) != dialog::kOk)
    return PackOutcome::kCancelled;
  if (!MonitorOff()) return PackOutcome::kCancelled;

  const std::string folder = PackFolderFor(environment_.backupRoot);
  HiveWalkContext context{machine_, dialogs_, code, environment_.dataFolder, hooks_.pumpMessages,
                          {}};
  if (!EnablePrivilege(machine_, dialogs_, kBackupPrivilege, PrivilegeUse::kBackup)) {
    dialogs_.MessageDialog(kNotSaved, kNotSuccessful, dialog::kNotice);
    return PackOutcome::kNoBackupPrivilege;
  }
  // Saving is the first half of the work, scheduling the second.
  context.progress = [this](int done, int total) { Progress(total ? done * 50 / total : 50); };
  if (!SaveNTRegistry(context, folder, HiveMode::kSave).ok) {
    dialogs_.MessageDialog(kNotSaved, kNotSuccessful, dialog::kNotice);
    return PackOutcome::kNotSaved;
  }
  if (!EnablePrivilege(machine_, dialogs_, kRestorePrivilege, PrivilegeUse::kRestore)) {
    dialogs_.MessageDialog(kNotScheduled, kNotSuccessful, dialog::kNotice);
    return PackOutcome::kNoRestorePrivilege;
  }
  context.progress = [this](int done, int total) {
    Progress(50 + (total ? done * 50 / total : 50));
  };
  if (!SaveNTRegistry(context, folder, HiveMode::kReplace).ok) {
    dialogs_.MessageDialog(kNotScheduled, kNotSuccessful, dialog::kNotice);
    return PackOutcome::kNotScheduled;
  }
  Progress(100);
  RecordOrganizeTime(environment_.settingsPath, poster_);
  return OfferRestart(kCompleted, "Organize Completed");
}

PackOutcome RegistryPack::PutBack(const std::string& folder, const std::string& madeText) {
  if (hooks_.busy && hooks_.busy()) return PackOutcome::kBusy;
  const int code = environment_.windowsVersionCode;
  if (code == 1 || code == 2 || code == 3) {
    dialogs_.MessageDialog(
        "A full backup can only be put back on Windows NT, 2000, XP and later versions.",
        "Restore not Available", dialog::kNotice);
    return PackOutcome::kNotAvailable;
  }
  if (dialogs_.MessageDialog(
          "The whole registry will be replaced by the full backup made " + madeText +
              " when Windows next starts.\r\n\r\nEvery change made to the registry since that "
              "backup will be lost: programs installed and settings changed since then will "
              "have to be installed and changed again.\r\n\r\nPress OK to put the backup back, "
              "or Cancel to leave the registry as it is.",
          "Put Back Full Backup",
          dialog::kOkCancel | 48 | dialog::kSecondButtonDefault) != dialog::kOk)
    return PackOutcome::kCancelled;
  if (!MonitorOff()) return PackOutcome::kCancelled;
  if (hooks_.setBusy) hooks_.setBusy(true);
  if (hooks_.waitCursor) hooks_.waitCursor(true);
  const ScopeExit ending([this] {
    if (hooks_.setBusy) hooks_.setBusy(false);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
  });
  const std::unique_ptr<ScopedFsRedirectionOff> redirection =
      environment_.is64BitWindows ? std::make_unique<ScopedFsRedirectionOff>() : nullptr;
  if (!EnablePrivilege(machine_, dialogs_, kRestorePrivilege, PrivilegeUse::kRestore))
    return PackOutcome::kNoRestorePrivilege;
  HiveWalkContext context{machine_, dialogs_, code, environment_.dataFolder, hooks_.pumpMessages,
                          {}};
  const HiveWalkResult result = SaveNTRegistry(context, folder, HiveMode::kReplace);
  if (!result.ok) {
    if (!result.declined)
      dialogs_.MessageDialog(
          "The full backup could not be put back: " + result.Describe() +
              ".\r\n\r\nHives scheduled before the failure will still replace the live ones at "
              "the next start of Windows.",
          "Restore not Successful", dialog::kNotice);
    return PackOutcome::kNotScheduled;
  }
  return OfferRestart(
      "The full backup will replace the registry when Windows restarts. Close all open "
      "applications and press Restart to restart Windows now.\r\n\r\nChanges made to the "
      "registry between now and the restart will be lost, so restarting now is recommended.",
      "Full Backup Scheduled");
}

}  // namespace hvm
