// RegistrySession: the one way Hivemend reads, writes and deletes registry keys
// and values. A session keeps a root key and at most one open current key;
// opens fall back from full access to read-only so that keys the user may only
// read still open. Opens and deletions report failure as false; value reads and
// writes raise RegistryError.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/scoped_handle.h"

namespace hvm {

// The value kinds; the number of each member is its position.
enum class RegDataKind : uint8_t {
  kUnknown,
  kNone,
  kString,
  kExpandString,
  kBinary,
  kDword,
  kDwordLittleEndian,
  kDwordBigEndian,
  kLink,
  kMultiString,
  kResourceList,
  kFullResourceDescriptor,
  kResourceRequirementsList,
};

// A small set of value kinds.
class RegKindSet {
 public:
  constexpr RegKindSet(std::initializer_list<RegDataKind> kinds) {
    for (RegDataKind kind : kinds) bits_ |= Bit(kind);
  }
  constexpr bool Contains(RegDataKind kind) const { return (bits_ & Bit(kind)) != 0; }

 private:
  static constexpr uint16_t Bit(RegDataKind kind) { return uint16_t(1u << unsigned(kind)); }
  uint16_t bits_ = 0;
};

// The kinds every section and GetRegValue treat as text.
inline constexpr RegKindSet StringKinds{RegDataKind::kString, RegDataKind::kExpandString,
                                        RegDataKind::kMultiString};

// The platform type a kind is written as, and the kind a platform type reads as
// (REG_DWORD reads as kDword; any type above 10 reads as kUnknown).
DWORD PlatformTypeOf(RegDataKind kind);
RegDataKind KindOfPlatformType(DWORD type);

// A value as the platform holds it: its type number and its bytes.
struct RegRawValue {
  DWORD type = REG_NONE;
  std::string data;
};

struct RegKeyInfo {
  uint32_t subKeyCount = 0;
  uint32_t maxSubKeyLen = 0;
  uint32_t valueCount = 0;
  uint32_t maxValueLen = 0;
  uint32_t maxDataLen = 0;
  FILETIME lastWriteTime{};
};

// One value as an enumeration gives it: its data only when it fits the
// capacity asked for.
struct RegListedValue {
  std::string name;
  DWORD type = REG_NONE;
  uint32_t size = 0;      // bytes of the data, read or not
  bool complete = false;  // `data` holds all of it
  std::string data;
};

struct RegValueInfo {
  RegDataKind kind = RegDataKind::kUnknown;
  uint32_t size = 0;
};

// Raised by value reads and writes. The message is one of three fixed texts
// with the value name in it; the Win32 status is kept where there was one.
class RegistryError : public std::runtime_error {
 public:
  enum class Reason { InvalidType, GetFailed, SetFailed };

  RegistryError(Reason reason, const std::string& valueName, LONG status = ERROR_SUCCESS);

  Reason reason() const { return reason_; }
  LONG status() const { return status_; }

 private:
  Reason reason_;
  LONG status_;
};

class RegistrySession {
 public:
  // Root HKEY_CURRENT_USER, no current key.
  RegistrySession();
  virtual ~RegistrySession();
  RegistrySession(const RegistrySession&) = delete;
  RegistrySession& operator=(const RegistrySession&) = delete;

  HKEY RootKey() const { return root_; }
  HKEY CurrentKey() const { return current_.Get(); }
  // Path of the current key below the root, without root name or leading
  // backslash; empty when no key is open.
  const std::string& CurrentPath() const { return currentPath_; }
  // Win32 status of the last open, delete or enumeration that failed (kept so
  // that a missing key can be told from a denied one); ERROR_SUCCESS otherwise.
  // After ListSubKeys or ListValueNames it tells a complete list
  // (ERROR_SUCCESS) from one cut short.
  LONG LastError() const { return lastError_; }

  // Selecting another root closes the current key; the same root keeps it.
  void SetRoot(HKEY root);
  void CloseKey();

  // Opens `path` as the current key, asking full access first and falling back
  // to read-only. With canCreate a missing key is created. On failure the
  // current key and path are unchanged.
  bool OpenKey(const std::string& path, bool canCreate);
  // Opens `path` as the current key for reading only: one request to the
  // system, where OpenKey may make three for a key the user may only read.
  // On failure the current key and path are unchanged.
  bool OpenKeyToRead(const std::string& path);
  // Opens `path` as a separate handle; a key the user is denied is opened
  // with backup/restore semantics (only while the process holds the backup or
  // restore privilege). Never creates a key at any depth.
  ScopedKey OpenKeyHandle(const std::string& path);
  // Whether the key at `path` exists; a key the user is denied is there too.
  // Creates nothing; LastError keeps the status of the open.
  bool KeyPresent(const std::string& path);
  // Whether the key at `path` is itself a symbolic link (not followed).
  bool KeyIsLink(const std::string& path);

  // Deletes the key with its whole sub-tree; true when the key itself went.
  // A key that is a symbolic link is deleted as a link; its target is kept.
  bool DeleteKeyTree(const std::string& path);
  // Writes the key to a hive file that must not exist yet.
  bool SaveKeyToFile(const std::string& path, const std::string& fileName);
  // Schedules a hive replacement for the next start of Windows.
  bool ReplaceKeyFromFile(const std::string& path, const std::string& newFile,
                          const std::string& backupFile);

  // Current key information; nothing when no key is open or the query fails.
  std::optional<RegKeyInfo> ReadKeyInfo();
  // Names of the current key's sub-keys or values, index 0 upward, stopping
  // at the first index the platform refuses. The default value is "".
  std::vector<std::string> ListSubKeys();
  std::vector<std::string> ListValueNames();
  // The current key's values with their types, and the data of those of at
  // most `dataCapacity` bytes, in one pass (one call a value, as a bare
  // walk makes). LastError tells a complete list from one cut short.
  std::vector<RegListedValue> ListValues(uint32_t dataCapacity);
  // The current key's sub-key names and its values (data of at most
  // `dataCapacity` bytes, as ListValues reads them), both lists bounded by
  // the counts the key reports, so that neither needs a call to find its end.
  struct Contents {
    std::vector<std::string> subKeys;
    std::vector<RegListedValue> values;
  };
  Contents ReadContents(uint32_t dataCapacity);
  bool HasChildKeys();
  bool RemoveValue(const std::string& name);

  // Values of the current key; an empty name is the default value.
  std::optional<RegValueInfo> ValueInfo(const std::string& name);
  bool ValuePresent(const std::string& name);
  int ValueSize(const std::string& name);
  RegDataKind ValueKind(const std::string& name);

  // Reads at most `capacity` bytes; a larger value raises "Failed to get data".
  RegValueInfo FetchValue(const std::string& name, void* buffer, uint32_t capacity);
  void StoreValue(const std::string& name, const void* data, uint32_t size, RegDataKind kind);

  // Text of a string kind, cut at the first NUL (a multi-string gives its first
  // string); a missing or empty value gives "".
  std::string ReadText(const std::string& name);
  int32_t ReadDword(const std::string& name);
  // Binary data that fits the buffer; 0 for a missing value.
  uint32_t ReadBinary(const std::string& name, void* buffer, uint32_t capacity);
  // Data of any kind that fits the buffer; 0 for a missing value.
  uint32_t ReadRaw(const std::string& name, void* buffer, uint32_t capacity);

  // The value's platform type and bytes, in one call for most values;
  // nothing when it does not exist or cannot be read (LastError says why).
  std::optional<RegRawValue> QueryValue(const std::string& name);
  // The whole value with its platform type, however large; nothing when the
  // value does not exist. Any other failure raises "Failed to get data", and
  // so does text the system code page cannot hold (it would read back changed).
  std::optional<RegRawValue> ReadTypedValue(const std::string& name);
  // Stores `data` as it is under the platform type `type`.
  void WriteTypedValue(const std::string& name, DWORD type, const std::string& data);
  // The value byte for byte as the platform stores it: the text kinds as
  // their UTF-16LE bytes, however few of their characters the active code
  // page holds (and text with a lone surrogate or an odd length too);
  // nothing when it does not exist. Any other failure raises "Failed to get
  // data".
  std::optional<RegRawValue> ReadStoredValue(const std::string& name);
  // Stores `data` byte for byte under `type`: text kinds as UTF-16LE bytes.
  void WriteStoredValue(const std::string& name, DWORD type, const std::string& data);

  void WriteText(const std::string& name, const std::string& text);
  void WriteExpandText(const std::string& name, const std::string& text);
  // `text` holds the strings with their NUL separators and the final empty
  // string; one more NUL is stored after it.
  void WriteMultiText(const std::string& name, const std::string& text);
  void WriteDword(const std::string& name, uint32_t value);
  void WriteBinary(const std::string& name, const void* data, uint32_t size);

 private:
  struct Target {
    HKEY base;
    std::string subKey;
  };
  Target Split(const std::string& path) const;
  // RegOpenKeyExA at full, read-write and read-only access in turn; the status
  // of the last attempt, also kept in LastError.
  LONG OpenGraded(HKEY base, const std::string& subKey, HKEY* opened);
  ScopedKey OpenFallbacks(HKEY base, const std::string& subKey);
  std::vector<RegListedValue> ListValuesUpTo(uint32_t dataCapacity, DWORD count);
  bool DeleteTreeAt(HKEY base, const std::string& subKey);
  bool Fail(LONG status);

  HKEY root_ = HKEY_CURRENT_USER;
  ScopedKey current_;
  std::string currentPath_;
  LONG lastError_ = ERROR_SUCCESS;
};

// The value of a key rendered as text: string kinds as their text, a DWORD in
// signed decimal, anything else (and a missing key or value) as
// "**-the-value-is-not-a-string-**". The key path must begin with a long root
// name. Never raises for a missing key or value.
std::string GetRegValue(const std::string& keyPath, const std::string& valueName);

}  // namespace hvm
