#include "engine/backup/hive_names.h"

#include <algorithm>

#include "engine/core/text_case.h"

namespace hvm {
namespace {

constexpr std::string_view kUserPrefix = "\\REGISTRY\\USER";        // 14 characters
constexpr std::string_view kMachinePrefix = "\\REGISTRY\\MACHINE";  // 17 characters

// The key after `prefix`: it must start with a backslash and name something.
std::optional<std::string> KeyAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() + 1) return std::nullopt;
  if (UpperCase(name.substr(0, prefix.size())) != prefix) return std::nullopt;
  const std::string_view key = name.substr(prefix.size());
  if (key.front() != '\\') return std::nullopt;
  return std::string(key);
}

}  // namespace

std::optional<HiveKey> HiveKeyFromValueName(std::string_view name) {
  if (std::optional<std::string> key = KeyAfter(name, kUserPrefix))
    return HiveKey{HiveRoot::kUsers, *key};
  if (std::optional<std::string> key = KeyAfter(name, kMachinePrefix))
    return HiveKey{HiveRoot::kMachine, *key};
  return std::nullopt;
}

bool IsDefaultUserKey(std::string_view key) {
  return UpperCase(key) == "\\.DEFAULT";
}

bool IsUserHive(const HiveKey& hive) {
  return hive.root == HiveRoot::kUsers && !IsDefaultUserKey(hive.key);
}

std::string CutDevicePart(std::string_view path) {
  const std::string upper = UpperCase(path);
  size_t end = std::string::npos;
  const size_t disk = upper.find("\\HARDDISK");
  if (disk != std::string::npos) end = upper.find('\\', disk + 1);
  const size_t partition = upper.find("\\PARTITION");
  // A partition component right after the disk belongs to the device too.
  if (end != std::string::npos && partition != std::string::npos && partition <= end)
    end = upper.find('\\', partition + 1);
  if (end == std::string::npos) return std::string(path);
  return std::string(path.substr(end));
}

std::string LastPathComponent(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool UsableFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 ||
           std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
  });
}

std::vector<KnownHive> KnownHives(const std::string& userSid) {
  std::vector<KnownHive> hives = {
      {{HiveRoot::kMachine, "\\SOFTWARE"}, "software"},
      {{HiveRoot::kMachine, "\\SYSTEM"}, "system"},
      {{HiveRoot::kMachine, "\\SAM"}, "SAM"},
      {{HiveRoot::kMachine, "\\SECURITY"}, "SECURITY"},
      {{HiveRoot::kUsers, "\\.DEFAULT"}, "default"},
  };
  if (!userSid.empty()) hives.push_back({{HiveRoot::kUsers, "\\" + userSid}, "user0"});
  return hives;
}

}  // namespace hvm
