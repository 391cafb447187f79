#include "engine/scan/broad_sections.h"

#include <cstring>
#include <vector>

#include "engine/core/registry.h"
#include "engine/scan/path_resolution.h"
#include "engine/scan/problem_rules.h"
#include "engine/scan/scan_driver.h"

namespace hvm {
namespace {

// Longer texts are not file references worth the cost of reading them.
constexpr int kLongestTestedText = 255;

// Visits one key: reports its stale values and returns its sub-key names.
// False when the walk is to end.
bool VisitKey(ScanDriver& driver, HKEY root, const std::string& rootText, const std::string& path,
              std::vector<std::string>* subKeys) {
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKeyToRead("\\" + path)) return true;
  driver.SetCurrentKeyText("\\" + path);
  if (driver.StopPending()) return false;
  driver.View().PumpMessages();
  // The values with the data of the short ones, read as the walk lists them.
  RegistrySession::Contents contents = registry.ReadContents(kLongestTestedText);
  *subKeys = std::move(contents.subKeys);
  for (const RegListedValue& value : contents.values) {
    if (driver.StopPending()) return false;
    driver.View().PumpMessages();
    const std::string& name = value.name;
    const bool shortText = StringKinds.Contains(KindOfPlatformType(value.type)) && value.complete &&
                           value.size <= kLongestTestedText;
    const std::string text =
        shortText ? value.data.substr(0, strnlen(value.data.data(), value.data.size())) : "~";
    // A value a read-only scan listed in place of removing it is gone for the
    // rest of the scan, as it would be.
    if (text != "~" && !SoftwareExists(text) &&
        !driver.Results().ListedInsteadOfRemoved(rootText + path, name))
      driver.AddItemToResultsList(
          {rootText + path, name, false},
          rootText + path + "\\\\:" + (name.empty() ? "(Default)" : name) + " = " + text,
          {rule::kFileMissing, ResolvedPath(text)});
  }
  return true;
}

struct CacheKey {
  HKEY root;
  const char* rootText;
  const char* path;
  enum { Values, StartupList, VxD } what;
};

}  // namespace

void WalkValueReferences(ScanDriver& driver, HKEY root, const std::string& rootText,
                         const std::string& path) {
  // Depth first, parent before children, children in listed order.
  std::vector<std::string> pending{path};
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    std::vector<std::string> subKeys;
    if (!VisitKey(driver, root, rootText, current, &subKeys)) return;
    for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it)
      if (!it->empty()) pending.push_back(current.empty() ? *it : current + "\\" + *it);
  }
}

void ScanFilePathReferences(ScanDriver& driver) {
  WalkValueReferences(driver, HKEY_LOCAL_MACHINE, "HKLM\\", "");
  WalkValueReferences(driver, HKEY_CURRENT_USER, "HKCU\\", "");
}

void ScanConfigurationCache(ScanDriver& driver) {
  const CacheKey keys[] = {
      {HKEY_CURRENT_USER, "HKCU", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-",
       CacheKey::Values},
      {HKEY_LOCAL_MACHINE, "HKLM", "\\Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg",
       CacheKey::StartupList},
      {HKEY_LOCAL_MACHINE, "HKLM", "\\Software\\Microsoft\\Shared Tools\\MSConfig\\startupfolder",
       CacheKey::StartupList},
      {HKEY_LOCAL_MACHINE, "HKLM", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-",
       CacheKey::Values},
      {HKEY_LOCAL_MACHINE, "HKLM", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices-",
       CacheKey::Values},
      {HKEY_LOCAL_MACHINE, "HKLM",
       "\\System\\CurrentControlSet\\Control\\SessionManager\\Environment-", CacheKey::Values},
      {HKEY_LOCAL_MACHINE, "HKLM", "\\System\\CurrentControlSet\\Services\\VxD", CacheKey::VxD},
  };
  for (const CacheKey& key : keys) {
    RegistrySession registry;
    registry.SetRoot(key.root);
    if (!registry.OpenKey(key.path, false)) continue;
    driver.SetCurrentKeyText(key.path);
    if (driver.StopPending()) return;
    const std::string longKey =
        std::string(key.root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") +
        key.path;
    const std::string keyText = std::string(key.rootText) + key.path;
    if (key.what == CacheKey::Values) {
      for (const std::string& name : registry.ListValueNames())
        driver.AddItemToResultsList({keyText, name, false},
                                    keyText + "\\\\:" + name + " = " + GetRegValue(longKey, name),
                                    {rule::kDisabledStartup, keyText});
      continue;
    }
    for (const std::string& name : registry.ListSubKeys()) {
      RegistrySession sub;
      sub.SetRoot(key.root);
      if (!sub.OpenKey(std::string(key.path) + "\\" + name, false)) continue;
      if (key.what == CacheKey::VxD && !sub.ValuePresent("StaticVxD-")) continue;
      driver.AddItemToResultsList(keyText + "\\" + name,
                                  {rule::kDisabledStartup, keyText + "\\" + name});
    }
  }
}

}  // namespace hvm
