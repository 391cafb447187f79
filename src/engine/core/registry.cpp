#include "engine/core/registry.h"

#include <string.h>

#include <algorithm>
#include <array>

#include "engine/core/registry_paths.h"
#include "engine/core/text_encoding.h"

namespace hvm {
namespace {

// Access levels, from most to least, tried in turn by every open.
constexpr REGSAM kAllAccess = KEY_ALL_ACCESS;                                 // 0xF003F
constexpr REGSAM kReadWrite = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F
constexpr REGSAM kReadOnly = KEY_READ;                                        // 0x20019

// Longest names the platform allows, for buffers that must grow past what
// RegQueryInfoKey reported (a key changed meanwhile, or a multi-byte code page).
constexpr DWORD kMaxKeyNameChars = 255;
constexpr DWORD kMaxValueNameChars = 16383;

constexpr std::array<DWORD, 13> kPlatformTypes{REG_NONE,
                                               REG_NONE,
                                               REG_SZ,
                                               REG_EXPAND_SZ,
                                               REG_BINARY,
                                               REG_DWORD,
                                               REG_DWORD,
                                               REG_DWORD_BIG_ENDIAN,
                                               REG_LINK,
                                               REG_MULTI_SZ,
                                               REG_RESOURCE_LIST,
                                               REG_FULL_RESOURCE_DESCRIPTOR,
                                               REG_RESOURCE_REQUIREMENTS_LIST};

const char* MessageFormat(RegistryError::Reason reason) {
  switch (reason) {
    case RegistryError::Reason::InvalidType: return "Invalid data type for '%s'";
    case RegistryError::Reason::GetFailed: return "Failed to get data for '%s'";
    case RegistryError::Reason::SetFailed: break;
  }
  return "Failed to set data for '%s'";
}

std::string FormatMessage(RegistryError::Reason reason, const std::string& name) {
  std::string text = MessageFormat(reason);
  text.replace(text.find("%s"), 2, name);
  return text;
}

// The platform reports name lengths in UTF-16 units, and the ANSI calls
// give each unit as up to this many bytes: two in a double-byte code page,
// up to three under UTF-8 (four for a pair of units, which is two a unit).
DWORD BytesPerUnit() {
  static const DWORD bytes = [] {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) return DWORD(1);
    return std::min<DWORD>(std::max<DWORD>(info.MaxCharSize, 1), 3);
  }();
  return bytes;
}

std::optional<RegKeyInfo> QueryKeyInfo(HKEY key, LONG* status) {
  if (!key) {
    *status = ERROR_INVALID_HANDLE;
    return std::nullopt;
  }
  RegKeyInfo info;
  DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueLen = 0, maxData = 0;
  *status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                             &values, &maxValueLen, &maxData, nullptr, &info.lastWriteTime);
  if (*status != ERROR_SUCCESS) return std::nullopt;
  maxSubKeyLen *= BytesPerUnit();
  maxValueLen *= BytesPerUnit();
  info.subKeyCount = subKeys;
  info.maxSubKeyLen = maxSubKeyLen;
  info.valueCount = values;
  info.maxValueLen = maxValueLen;
  info.maxDataLen = maxData;
  return info;
}

// Bytes a name of `chars` UTF-16 units may take through the ANSI calls.
DWORD NameBytes(DWORD chars) {
  return BytesPerUnit() * chars;
}

// A buffer this large holds nearly every name at once; longer ones are read
// again into one of the largest size.
constexpr DWORD kFirstNameBuffer = 512;

// Enumerates names index 0 upward. A refused index ends the walk: Wine answers
// some keys (Perflib\009) with ERROR_INVALID_HANDLE at index 0, and a loop that
// waits for ERROR_NO_MORE_ITEMS would never end there. `*endStatus` tells a
// complete list (ERROR_SUCCESS) from one cut short.
// At most `count` names are asked for: a walk that knows how many there are
// does not ask for the one past the end.
template <class EnumFn>
std::vector<std::string> EnumerateNames(DWORD maxChars, EnumFn enumerate, LONG* endStatus,
                                        DWORD count = MAXDWORD) {
  std::vector<std::string> names;
  const DWORD largest = NameBytes(maxChars) + 1;
  std::string buffer(std::min(kFirstNameBuffer, largest), '\0');
  *endStatus = ERROR_SUCCESS;
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = DWORD(buffer.size());
    LONG status = enumerate(index, buffer.data(), &length);
    if (status == ERROR_MORE_DATA && buffer.size() < largest) {
      buffer.assign(largest, '\0');
      length = DWORD(buffer.size());
      status = enumerate(index, buffer.data(), &length);
    }
    if (status != ERROR_SUCCESS) {
      *endStatus = status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status;
      break;
    }
    names.emplace_back(buffer.data(), std::min<size_t>(length, buffer.size()));
  }
  return names;
}

std::vector<std::string> SubKeyNames(HKEY key, LONG* endStatus, DWORD count = MAXDWORD) {
  return EnumerateNames(
      kMaxKeyNameChars,
      [key](DWORD i, char* buf, DWORD* len) {
        return RegEnumKeyExA(key, i, buf, len, nullptr, nullptr, nullptr, nullptr);
      },
      endStatus, count);
}

std::vector<std::string> ValueNames(HKEY key, LONG* endStatus) {
  return EnumerateNames(
      kMaxValueNameChars,
      [key](DWORD i, char* buf, DWORD* len) {
        return RegEnumValueA(key, i, buf, len, nullptr, nullptr, nullptr, nullptr);
      },
      endStatus);
}

// True when base\subKey is itself a symbolic link; `link` then owns it, opened
// without following the link.
bool OpenIfLink(HKEY base, const std::string& subKey, ScopedKey* link) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(base, subKey.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE,
                    &opened) != ERROR_SUCCESS) {
    return false;
  }
  ScopedKey key(opened);
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key.Get(), "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) !=
          ERROR_SUCCESS ||
      type != REG_LINK) {
    return false;
  }
  *link = std::move(key);
  return true;
}

// Deleting a link by name would delete its target, so the link's own handle is
// deleted through the native call.
LONG DeleteLinkKey(HKEY link) {
  using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
  static const auto ntDeleteKey =
      reinterpret_cast<NtDeleteKeyFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey"));
  if (!ntDeleteKey) return ERROR_CALL_NOT_IMPLEMENTED;
  return ntDeleteKey(link) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

}  // namespace

DWORD PlatformTypeOf(RegDataKind kind) {
  const auto index = size_t(kind);
  return index < kPlatformTypes.size() ? kPlatformTypes[index] : REG_NONE;
}

RegDataKind KindOfPlatformType(DWORD type) {
  switch (type) {
    case REG_NONE: return RegDataKind::kNone;
    case REG_SZ: return RegDataKind::kString;
    case REG_EXPAND_SZ: return RegDataKind::kExpandString;
    case REG_BINARY: return RegDataKind::kBinary;
    case REG_DWORD: return RegDataKind::kDword;
    case REG_DWORD_BIG_ENDIAN: return RegDataKind::kDwordBigEndian;
    case REG_LINK: return RegDataKind::kLink;
    case REG_MULTI_SZ: return RegDataKind::kMultiString;
    case REG_RESOURCE_LIST: return RegDataKind::kResourceList;
    case REG_FULL_RESOURCE_DESCRIPTOR: return RegDataKind::kFullResourceDescriptor;
    case REG_RESOURCE_REQUIREMENTS_LIST: return RegDataKind::kResourceRequirementsList;
    default: return RegDataKind::kUnknown;
  }
}

RegistryError::RegistryError(Reason reason, const std::string& valueName, LONG status)
    : std::runtime_error(FormatMessage(reason, valueName)), reason_(reason), status_(status) {}

RegistrySession::RegistrySession() = default;

RegistrySession::~RegistrySession() {
  CloseKey();
}

void RegistrySession::SetRoot(HKEY root) {
  if (root == root_) return;
  root_ = root;
  CloseKey();
}

void RegistrySession::CloseKey() {
  current_.Close();
  currentPath_.clear();
}

bool RegistrySession::Fail(LONG status) {
  lastError_ = status;
  return false;
}

RegistrySession::Target RegistrySession::Split(const std::string& path) const {
  if (!path.empty() && path.front() == '\\') return {root_, path.substr(1)};
  return {current_ ? current_.Get() : root_, path};
}

bool RegistrySession::OpenKey(const std::string& path, bool canCreate) {
  const Target target = Split(path);
  HKEY opened = nullptr;
  LONG status = ERROR_SUCCESS;
  if (!canCreate || target.subKey.empty()) {
    status = OpenGraded(target.base, target.subKey, &opened);
  } else {
    for (REGSAM access : {kAllAccess, kReadWrite}) {
      status = RegCreateKeyExA(target.base, target.subKey.c_str(), 0, nullptr,
                               REG_OPTION_NON_VOLATILE, access, nullptr, &opened, nullptr);
      if (status == ERROR_SUCCESS) break;
    }
  }
  if (status != ERROR_SUCCESS) return Fail(status);

  const bool relativeToOpenKey = !path.empty() && path.front() != '\\' && current_;
  currentPath_ = relativeToOpenKey ? currentPath_ + "\\" + path : target.subKey;
  current_.Reset(opened);
  lastError_ = ERROR_SUCCESS;
  return true;
}

LONG RegistrySession::OpenGraded(HKEY base, const std::string& subKey, HKEY* opened) {
  LONG status = ERROR_SUCCESS;
  // Lesser rights help only a key that refuses the greater ones: a key that
  // is not there is not there at any level, and asking twice more for it
  // would triple the cost of every missing key a scan looks for.
  for (REGSAM access : {kAllAccess, kReadWrite, kReadOnly}) {
    status = RegOpenKeyExA(base, subKey.c_str(), 0, access, opened);
    if (status != ERROR_ACCESS_DENIED) break;
  }
  lastError_ = status;
  return status;
}

bool RegistrySession::OpenKeyToRead(const std::string& path) {
  const Target target = Split(path);
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExA(target.base, target.subKey.c_str(), 0, kReadOnly, &opened);
  if (status != ERROR_SUCCESS) return Fail(status);
  const bool relativeToOpenKey = !path.empty() && path.front() != '\\' && current_;
  currentPath_ = relativeToOpenKey ? currentPath_ + "\\" + path : target.subKey;
  current_.Reset(opened);
  lastError_ = ERROR_SUCCESS;
  return true;
}

ScopedKey RegistrySession::OpenFallbacks(HKEY base, const std::string& subKey) {
  HKEY opened = nullptr;
  const LONG status = OpenGraded(base, subKey, &opened);
  if (status == ERROR_SUCCESS) return ScopedKey(opened);
  // Only a key that is there but closed to the user is worth the
  // backup/restore semantics, which succeed only while the process holds the
  // backup or restore privilege. They are asked of an open, never of a
  // create-or-open, so that nothing is created at any depth.
  if (status != ERROR_ACCESS_DENIED) return ScopedKey();
  for (REGSAM access : {REGSAM(KEY_QUERY_VALUE), REGSAM(KEY_WRITE)})
    if (RegOpenKeyExA(base, subKey.c_str(), REG_OPTION_BACKUP_RESTORE, access, &opened) ==
        ERROR_SUCCESS)
      return ScopedKey(opened);
  return ScopedKey();
}

ScopedKey RegistrySession::OpenKeyHandle(const std::string& path) {
  const Target target = Split(path);
  return OpenFallbacks(target.base, target.subKey);
}

bool RegistrySession::KeyPresent(const std::string& path) {
  const Target target = Split(path);
  HKEY opened = nullptr;
  const LONG status = OpenGraded(target.base, target.subKey, &opened);
  if (status == ERROR_SUCCESS) RegCloseKey(opened);
  // The platform answers "denied" only for a key that is there.
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

bool RegistrySession::KeyIsLink(const std::string& path) {
  const Target target = Split(path);
  ScopedKey link;
  return !target.subKey.empty() && OpenIfLink(target.base, target.subKey, &link);
}

bool RegistrySession::DeleteKeyTree(const std::string& path) {
  const Target target = Split(path);
  return DeleteTreeAt(target.base, target.subKey);
}

bool RegistrySession::DeleteTreeAt(HKEY base, const std::string& subKey) {
  // Deleting the root key itself is never meant: an empty name would make the
  // walk below empty the whole base.
  if (subKey.empty()) return Fail(ERROR_INVALID_PARAMETER);

  ScopedKey link;
  if (OpenIfLink(base, subKey, &link)) {
    const LONG status = DeleteLinkKey(link.Get());
    return status == ERROR_SUCCESS ? true : Fail(status);
  }

  if (ScopedKey key = OpenFallbacks(base, subKey)) {
    // Names are collected first: deleting while enumerating shifts the indexes.
    // A list cut short leaves sub-keys behind, and the key's deletion then fails.
    LONG status = ERROR_SUCCESS;
    for (const std::string& name : SubKeyNames(key.Get(), &status)) DeleteTreeAt(key.Get(), name);
  }
  const LONG status = RegDeleteKeyA(base, subKey.c_str());
  if (status != ERROR_SUCCESS) return Fail(status);
  lastError_ = ERROR_SUCCESS;
  return true;
}

bool RegistrySession::SaveKeyToFile(const std::string& path, const std::string& fileName) {
  ScopedKey key = OpenKeyHandle(path);
  if (!key) return false;
  const LONG status = RegSaveKeyA(key.Get(), fileName.c_str(), nullptr);
  return status == ERROR_SUCCESS ? true : Fail(status);
}

bool RegistrySession::ReplaceKeyFromFile(const std::string& path, const std::string& newFile,
                                         const std::string& backupFile) {
  const Target target = Split(path);
  const LONG status =
      RegReplaceKeyA(target.base, target.subKey.c_str(), newFile.c_str(), backupFile.c_str());
  return status == ERROR_SUCCESS ? true : Fail(status);
}

std::optional<RegKeyInfo> RegistrySession::ReadKeyInfo() {
  LONG status = ERROR_SUCCESS;
  std::optional<RegKeyInfo> info = QueryKeyInfo(current_.Get(), &status);
  if (!info) Fail(status);
  return info;
}

std::vector<std::string> RegistrySession::ListSubKeys() {
  return SubKeyNames(current_.Get(), &lastError_);
}

std::vector<std::string> RegistrySession::ListValueNames() {
  return ValueNames(current_.Get(), &lastError_);
}

std::vector<RegListedValue> RegistrySession::ListValues(uint32_t dataCapacity) {
  return ListValuesUpTo(dataCapacity, MAXDWORD);
}

RegistrySession::Contents RegistrySession::ReadContents(uint32_t dataCapacity) {
  Contents contents;
  const std::optional<RegKeyInfo> info = ReadKeyInfo();
  if (!info) {
    contents.subKeys = ListSubKeys();
    contents.values = ListValues(dataCapacity);
    return contents;
  }
  if (info->subKeyCount > 0)
    contents.subKeys = SubKeyNames(current_.Get(), &lastError_, info->subKeyCount);
  if (info->valueCount > 0) contents.values = ListValuesUpTo(dataCapacity, info->valueCount);
  return contents;
}

std::vector<RegListedValue> RegistrySession::ListValuesUpTo(uint32_t dataCapacity, DWORD count) {
  std::vector<RegListedValue> values;
  std::string name(kFirstNameBuffer, '\0');
  std::string data(size_t(dataCapacity) + 1, '\0');
  lastError_ = ERROR_SUCCESS;
  for (DWORD index = 0; index < count; ++index) {
    RegListedValue value;
    DWORD nameLength = DWORD(name.size());
    DWORD size = DWORD(data.size());
    LONG status = RegEnumValueA(current_.Get(), index, name.data(), &nameLength, nullptr,
                                &value.type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_MORE_DATA) {
      // The name or the data did not fit: the name again in full, and the
      // data's size only.
      name.assign(NameBytes(kMaxValueNameChars) + 1, '\0');
      nameLength = DWORD(name.size());
      status = RegEnumValueA(current_.Get(), index, name.data(), &nameLength, nullptr, &value.type,
                             nullptr, &size);
      value.name.assign(name.data(), std::min<size_t>(nameLength, name.size()));
      value.size = size;
      if (status == ERROR_SUCCESS && size <= dataCapacity) {
        // Only the name was long: its data is read by name.
        DWORD type = REG_NONE;
        DWORD got = size;
        status = RegQueryValueExA(current_.Get(), value.name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &got);
        if (status == ERROR_SUCCESS) {
          value.type = type;
          value.size = got;
          value.data.assign(data.data(), got);
          value.complete = true;
        } else {
          status = ERROR_SUCCESS;
        }
      }
    } else if (status == ERROR_SUCCESS) {
      value.name.assign(name.data(), std::min<size_t>(nameLength, name.size()));
      value.size = size;
      value.data.assign(data.data(), std::min<size_t>(size, data.size()));
      value.complete = true;
    }
    if (status != ERROR_SUCCESS) {
      lastError_ = status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status;
      return values;
    }
    values.push_back(std::move(value));
  }
  return values;
}

std::optional<RegRawValue> RegistrySession::QueryValue(const std::string& name) {
  RegRawValue value;
  value.data.assign(kFirstNameBuffer, '\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = DWORD(value.data.size());
    const LONG status = RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &value.type,
                                         reinterpret_cast<BYTE*>(value.data.data()), &size);
    if (status == ERROR_SUCCESS) {
      value.data.resize(size);
      return value;
    }
    if (status != ERROR_MORE_DATA) {
      Fail(status);
      return std::nullopt;
    }
    value.data.assign(size_t(size) + 1, '\0');
  }
  Fail(ERROR_MORE_DATA);
  return std::nullopt;
}

bool RegistrySession::HasChildKeys() {
  const std::optional<RegKeyInfo> info = ReadKeyInfo();
  return info && info->subKeyCount > 0;
}

bool RegistrySession::RemoveValue(const std::string& name) {
  const LONG status = RegDeleteValueA(current_.Get(), name.c_str());
  return status == ERROR_SUCCESS ? true : Fail(status);
}

std::optional<RegValueInfo> RegistrySession::ValueInfo(const std::string& name) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  const LONG status =
      RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) {
    Fail(status);
    return std::nullopt;
  }
  return RegValueInfo{KindOfPlatformType(type), size};
}

bool RegistrySession::ValuePresent(const std::string& name) {
  return ValueInfo(name).has_value();
}

int RegistrySession::ValueSize(const std::string& name) {
  const std::optional<RegValueInfo> info = ValueInfo(name);
  return info ? int(info->size) : -1;
}

RegDataKind RegistrySession::ValueKind(const std::string& name) {
  const std::optional<RegValueInfo> info = ValueInfo(name);
  return info ? info->kind : RegDataKind::kUnknown;
}

RegValueInfo RegistrySession::FetchValue(const std::string& name, void* buffer, uint32_t capacity) {
  DWORD type = REG_NONE;
  DWORD size = capacity;
  const LONG status = RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &type,
                                       static_cast<BYTE*>(buffer), &size);
  if (status != ERROR_SUCCESS) throw RegistryError(RegistryError::Reason::GetFailed, name, status);
  return RegValueInfo{KindOfPlatformType(type), size};
}

void RegistrySession::StoreValue(const std::string& name, const void* data, uint32_t size,
                                 RegDataKind kind) {
  const LONG status = RegSetValueExA(current_.Get(), name.c_str(), 0, PlatformTypeOf(kind),
                                     static_cast<const BYTE*>(data), size);
  if (status != ERROR_SUCCESS) throw RegistryError(RegistryError::Reason::SetFailed, name, status);
}

std::string RegistrySession::ReadText(const std::string& name) {
  int size = ValueSize(name);
  if (size <= 0) return "";
  // The size asked first may fall short of the text: it can count the
  // UTF-16 bytes stored, while under UTF-8 a character stored in two bytes
  // can take three. The read that falls short says what it needs.
  for (int attempt = 0;; ++attempt) {
    // One spare NUL: text stored without its terminator, or with an odd byte
    // count, still ends inside the buffer.
    std::string buffer(size_t(size) + 1, '\0');
    DWORD type = REG_NONE;
    DWORD got = DWORD(size);
    const LONG status = RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (status == ERROR_MORE_DATA && attempt < 8) {
      size = int(std::max<DWORD>(got, DWORD(size) * 2));
      continue;
    }
    if (status != ERROR_SUCCESS)
      throw RegistryError(RegistryError::Reason::GetFailed, name, status);
    if (!StringKinds.Contains(KindOfPlatformType(type)))
      throw RegistryError(RegistryError::Reason::InvalidType, name);
    buffer.resize(strnlen(buffer.data(), std::min<size_t>(got, size_t(size))));
    return buffer;
  }
}

int32_t RegistrySession::ReadDword(const std::string& name) {
  uint32_t value = 0;
  const RegValueInfo got = FetchValue(name, &value, sizeof(value));
  if (got.kind != RegDataKind::kDword)
    throw RegistryError(RegistryError::Reason::InvalidType, name);
  return int32_t(value);
}

uint32_t RegistrySession::ReadBinary(const std::string& name, void* buffer, uint32_t capacity) {
  const std::optional<RegValueInfo> info = ValueInfo(name);
  if (!info) return 0;
  if (info->kind != RegDataKind::kBinary || info->size > capacity)
    throw RegistryError(RegistryError::Reason::InvalidType, name);
  return FetchValue(name, buffer, capacity).size;
}

uint32_t RegistrySession::ReadRaw(const std::string& name, void* buffer, uint32_t capacity) {
  if (!ValueInfo(name)) return 0;
  return FetchValue(name, buffer, capacity).size;
}

namespace {

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Most values are short: a first read into a buffer of this size answers in
// one call what the size query and the read would answer in two.
constexpr DWORD kFirstReadBytes = 512;

// Whether the text of a value survives the active code page: the ANSI calls
// turn characters outside it into a stand-in ("?" in an older system's code
// page, U+FFFD for a lone surrogate under UTF-8), and text read that way
// cannot be written back as it was.
bool TextFitsCodePage(HKEY key, const std::string& name) {
  const std::wstring wideName = WideFromText(name);
  std::wstring text(kFirstReadBytes / sizeof(wchar_t), L'\0');
  DWORD got = kFirstReadBytes;
  LONG status = RegQueryValueExW(key, wideName.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(text.data()), &got);
  // The value may grow between the reads: ask again.
  for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
    text.assign(got / sizeof(wchar_t) + 1, L'\0');
    got = DWORD(text.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key, wideName.c_str(), nullptr, nullptr,
                              reinterpret_cast<BYTE*>(text.data()), &got);
  }
  if (status != ERROR_SUCCESS) return false;
  bool exact = true;
  TextFromWide(std::wstring_view(text.data(), got / sizeof(wchar_t)), &exact);
  return exact;
}

}  // namespace

std::optional<RegRawValue> RegistrySession::ReadTypedValue(const std::string& name) {
  RegRawValue value;
  DWORD size = kFirstReadBytes;
  LONG status = ERROR_SUCCESS;
  // The value may grow between a read that finds it too long and the next:
  // ask again.
  for (int attempt = 0; attempt < 9 && status == ERROR_SUCCESS; ++attempt) {
    value.data.assign(size_t(size) + 2, '\0');
    DWORD got = size;
    status = RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.data.data()), &got);
    if (status == ERROR_SUCCESS) {
      value.data.resize(got);
      if (IsTextType(value.type) && !TextFitsCodePage(current_.Get(), name))
        throw RegistryError(RegistryError::Reason::GetFailed, name, ERROR_NO_UNICODE_TRANSLATION);
      return value;
    }
    if (status == ERROR_MORE_DATA) {
      size = got;
      status = ERROR_SUCCESS;
    }
  }
  if (status == ERROR_FILE_NOT_FOUND) {
    Fail(status);
    return std::nullopt;
  }
  throw RegistryError(RegistryError::Reason::GetFailed, name, status);
}

void RegistrySession::WriteTypedValue(const std::string& name, DWORD type,
                                      const std::string& data) {
  const LONG status =
      RegSetValueExA(current_.Get(), name.c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  if (status != ERROR_SUCCESS) throw RegistryError(RegistryError::Reason::SetFailed, name, status);
}

std::optional<RegRawValue> RegistrySession::ReadStoredValue(const std::string& name) {
  const std::wstring wideName = WideFromText(name);
  RegRawValue value;
  DWORD size = kFirstReadBytes;
  LONG status = ERROR_SUCCESS;
  // The value may grow between a read that finds it too long and the next.
  for (int attempt = 0; attempt < 9 && status == ERROR_SUCCESS; ++attempt) {
    value.data.assign(size_t(size), '\0');
    DWORD got = size;
    status = RegQueryValueExW(current_.Get(), wideName.c_str(), nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.data.data()), &got);
    if (status == ERROR_SUCCESS) {
      value.data.resize(got);
      return value;
    }
    if (status == ERROR_MORE_DATA) {
      size = got;
      status = ERROR_SUCCESS;
    }
  }
  if (status == ERROR_FILE_NOT_FOUND) {
    Fail(status);
    return std::nullopt;
  }
  throw RegistryError(RegistryError::Reason::GetFailed, name, status);
}

void RegistrySession::WriteStoredValue(const std::string& name, DWORD type,
                                       const std::string& data) {
  const LONG status =
      RegSetValueExW(current_.Get(), WideFromText(name).c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  if (status != ERROR_SUCCESS) throw RegistryError(RegistryError::Reason::SetFailed, name, status);
}

void RegistrySession::WriteText(const std::string& name, const std::string& text) {
  StoreValue(name, text.c_str(), uint32_t(text.size() + 1), RegDataKind::kString);
}

void RegistrySession::WriteExpandText(const std::string& name, const std::string& text) {
  StoreValue(name, text.c_str(), uint32_t(text.size() + 1), RegDataKind::kExpandString);
}

void RegistrySession::WriteMultiText(const std::string& name, const std::string& text) {
  StoreValue(name, text.c_str(), uint32_t(text.size() + 1), RegDataKind::kMultiString);
}

void RegistrySession::WriteDword(const std::string& name, uint32_t value) {
  StoreValue(name, &value, sizeof(value), RegDataKind::kDword);
}

void RegistrySession::WriteBinary(const std::string& name, const void* data, uint32_t size) {
  StoreValue(name, data, size, RegDataKind::kBinary);
}

std::string GetRegValue(const std::string& keyPath, const std::string& valueName) {
  const std::string notAString = "**-the-value-is-not-a-string-**";
  std::string rest = keyPath;
  RegistrySession registry;
  registry.SetRoot(SplitLongRoot(rest));
  if (!registry.OpenKey(rest, false)) return notAString;
  const RegDataKind kind = registry.ValueKind(valueName);
  try {
    if (StringKinds.Contains(kind)) return registry.ReadText(valueName);
    if (kind == RegDataKind::kDword) return std::to_string(registry.ReadDword(valueName));
  } catch (const RegistryError&) {
    // The value changed or went between the two reads.
  }
  return notAString;
}

}  // namespace hvm
