#include "tweak_registry.h"

#include <aclapi.h>

#include <stdexcept>

namespace hvm::test {
namespace {

HKEY RootOf(const std::string& path, std::string& rest) {
  const size_t slash = path.find('\\');
  const std::string root = path.substr(0, slash);
  rest = slash == std::string::npos ? "" : path.substr(slash + 1);
  if (root == "HKCU") return HKEY_CURRENT_USER;
  if (root == "HKLM") return HKEY_LOCAL_MACHINE;
  if (root == "HKU") return HKEY_USERS;
  if (root == "HKCR") return HKEY_CLASSES_ROOT;
  throw std::invalid_argument("no root in " + path);
}

}  // namespace

std::optional<RawValue> ReadRaw(const std::string& path, const std::string& name) {
  std::string sub;
  const HKEY root = RootOf(path, sub);
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  RawValue value;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.data.resize(size);
    status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.data.data()), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::optional<std::string> ReadSz(const std::string& path, const std::string& name) {
  const std::optional<RawValue> raw = ReadRaw(path, name);
  if (!raw || raw->type != REG_SZ) return std::nullopt;
  std::string text = raw->data;
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::optional<DWORD> ReadDw(const std::string& path, const std::string& name) {
  const std::optional<RawValue> raw = ReadRaw(path, name);
  if (!raw || raw->type != REG_DWORD || raw->data.size() != sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  memcpy(&value, raw->data.data(), sizeof(value));
  return value;
}

ReadOnlyKey::ReadOnlyKey(const std::string& path) {
  std::string sub;
  const HKEY root = RootOf(path, sub);
  if (RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &key_,
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open " + path);
  DWORD size = 0;
  RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
  original_.resize(size);
  if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size) != ERROR_SUCCESS)
    throw std::runtime_error("cannot read the security of " + path);

  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  EXPLICIT_ACCESSA access{};
  access.grfAccessPermissions = KEY_READ | DELETE | WRITE_DAC | READ_CONTROL;
  access.grfAccessMode = SET_ACCESS;
  access.grfInheritance = NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPSTR>(everyone);
  PACL acl = nullptr;
  SetEntriesInAclA(1, &access, nullptr, &acl);
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  const LONG status = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor);
  LocalFree(acl);
  FreeSid(everyone);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot protect " + path);
}

void ReadOnlyKey::Release() {
  if (!key_) return;
  RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data());
  RegCloseKey(key_);
  key_ = nullptr;
}

ReadOnlyKey::~ReadOnlyKey() {
  Release();
}

}  // namespace hvm::test
