// The platform calls that change the machine or the process's rights: saving
// and replacing hives, privileges in the process token, starting a program
// and waiting for it, and restarting Windows. Everything in the backup and
// pack goes through this one seam, so that tests answer for the machine (and a
// test never restarts it).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hvm {

// The current process's token, opened for adjusting and querying.
class ProcessToken {
 public:
  virtual ~ProcessToken() = default;
  // LookupPrivilegeValueA on the local system.
  virtual bool LookupPrivilege(const std::string& name, LUID& id) = 0;
  // AdjustTokenPrivileges with one entry; true when the platform said so
  // (which it also does when it could not assign the privilege).
  virtual bool AdjustPrivilege(const LUID& id, DWORD attributes) = 0;
  // The token's privileges as GetTokenInformation reads them; nothing when
  // the query fails.
  virtual std::optional<std::vector<LUID_AND_ATTRIBUTES>> Privileges() = 0;
  // The token user's security identifier as text ("S-1-5-21-..."); "" when
  // it cannot be read.
  virtual std::string UserSid() = 0;
};

class MachineControl {
 public:
  virtual ~MachineControl() = default;
  // Null when the token cannot be opened.
  virtual std::unique_ptr<ProcessToken> OpenProcessToken() = 0;
  // RegSaveKeyA of `root`\`key` (key with or without a leading backslash) into
  // `file`, which must not exist. The Win32 status.
  virtual LONG SaveKey(HKEY root, const std::string& key, const std::string& file) = 0;
  // RegReplaceKeyA: `file` becomes the hive at the next start of Windows and
  // the hive in use is moved to `displacedFile`. The Win32 status.
  virtual LONG ReplaceKey(HKEY root, const std::string& key, const std::string& file,
                          const std::string& displacedFile) = 0;
  // Starts `commandLine` and waits for it to end; false when it could not start.
  virtual bool RunAndWait(const std::string& commandLine, int showMode) = 0;
  // ExitWindowsEx(EWX_REBOOT, 0); false when the platform refused.
  virtual bool RestartWindows() = 0;
};

// The real platform. Saves and replacements go through RegistrySession.
class PlatformMachineControl : public MachineControl {
 public:
  std::unique_ptr<ProcessToken> OpenProcessToken() override;
  LONG SaveKey(HKEY root, const std::string& key, const std::string& file) override;
  LONG ReplaceKey(HKEY root, const std::string& key, const std::string& file,
                  const std::string& displacedFile) override;
  bool RunAndWait(const std::string& commandLine, int showMode) override;
  bool RestartWindows() override;
};

// Starts `commandLine` (no application name, no inherited handles, shown with
// `showMode`, no busy cursor) and waits for the process to end while the
// calling thread's window messages keep running; a quit message ends the
// program with its code. False when the program could not be started; its
// exit code is not looked at.
bool RunAndWait(const std::string& commandLine, int showMode);

}  // namespace hvm
