#include "registry_sandbox.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace hvm::test {
namespace {

bool RealKeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  RegCloseKey(key);
}

TEST(RegistrySandbox, KeysWrittenInsideAreAbsentOutsideAndNothingIsLeft) {
  const std::string probe = "Software\\HivemendSandboxProbe";
  ASSERT_FALSE(RealKeyExists(HKEY_LOCAL_MACHINE, probe));
  std::string scratch;
  {
    RegistrySandbox sandbox;
    scratch = sandbox.ScratchPath();
    CreateKey(HKEY_LOCAL_MACHINE, probe);
    CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{probe}");
    CreateKey(HKEY_USERS, ".DEFAULT\\probe");
    EXPECT_TRUE(RealKeyExists(HKEY_LOCAL_MACHINE, probe));
    // Inside the sandbox HKCU is redirected too, so the scratch key itself is
    // not reachable through it.
    EXPECT_FALSE(RealKeyExists(HKEY_CURRENT_USER, scratch));
  }
  EXPECT_FALSE(RealKeyExists(HKEY_LOCAL_MACHINE, probe));
  EXPECT_FALSE(RealKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{probe}"));
  EXPECT_FALSE(RealKeyExists(HKEY_USERS, ".DEFAULT\\probe"));
  EXPECT_FALSE(RealKeyExists(HKEY_CURRENT_USER, scratch));
  // The real hives are back: HKLM\Software exists in every prefix.
  EXPECT_TRUE(RealKeyExists(HKEY_LOCAL_MACHINE, "Software"));
}

TEST(RegistrySandbox, EachRootStartsEmpty) {
  RegistrySandbox sandbox;
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
    DWORD subKeys = 99, values = 99;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, subKeys);
    EXPECT_EQ(0u, values);
  }
}

TEST(RegistrySandbox, TwoSandboxesInTurnDoNotShareKeys) {
  {
    RegistrySandbox first;
    CreateKey(HKEY_LOCAL_MACHINE, "Software\\FromFirst");
  }
  RegistrySandbox second;
  EXPECT_FALSE(RealKeyExists(HKEY_LOCAL_MACHINE, "Software\\FromFirst"));
}

TEST(RegistrySandbox, SweepsScratchKeysOfDeadProcessesOnly) {
  // Every sandbox sweeps the shared parent when it is made, and test programs
  // run side by side: a sweep of another program deleting the same dead key
  // makes our own RegDeleteTree fail halfway while the key still stands. The
  // sweep is therefore tried on a parent no other program sweeps.
  const std::string parent =
      std::string(kSandboxParent) + "Sweep\\" + std::to_string(GetCurrentProcessId());
  // A process id that no live process has: ids are multiples of four, so an
  // odd one is never in use.
  const std::string dead = parent + "\\4294967291-1";
  const std::string mine = parent + "\\" + std::to_string(GetCurrentProcessId()) + "-999";
  CreateKey(HKEY_CURRENT_USER, dead + "\\HKLM\\Software\\Left");
  CreateKey(HKEY_CURRENT_USER, mine);
  EXPECT_EQ(1, RegistrySandbox::SweepLeftovers(parent.c_str()));
  EXPECT_FALSE(RealKeyExists(HKEY_CURRENT_USER, dead));
  EXPECT_TRUE(RealKeyExists(HKEY_CURRENT_USER, mine));
  EXPECT_EQ(0, RegistrySandbox::SweepLeftovers(parent.c_str()));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, parent.c_str()));
  RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kSandboxParent) + "Sweep").c_str());
}

}  // namespace
}  // namespace hvm::test
