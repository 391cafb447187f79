// The registry monitor's own read-only reader: it opens watched keys for
// reading and change notification only, lists their names, and asks the
// platform to signal an event on a change. It is the one place besides
// RegistrySession that calls the registry functions, because a monitor must work
// for a user who may read a key but not write it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/core/scoped_handle.h"

namespace hvm {

// Access for reading, enumeration and notification (KEY_READ).
inline constexpr REGSAM kMonitorAccess = KEY_READ;

// The names at the first level of a key, in the platform's enumeration order;
// the default value is the empty name.
struct KeyNameSet {
  std::vector<std::string> keys;
  std::vector<std::string> values;
};

// Opens `path` below `root` with `access`, creating nothing. The status of
// the platform's call is returned; `key` is set only on success.
[[nodiscard]] LONG OpenMonitoredKey(HKEY root, const std::string& path, REGSAM access,
                                    ScopedKey& key);

// A listing of a key's names, and whether it belongs to one moment: a key
// changed while it was listed may show a name twice or miss one that was
// there all along.
struct KeyListing {
  KeyNameSet names;
  bool settled = false;
};

// The sub-key and value names of an open key, listed up to `attempts` times
// until a listing is settled; the last listing otherwise. Nothing when the
// key cannot be listed (deleted meanwhile, say).
std::optional<KeyListing> ListKeyNames(HKEY key, int attempts);

// Opens root\path for reading and lists its names; nothing when it does not
// open or cannot be listed.
std::optional<KeyListing> ListKeyNames(HKEY root, const std::string& path, int attempts);

// Asks the platform to signal `event` on any change below `key` (the whole
// subtree; names, attributes, values and security). Returns its status.
[[nodiscard]] LONG RequestChangeNotification(HKEY key, HANDLE event);

}  // namespace hvm
