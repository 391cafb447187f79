#include "engine/monitor/monitor_reader.h"

#include <algorithm>

namespace hvm {
namespace {

// Longest names the platform allows; buffers grow up to these on
// ERROR_MORE_DATA (a name longer than RegQueryInfoKey said, in a double-byte
// code page or because the key changed meanwhile).
constexpr DWORD kMaxKeyNameBytes = 2 * 255 + 1;
constexpr DWORD kMaxValueNameBytes = 2 * 16383 + 1;

struct KeyStamp {
  DWORD keys = 0;
  DWORD values = 0;
  FILETIME written{};
  bool operator==(const KeyStamp& other) const {
    return keys == other.keys && values == other.values &&
           written.dwLowDateTime == other.written.dwLowDateTime &&
           written.dwHighDateTime == other.written.dwHighDateTime;
  }
};

std::optional<KeyStamp> Stamp(HKEY key, DWORD* longestKey, DWORD* longestValue) {
  KeyStamp stamp;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &stamp.keys, longestKey, nullptr,
                       &stamp.values, longestValue, nullptr, nullptr,
                       &stamp.written) != ERROR_SUCCESS)
    return std::nullopt;
  return stamp;
}

// Names by index from 0 until the platform says there are no more; false
// when it stops with any other status (the list would be cut short).
template <class Enumerate>
bool ListNames(DWORD longest, DWORD limit, Enumerate enumerate, std::vector<std::string>& names) {
  std::string buffer(std::min(limit, 2 * longest + 2), '\0');
  for (DWORD index = 0;;) {
    DWORD length = DWORD(buffer.size());
    const LONG status = enumerate(index, buffer.data(), &length);
    if (status == ERROR_NO_MORE_ITEMS) return true;
    if (status == ERROR_MORE_DATA && buffer.size() < limit) {
      buffer.resize(std::min<size_t>(limit, buffer.size() * 2));
      continue;
    }
    if (status != ERROR_SUCCESS) return false;
    names.emplace_back(buffer.data(), length);
    ++index;
  }
}

std::optional<KeyNameSet> ListOnce(HKEY key, DWORD longestKey, DWORD longestValue) {
  KeyNameSet names;
  const bool keysListed = ListNames(
      longestKey, kMaxKeyNameBytes,
      [key](DWORD index, char* name, DWORD* length) {
        return RegEnumKeyExA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      names.keys);
  const bool valuesListed = ListNames(
      longestValue, kMaxValueNameBytes,
      [key](DWORD index, char* name, DWORD* length) {
        return RegEnumValueA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      names.values);
  if (!keysListed || !valuesListed) return std::nullopt;
  return names;
}

}  // namespace

LONG OpenMonitoredKey(HKEY root, const std::string& path, REGSAM access, ScopedKey& key) {
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExA(root, path.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS) key.Reset(opened);
  return status;
}

std::optional<KeyListing> ListKeyNames(HKEY key, int attempts) {
  std::optional<KeyListing> listing;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    DWORD longestKey = 0, longestValue = 0;
    const std::optional<KeyStamp> before = Stamp(key, &longestKey, &longestValue);
    if (!before) return std::nullopt;
    std::optional<KeyNameSet> names = ListOnce(key, longestKey, longestValue);
    DWORD ignoredKey = 0, ignoredValue = 0;
    const std::optional<KeyStamp> after = Stamp(key, &ignoredKey, &ignoredValue);
    if (!after) return std::nullopt;
    const bool settled = *before == *after;
    // An enumeration cut short by a change (an index gone) is tried again.
    if (!names) {
      if (settled) return std::nullopt;
      continue;
    }
    listing = KeyListing{std::move(*names), settled};
    if (settled) break;
  }
  return listing;
}

std::optional<KeyListing> ListKeyNames(HKEY root, const std::string& path, int attempts) {
  ScopedKey key;
  if (OpenMonitoredKey(root, path, kMonitorAccess, key) != ERROR_SUCCESS) return std::nullopt;
  return ListKeyNames(key.Get(), attempts);
}

LONG RequestChangeNotification(HKEY key, HANDLE event) {
  constexpr DWORD kEverything = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                                REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
  return RegNotifyChangeKeyValue(key, TRUE, kEverything, event, TRUE);
}

}  // namespace hvm
