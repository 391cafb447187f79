// How the platform's hive list names hives and their files, and the names a
// backup folder gives them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hvm {

enum class HiveRoot { kMachine, kUsers };

// A hive's place in the registry: its root and its key below it, with a
// leading backslash ("\SOFTWARE", "\.DEFAULT", "\S-1-5-21-...").
struct HiveKey {
  HiveRoot root = HiveRoot::kMachine;
  std::string key;
  bool operator==(const HiveKey&) const = default;
};

// "\REGISTRY\USER\..." is a hive under HKEY_USERS, anything else of the
// form "\REGISTRY\MACHINE\..." one under HKEY_LOCAL_MACHINE. Nothing for a
// name too short to hold a key, or one whose key is not below the root.
std::optional<HiveKey> HiveKeyFromValueName(std::string_view name);

// Whether the key is the default user's hive, which keeps its own file name.
bool IsDefaultUserKey(std::string_view key);
// A user's hive (under HKEY_USERS, not the default user's): saved as "user<n>".
bool IsUserHive(const HiveKey& hive);

// The hive file's path with its device part cut off:
// \Device\HarddiskVolume1\WINDOWS\system32\config\software gives
// \WINDOWS\system32\config\software, and \Device\Harddisk0\Partition1\WINNT\x
// gives \WINNT\x. A path without a disk component is kept whole.
std::string CutDevicePart(std::string_view path);

// The text after the last backslash (the whole text when it has none).
std::string LastPathComponent(std::string_view path);

// Whether `name` can be a file directly inside the backup folder: not empty,
// not "." or "..", and none of \ / : * ? " < > | or control characters.
bool UsableFileName(std::string_view name);

// The hives a backup saves by name when the platform keeps no hive list, with
// the file names a hive list would have given them. `userSid` is the current
// user's; without it the user's hive is left out.
struct KnownHive {
  HiveKey hive;
  std::string fileName;
};
std::vector<KnownHive> KnownHives(const std::string& userSid);

}  // namespace hvm
