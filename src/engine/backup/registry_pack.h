// The registry pack ("Organize"): every hive saved without its free space into
// the pack folder, then scheduled to replace the live hive at the next start
// of Windows, with a restart offered. The same steps put a chosen full
// backup back into place. Both run on the GUI thread; the window answers
// through the hooks.
#pragma once

#include <functional>
#include <string>

#include "engine/backup/full_backup.h"
#include "engine/backup/machine_control.h"
#include "engine/core/command_poster.h"
#include "engine/core/dialog_service.h"
#include "engine/core/monitor_state.h"

namespace hvm {

enum class PackOutcome {
  kBusy,               // another long operation runs
  kNotAvailable,       // Windows 95
  kCancelled,          // at the start question or the monitor question
  kCheckerNotStarted,  // Windows 98 and Me
  kCheckerRan,
  kNoBackupPrivilege,
  kNotSaved,
  kNoRestorePrivilege,
  kNotScheduled,
  kScheduled,   // the user chose not to restart now
  kRestarting,  // ... or to restart
};

class RegistryPack {
 public:
  struct Hooks {
    std::function<bool()> busy;
    std::function<void(bool)> setBusy;
    std::function<void(bool)> waitCursor;
    std::function<void()> clearTotal;
    std::function<void()> pumpMessages;
    // The work done so far in percent, 0 at the start.
    std::function<void(int percent)> progress;
  };

  RegistryPack(MachineControl& machine, DialogService& dialogs, MonitorState& monitor,
               CommandPoster& poster, BackupEnvironment environment, Hooks hooks);

  // Command::kPack.
  PackOutcome Pack();
  // Schedules the full backup in `folder` to replace the registry at the next
  // start of Windows, after a warning that every change since the backup
  // will be lost; `madeText` says when it was made.
  PackOutcome PutBack(const std::string& folder, const std::string& madeText);

 private:
  // The monitor question; false when the user keeps monitoring on.
  bool MonitorOff();
  bool Fail(const std::string& text);
  void Progress(int percent);
  // Restart, Cancel or Ignore after a replacement was scheduled.
  PackOutcome OfferRestart(const std::string& text, const std::string& title);

  MachineControl& machine_;
  DialogService& dialogs_;
  MonitorState& monitor_;
  CommandPoster& poster_;
  BackupEnvironment environment_;
  Hooks hooks_;
};

}  // namespace hvm
