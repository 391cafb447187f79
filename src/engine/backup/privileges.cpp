#include "engine/backup/privileges.h"

namespace hvm {

bool PrivilegeEnabled(ProcessToken& token, const std::string& name) {
  LUID id{};
  if (!token.LookupPrivilege(name, id)) return false;
  if (!token.AdjustPrivilege(id, SE_PRIVILEGE_ENABLED)) return false;
  const std::optional<std::vector<LUID_AND_ATTRIBUTES>> held = token.Privileges();
  if (!held) return false;
  for (const LUID_AND_ATTRIBUTES& entry : *held)
    if (entry.Luid.LowPart == id.LowPart && entry.Luid.HighPart == id.HighPart)
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
  return false;
}

bool EnablePrivilege(MachineControl& machine, DialogService& dialogs, const std::string& name,
                     PrivilegeUse use) {
  const std::unique_ptr<ProcessToken> token = machine.OpenProcessToken();
  if (token && PrivilegeEnabled(*token, name)) return true;
  if (use == PrivilegeUse::kBackup)
    dialogs.MessageDialog(
        "You do not have Backup Privileges.  Backup is not possible for this user.",
        "No Backup Privileges", dialog::kNotice);
  else
    dialogs.MessageDialog(
        "You do not have Restore Privileges.  Restore is not possible for this user.",
        "No Restore Privileges", dialog::kNotice);
  return false;
}

RestartOutcome RestartWinNT(MachineControl& machine, DialogService& dialogs) {
  if (const std::unique_ptr<ProcessToken> token = machine.OpenProcessToken()) {
    if (!PrivilegeEnabled(*token, kShutdownPrivilege)) {
      dialogs.MessageDialog(
          "Windows cannot be restarted because you do not have Shutdown Privileges.  Please "
          "restart Windows.",
          "Brightfold Hivemend", dialog::kNotice);
      return RestartOutcome::kNoShutdownPrivilege;
    }
  }
  return machine.RestartWindows() ? RestartOutcome::kRestarting : RestartOutcome::kRefused;
}

}  // namespace hvm
