// Registry helpers of the tweaks tests: values read back with raw platform
// calls, and a key made read-only for the test's lifetime.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace hvm::test {

struct RawValue {
  DWORD type = REG_NONE;
  std::string data;  // bytes as stored
};

// Path with a short root name ("HKLM\\SYSTEM\\..."); nothing when the key or
// the value is not there.
std::optional<RawValue> ReadRaw(const std::string& path, const std::string& name);
// The text of a REG_SZ value, without its terminator; nothing when missing or
// of another type.
std::optional<std::string> ReadSz(const std::string& path, const std::string& name);
std::optional<DWORD> ReadDw(const std::string& path, const std::string& name);

// While it lives, everyone may read the key (and delete it, so that the
// sandbox can go) but nobody may write values or create keys under it.
class ReadOnlyKey {
 public:
  explicit ReadOnlyKey(const std::string& path);
  ~ReadOnlyKey();
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
  // Gives the write rights back before the end of the test.
  void Release();

 private:
  HKEY key_ = nullptr;
  std::vector<BYTE> original_;
};

}  // namespace hvm::test
