// Raw registry changes for the monitor's tests, independent of the code
// under test. Paths begin with a short root name, as in support/registry_seed.
#pragma once

#include <windows.h>

#include <sddl.h>

#include <string>

#include <gtest/gtest.h>

#include "support/registry_seed.h"

namespace hvm::test {

inline void RemoveValue(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, name.c_str()));
  RegCloseKey(key);
}

inline void RemoveKeyTree(HKEY root, const std::string& path) {
  // Wine's RegDeleteTreeA takes the key itself too; Windows' leaves it.
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(root, path.c_str()));
  RegDeleteKeyA(root, path.c_str());
  HKEY gone = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &gone));
}

// While it lives, a key everyone may read (and be notified about) but nobody
// may write; its access list is opened again afterwards.
class ReadOnlyKey {
 public:
  ReadOnlyKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    SetAccess("D:P(A;;KR;;;WD)");
    HKEY probe = nullptr;
    enforced_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &probe) != ERROR_SUCCESS;
    if (probe) RegCloseKey(probe);
  }
  ~ReadOnlyKey() { Unlock(); }
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
  bool Enforced() const { return enforced_; }
  void Unlock() { SetAccess("D:P(A;;KA;;;WD)"); }

 private:
  void SetAccess(const char* sddl) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                             nullptr)) {
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
      LocalFree(descriptor);
    }
    RegCloseKey(key);
  }
  HKEY root_;
  std::string path_;
  bool enforced_ = false;
};

}  // namespace hvm::test
