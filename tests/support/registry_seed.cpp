#include "registry_seed.h"

#include <stdexcept>

namespace hvm::test {
namespace {

struct RootAndPath {
  HKEY root;
  std::string path;
};

RootAndPath Split(const std::string& full) {
  const struct {
    const char* name;
    HKEY root;
  } roots[] = {{"HKCR", HKEY_CLASSES_ROOT},
               {"HKCU", HKEY_CURRENT_USER},
               {"HKLM", HKEY_LOCAL_MACHINE},
               {"HKU", HKEY_USERS}};
  const size_t slash = full.find('\\');
  const std::string rootName = full.substr(0, slash);
  for (const auto& root : roots)
    if (rootName == root.name)
      return {root.root, slash == std::string::npos ? "" : full.substr(slash + 1)};
  throw std::invalid_argument("no root in " + full);
}

HKEY Create(const std::string& full) {
  const RootAndPath target = Split(full);
  HKEY key = nullptr;
  const LONG status = RegCreateKeyExA(target.root, target.path.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS)
    throw std::runtime_error("cannot create " + full + ": " + std::to_string(status));
  return key;
}

}  // namespace

void SeedKey(const std::string& path) {
  RegCloseKey(Create(path));
}

void SeedValue(const std::string& path, const std::string& name, DWORD type,
               const std::string& bytes) {
  HKEY key = Create(path);
  const LONG status = RegSetValueExA(
      key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set " + path + "\\" + name);
}

void SeedString(const std::string& path, const std::string& name, const std::string& text) {
  SeedValue(path, name, REG_SZ, text + '\0');
}

void SeedExpandString(const std::string& path, const std::string& name, const std::string& text) {
  SeedValue(path, name, REG_EXPAND_SZ, text + '\0');
}

void SeedDword(const std::string& path, const std::string& name, uint32_t value) {
  SeedValue(path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void SeedBinary(const std::string& path, const std::string& name, const std::string& bytes) {
  SeedValue(path, name, REG_BINARY, bytes);
}

bool KeyExists(const std::string& path) {
  const RootAndPath target = Split(path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(target.root, target.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool ValueExists(const std::string& path, const std::string& name) {
  const RootAndPath target = Split(path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(target.root, target.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  const bool present =
      RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return present;
}

}  // namespace hvm::test
