#include "registry_sandbox.h"

#include <atomic>
#include <cstdlib>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace hvm::test {
namespace {

struct Redirected {
  HKEY root;
  const char* name;
};

const Redirected kRedirected[] = {
    {HKEY_CLASSES_ROOT, "HKCR"},
    {HKEY_CURRENT_USER, "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKLM"},
    {HKEY_USERS, "HKU"},
};

bool ProcessIsAlive(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return false;
  const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return alive;
}

std::vector<std::string> ChildNames(HKEY parent) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

void Check(LONG status, const char* what) {
  if (status != ERROR_SUCCESS)
    throw std::runtime_error(std::string("registry sandbox: ") + what + " failed with " +
                             std::to_string(status));
}

}  // namespace

int RegistrySandbox::SweepLeftovers(const char* parentPath) {
  HKEY parent = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, parentPath, 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS)
    return 0;
  int swept = 0;
  for (const std::string& name : ChildNames(parent)) {
    // Scratch keys are named "<pid>-<serial>-<ticks>".
    const DWORD pid = std::strtoul(name.c_str(), nullptr, 10);
    if (pid == GetCurrentProcessId() || ProcessIsAlive(pid)) continue;
    if (RegDeleteTreeA(parent, name.c_str()) == ERROR_SUCCESS) ++swept;
  }
  RegCloseKey(parent);
  return swept;
}

RegistrySandbox::RegistrySandbox() {
  SweepLeftovers();
  static std::atomic<int> serial{0};
  // The tick count keeps the name unique when a later run gets the same
  // process id while a key left by an earlier one is still there.
  scratchPath_ = std::string(kSandboxParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++serial) + "-" + std::to_string(GetTickCount64());
  // Every scratch key is created before any root is redirected: once
  // HKEY_CURRENT_USER is redirected, the scratch parent is out of reach.
  HKEY keys[std::size(kRedirected)] = {};
  for (size_t i = 0; i < std::size(kRedirected); ++i) {
    const std::string path = scratchPath_ + "\\" + kRedirected[i].name;
    const LONG status =
        RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &keys[i], nullptr);
    if (status != ERROR_SUCCESS) {
      for (HKEY key : keys)
        if (key) RegCloseKey(key);
      Check(status, "creating a scratch key");
    }
  }
  LONG status = ERROR_SUCCESS;
  for (size_t i = 0; i < std::size(kRedirected); ++i) {
    // The platform keeps its own duplicate of the handle.
    if (status == ERROR_SUCCESS) status = RegOverridePredefKey(kRedirected[i].root, keys[i]);
    RegCloseKey(keys[i]);
  }
  if (status != ERROR_SUCCESS) {
    for (const Redirected& entry : kRedirected) RegOverridePredefKey(entry.root, nullptr);
    Check(status, "RegOverridePredefKey");
  }
}

RegistrySandbox::~RegistrySandbox() {
  for (const Redirected& entry : kRedirected) RegOverridePredefKey(entry.root, nullptr);
  RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath_.c_str());
}

}  // namespace hvm::test
