#include "engine/results/protected_keys.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "engine/core/problem_line.h"
#include "engine/core/registry_paths.h"
#include "engine/core/text_case.h"

namespace hvm {

const std::array<std::string_view, 22> ProtectedKeys = {
    "HKCR\\CLSID\\{3DA165B6-CC41-11d2-BDC6-00C04F79EC6B}\\ProgID",
    "HKCR\\cil8tsfile\\shell",
    "HKCR\\sabxfhfile\\shell",
    "HKCR\\CLSID\\{8402B910-5B27-4c2b-A68A-351E323379D1}\\InprocServer",
    "HKLM\\SOFTWARE\\CLASSES\\JTPFILE",
    "HKLM\\Software\\Adobe\\Repair\\Adobe Acrobat\\7.0\\IOD",
    "HKLM\\Software\\Adobe\\Adobe Acrobat\\7.0\\Installer\\Updates",
    "HKCR\\AppID\\Acrobat.exe",
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths",
    "HKLM\\SOFTWARE\\Symantec\\Norton AntiVirus\\Quarantine",
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\SPBBCDrv\\Parameters",
    "HKLM\\SYSTEM\\ControlSet001\\Services\\SPBBCDrv\\Parameters",
    "HKLM\\SYSTEM\\ControlSet002\\Services\\SPBBCDrv\\Parameters",
    "HKCR\\CLSID\\{92187326-72B4-11d0-A1AC-0000F8026977}\\ProgID",
    "HKLM\\SOFTWARE\\Roxio\\Common SDK\\Project\\Locations\\{B804FC0E-368D-4DD6-B6B4-152B464BE649}",
    "HKLM\\SOFTWARE\\Roxio\\Common SDK\\Project\\Locations\\{F72BAC3D-503E-4ddb-836A-DE99664B71CE}",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet002\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet003\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet004\\Control\\Session Manager\\Memory Management",
    "HKLM\\SOFTWARE\\Hewlett-Packard\\DigitalImaging",
};

bool IsProtectedKey(std::string_view keyText) {
  // Asked for every problem a scan reports: the table is upper-cased once.
  static const std::vector<std::string> upperKeys = [] {
    std::vector<std::string> keys;
    for (std::string_view entry : ProtectedKeys) keys.push_back(UpperCase(entry));
    return keys;
  }();
  // The table is written with short root names; repair and restore pass long ones.
  std::string path(keyText);
  HKEY root = SplitLongRoot(path);
  const std::string key = UpperCase(root ? RootToShortRootSt(root) + path : std::string(keyText));
  return std::any_of(upperKeys.begin(), upperKeys.end(), [&](const std::string& entry) {
    return key.find(entry) != std::string::npos;
  });
}

namespace {

// Patterns of the keys a repair never deletes whole. No scan reports one: a
// hand-made problem list naming one would take the whole system part below it
// (the drivers and services of a control set, every class registration, every
// program's settings), which no undo snapshot makes up for. "*" stands for one
// key name of any spelling (a user's hive under HKU), "#" for digits.
// The hives themselves and the roots are refused before this list is asked.
constexpr std::string_view kSoftwareTrees[] = {"HKLM\\Software", "HKLM\\Software\\Wow6432Node",
                                               "HKCU\\Software", "HKU\\*\\Software"};
constexpr std::string_view kSoftwareKeys[] = {"",
                                              "\\Classes",
                                              "\\Microsoft",
                                              "\\Policies",
                                              "\\Microsoft\\Windows",
                                              "\\Microsoft\\Windows\\CurrentVersion",
                                              "\\Microsoft\\Windows NT",
                                              "\\Microsoft\\Windows NT\\CurrentVersion"};
constexpr std::string_view kClassRoots[] = {"HKCR", "HKLM\\Software\\Classes",
                                            "HKCU\\Software\\Classes", "HKU\\*\\Software\\Classes",
                                            "HKU\\*_Classes"};
constexpr std::string_view kClassKeys[] = {"\\CLSID", "\\Interface", "\\TypeLib", "\\AppID"};
constexpr std::string_view kControlSets[] = {"HKLM\\SYSTEM\\CurrentControlSet",
                                             "HKLM\\SYSTEM\\ControlSet#"};
constexpr std::string_view kControlSetKeys[] = {"", "\\Control", "\\Services", "\\Enum"};

// The key names of a key text, empty ones (doubled backslashes) left out.
std::vector<std::string> NamesOf(std::string_view keyText) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= keyText.size()) {
    const size_t end = std::min(keyText.find('\\', start), keyText.size());
    if (end > start) names.push_back(UpperCase(keyText.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

bool NameMatches(const std::string& pattern, const std::string& name) {
  if (pattern == "*") return true;
  if (!pattern.empty() && pattern.back() == '#') {
    const std::string stem = pattern.substr(0, pattern.size() - 1);
    return name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
           std::all_of(name.begin() + long(stem.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
  }
  if (pattern.size() > 1 && pattern.front() == '*')
    return name.size() >= pattern.size() &&
           name.compare(name.size() - (pattern.size() - 1), pattern.size() - 1,
                        pattern.substr(1)) == 0;
  return pattern == name;
}

bool Matches(const std::vector<std::string>& pattern, const std::vector<std::string>& names) {
  if (pattern.size() != names.size()) return false;
  for (size_t i = 0; i < names.size(); ++i)
    if (!NameMatches(pattern[i], names[i])) return false;
  return true;
}

std::vector<std::vector<std::string>> KeptWholePatterns() {
  std::vector<std::vector<std::string>> patterns;
  const auto add = [&](const auto& bases, const auto& tails) {
    for (std::string_view base : bases)
      for (std::string_view tail : tails)
        patterns.push_back(NamesOf(std::string(base) + std::string(tail)));
  };
  add(kSoftwareTrees, kSoftwareKeys);
  add(kClassRoots, kClassKeys);
  add(kControlSets, kControlSetKeys);
  return patterns;
}

}  // namespace

bool IsKeptWhole(std::string_view keyText) {
  static const std::vector<std::vector<std::string>> patterns = KeptWholePatterns();
  const std::vector<std::string> names = NamesOf(CanonicalKeyText(keyText));
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const auto& pattern) { return Matches(pattern, names); });
}

}  // namespace hvm
