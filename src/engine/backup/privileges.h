// Privileges a backup, a pack and a restart need, enabled in the process token
// through the machine seam, and the restart itself.
#pragma once

#include <string>

#include "engine/backup/machine_control.h"
#include "engine/core/dialog_service.h"

namespace hvm {

inline constexpr char kBackupPrivilege[] = "SeBackupPrivilege";
inline constexpr char kRestorePrivilege[] = "SeRestorePrivilege";
inline constexpr char kShutdownPrivilege[] = "SeShutdownPrivilege";

// Asks for the privilege to be enabled, then reads the token back, since the
// platform reports success also when it did not assign it. True when the
// token lists the privilege with its enabled bit set (enabled by default and
// enabled, attributes 3, counts).
[[nodiscard]] bool PrivilegeEnabled(ProcessToken& token, const std::string& name);

enum class PrivilegeUse { kBackup, kRestore };

// Opens the process token and enables `name`; when that fails shows the
// backup or the restore refusal (flags 0) and returns false.
[[nodiscard]] bool EnablePrivilege(MachineControl& machine, DialogService& dialogs,
                                   const std::string& name, PrivilegeUse use);

enum class RestartOutcome { kRestarting, kNoShutdownPrivilege, kRefused };

// Restarts Windows. A token that cannot be opened does not stop the restart;
// a missing shutdown privilege does, with its message.
RestartOutcome RestartWinNT(MachineControl& machine, DialogService& dialogs);

}  // namespace hvm
