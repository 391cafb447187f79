#include "engine/backup/machine_control.h"

#include <sddl.h>

#include "engine/core/registry.h"
#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

class PlatformToken : public ProcessToken {
 public:
  explicit PlatformToken(HANDLE token) : token_(token) {}

  bool LookupPrivilege(const std::string& name, LUID& id) override {
    return LookupPrivilegeValueA(nullptr, name.c_str(), &id) != FALSE;
  }

  bool AdjustPrivilege(const LUID& id, DWORD attributes) override {
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = id;
    wanted.Privileges[0].Attributes = attributes;
    return AdjustTokenPrivileges(token_.Get(), FALSE, &wanted, 0, nullptr, nullptr) != FALSE;
  }

  std::optional<std::vector<LUID_AND_ATTRIBUTES>> Privileges() override {
    // A token holds a few dozen privileges at most; 32 KB is far beyond that.
    std::vector<unsigned char> buffer(32768);
    DWORD length = 0;
    if (!GetTokenInformation(token_.Get(), TokenPrivileges, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &length))
      return std::nullopt;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    return std::vector<LUID_AND_ATTRIBUTES>(privileges->Privileges,
                                            privileges->Privileges + privileges->PrivilegeCount);
  }

  std::string UserSid() override {
    std::vector<unsigned char> buffer(1024);
    DWORD length = 0;
    if (!GetTokenInformation(token_.Get(), TokenUser, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &length))
      return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
      return {};
    std::string sid = text;
    LocalFree(text);
    return sid;
  }

 private:
  ScopedKernelHandle token_;
};

// RegistrySession takes a leading backslash as "from the root".
std::string FromRoot(const std::string& key) {
  return !key.empty() && key.front() == '\\' ? key : "\\" + key;
}

}  // namespace

std::unique_ptr<ProcessToken> PlatformMachineControl::OpenProcessToken() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return nullptr;
  return std::make_unique<PlatformToken>(token);
}

LONG PlatformMachineControl::SaveKey(HKEY root, const std::string& key, const std::string& file) {
  RegistrySession registry;
  registry.SetRoot(root);
  if (registry.SaveKeyToFile(FromRoot(key), file)) return ERROR_SUCCESS;
  return registry.LastError() != ERROR_SUCCESS ? registry.LastError() : ERROR_FILE_NOT_FOUND;
}

LONG PlatformMachineControl::ReplaceKey(HKEY root, const std::string& key, const std::string& file,
                                        const std::string& displacedFile) {
  RegistrySession registry;
  registry.SetRoot(root);
  if (registry.ReplaceKeyFromFile(FromRoot(key), file, displacedFile)) return ERROR_SUCCESS;
  return registry.LastError();
}

bool PlatformMachineControl::RunAndWait(const std::string& commandLine, int showMode) {
  return hvm::RunAndWait(commandLine, showMode);
}

bool PlatformMachineControl::RestartWindows() {
  return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

bool RunAndWait(const std::string& commandLine, int showMode) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process{};
  std::string line = commandLine;  // CreateProcessA may write into it
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process))
    return false;
  ScopedKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
  // Waiting on the process handle rather than polling its exit code: no busy
  // loop, and a program whose exit code happens to be STILL_ACTIVE still ends
  // the wait.
  for (;;) {
    const DWORD woken =
        MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken == WAIT_FAILED) {
      WaitForSingleObject(process.hProcess, INFINITE);
      return true;
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) ExitProcess(static_cast<UINT>(message.wParam));
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace hvm
