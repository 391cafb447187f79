#include "engine/core/registry_paths.h"

#include <string.h>

#include <array>

namespace hvm {
namespace {

struct RootName {
  HKEY root;
  std::string_view longName;
  std::string_view shortName;  // empty: no short name
  bool inPaths;                // recognised at the start of a path
};

const std::array<RootName, 7>& RootTable() {
  static const std::array<RootName, 7> table{{
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR", true},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU", true},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM", true},
      {HKEY_USERS, "HKEY_USERS", "HKU", true},
      {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", "", false},
      {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC", true},
      {HKEY_DYN_DATA, "HKEY_DYN_DATA", "HKDD", true},
  }};
  return table;
}

// A root name names the root only when a backslash or the end follows it:
// "HKEY_CURRENT_USEREnvironment" is a key name of its own, not HKCU\Environment.
bool StartsWithRoot(std::string_view text, std::string_view name) {
  return !name.empty() && text.size() >= name.size() &&
         _strnicmp(text.data(), name.data(), name.size()) == 0 &&
         (text.size() == name.size() || text[name.size()] == '\\');
}

}  // namespace

HKEY SplitLongRoot(std::string& path) {
  for (const RootName& entry : RootTable()) {
    if (entry.inPaths && StartsWithRoot(path, entry.longName)) {
      path.erase(0, entry.longName.size());
      return entry.root;
    }
  }
  return nullptr;
}

HKEY SplitShortRoot(std::string& path) {
  for (const RootName& entry : RootTable()) {
    if (entry.inPaths && StartsWithRoot(path, entry.shortName)) {
      path.erase(0, entry.shortName.size());
      return entry.root;
    }
  }
  return nullptr;
}

std::string RootToRootSt(HKEY root) {
  for (const RootName& entry : RootTable()) {
    if (entry.root == root) return std::string(entry.longName);
  }
  return "UNKNOWN";
}

std::string RootToShortRootSt(HKEY root) {
  for (const RootName& entry : RootTable()) {
    if (entry.root == root) return std::string(entry.shortName);
  }
  return "";
}

std::string RemoveSlash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

}  // namespace hvm
