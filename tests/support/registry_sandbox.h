// A registry of its own for each test: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE and HKEY_USERS are redirected with RegOverridePredefKey
// to fresh keys under one scratch key of the real HKEY_CURRENT_USER. The
// destructor undoes the redirection and deletes the scratch key. Scratch keys
// of test processes that died without cleaning up are swept on creation.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace hvm::test {

// Parent of every scratch key, below the real HKEY_CURRENT_USER.
inline constexpr char kSandboxParent[] = "Software\\HivemendTest";

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // Scratch key path below the real HKEY_CURRENT_USER.
  const std::string& ScratchPath() const { return scratchPath_; }

  // Deletes the scratch keys below `parent` (a path below the real
  // HKEY_CURRENT_USER) whose owning process is gone. Returns how many.
  static int SweepLeftovers(const char* parent = kSandboxParent);

 private:
  std::string scratchPath_;
};

// Base fixture for tests that touch the registry.
class RegistrySandboxTest : public ::testing::Test {
 protected:
  RegistrySandbox sandbox_;
};

}  // namespace hvm::test
