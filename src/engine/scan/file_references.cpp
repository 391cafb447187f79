#include "engine/scan/file_references.h"

#include <vector>

#include "engine/core/registry.h"
#include "engine/core/registry_paths.h"
#include "engine/core/text_case.h"
#include "engine/scan/file_tests.h"
#include "engine/scan/find_file.h"
#include "engine/scan/path_resolution.h"
#include "engine/scan/problem_rules.h"
#include "engine/scan/scan_driver.h"

namespace hvm {
namespace {

using M = WalkMode;

struct WalkEntry {
  const char* key;
  const char* base;  // "system", "fonts", a value name, "p" or ""
  WalkMode mode;
};

struct FileSection {
  int number;
  std::vector<WalkEntry> walks;
  bool fixedProgress;  // reserves 50 on the bar, taken when the section ends
};

// Both spellings of "Session Manager" and of "App Paths" occur in the wild.
const std::vector<FileSection>& FileSectionTable() {
  static const std::vector<FileSection> table{
      {10,
       {{"HKLM\\System\\CurrentControlSet\\Control\\SessionManager\\KnownDLLs", "system",
         M::fkValueFiles},
        {"HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs", "system",
         M::fkValueFiles},
        {"HKLM\\System\\CurrentControlSet\\Control\\SessionManager\\Known16DLLs", "system",
         M::fkValueFiles},
        {"HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Known16DLLs", "system",
         M::fkValueFiles}},
       true},
      {11,
       {{"HKLM\\System\\CurrentControlSet\\Services\\VxD", "StaticVxD", M::fkSubkeyValueFile}},
       true},
      {12,
       {{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\OpenGLdrivers", "system",
         M::fkValueFiles}},
       true},
      {13,
       {{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "p",
         M::fkValueNamePaths}},
       false},
      {14,
       {{"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start "
         "Menu2\\Programs",
         "system", M::fkStartMenuFolders}},
       true},
      {15,
       {{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "system", M::fkValueFiles},
        {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "system",
         M::fkValueFiles},
        {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "system", M::fkValueFiles}},
       true},
      {16, {{"HKLM\\Software\\Microsoft\\Windows\\Help", "", M::fkFolderValues}}, true},
      {17,
       {{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts", "fonts", M::fkValueFiles},
        {"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "fonts", M::fkValueFiles}},
       true},
      {18,
       {{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", "", M::fkAppPaths},
        {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\AppPaths", "", M::fkAppPaths}},
       true},
      {19,
       {{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Extensions", "system",
         M::fkValueFiles},
        {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Extensions", "system",
         M::fkValueFiles},
        {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts", "",
         M::fkEmptyExtensionKeys}},
       true},
      {20, {{"HKLM\\Software\\Microsoft\\Windows\\HTML Help", "", M::fkFolderValues}}, true},
      {21,
       {{"HKLM\\System\\CurrentControlSet\\Control\\InstalledFiles", "", M::fkValueNamePaths}},
       false},
      {22,
       {{"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache", "",
         M::fkUninstallCache},
        {"HKCU\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", "", M::fkValueNamePaths}},
       false},
  };
  return table;
}

std::string WithSlash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

// A value of another kind than text cannot name a file: it is left untested
// rather than read as text, so that one oddly typed value cannot end the scan.
std::string TextOrEmpty(RegistrySession& registry, const std::string& name) {
  if (!StringKinds.Contains(registry.ValueKind(name))) return "";
  return registry.ReadText(name);
}

// No sub-keys, and no values or just one unnamed one.
bool HoldsNothing(RegistrySession& registry) {
  const std::vector<std::string> values = registry.ListValueNames();
  return !registry.HasChildKeys() && (values.empty() || (values.size() == 1 && values[0].empty()));
}

std::string LongRootPath(const std::string& shortPath) {
  std::string rest = shortPath;
  const HKEY root = SplitShortRoot(rest);
  return RootToRootSt(root) + rest;
}

}  // namespace

// One run of FindBadFileKeys.
struct FileReferenceSections::Walk {
  std::string keyPath;  // as given, with its short root name
  std::string subPath;  // without the root, beginning with a backslash
  HKEY root = nullptr;
  std::string base;
  RegistrySession registry;
  std::vector<std::string> names;
};

FileReferenceSections::FileReferenceSections(ScanDriver& driver, ValueRemover& remover,
                                             FileScanEnvironment env)
    : driver_(driver), remover_(remover), env_(std::move(env)) {}

void FileReferenceSections::ScanFileReferences() {
  for (const FileSection& section : FileSectionTable()) {
    const bool goOn = driver_.RunSection(section.number, [&] {
      try {
        for (const WalkEntry& walk : section.walks) {
          std::string base = walk.base;
          if (base == "system") base = env_.systemFolder;
          if (base == "fonts") base = env_.windowsFolder + "Fonts\\";
          FindBadFileKeys(walk.key, base, walk.mode);
        }
      } catch (...) {
        if (section.fixedProgress) driver_.AdvanceProgress(50);
        throw;
      }
      if (section.fixedProgress) driver_.AdvanceProgress(50);
    });
    if (!goOn) return;
  }
}

void FileReferenceSections::ReportKey(const Walk& walk, const std::string& name,
                                      const ProblemReason& reason) {
  driver_.AddItemToResultsList(walk.keyPath + "\\" + name, reason);
}

void FileReferenceSections::ReportValue(const Walk& walk, const std::string& name,
                                        const ProblemReason& reason) {
  driver_.AddItemToResultsList(
      {walk.keyPath, name, false},
      walk.keyPath + "\\\\:" + name + " = " + GetRegValue(LongRootPath(walk.keyPath), name),
      reason);
}

void FileReferenceSections::RemoveStaleValue(const Walk& walk, const std::string& name,
                                             const std::string& data, const ProblemReason& reason) {
  const std::string line = walk.keyPath + "\\\\:" + name + " = " + data;
  // A scan asked only to look lists what it would otherwise remove.
  if (env_.readOnly) {
    driver_.Results().AddListedInsteadOfRemoved({walk.keyPath, name, false});
    return driver_.AddItemToResultsList({walk.keyPath, name, false}, line, reason);
  }
  if (remover_.ExportValue(walk.root, walk.subPath, name, driver_.CurrentSection()))
    driver_.Results().AddRemovedAtOnce(
        {driver_.CurrentSection(), line, reason, remover_.SnapshotName()});
}

void FileReferenceSections::FindBadFileKeys(const std::string& keyPath, const std::string& base,
                                            WalkMode mode) {
  Walk walk;
  walk.keyPath = keyPath;
  walk.subPath = keyPath;
  walk.root = SplitShortRoot(walk.subPath);
  walk.base = base;
  walk.registry.SetRoot(walk.root);
  if (!walk.registry.OpenKey(walk.subPath, false)) return;

  struct CantRemoveAtEnd {
    ~CantRemoveAtEnd() {
      if (!unattended && !readOnly) remover.WriteCantRemove();
    }
    ValueRemover& remover;
    bool unattended;
    bool readOnly;
  } atEnd{remover_, env_.unattended, env_.readOnly};

  driver_.SetCurrentKeyText(walk.subPath);
  if (driver_.StopPending()) return;
  const bool valueWalk =
      mode == M::fkValueFiles || mode == M::fkValueNamePaths || mode == M::fkFolderValues;
  walk.names = valueWalk ? walk.registry.ListValueNames() : walk.registry.ListSubKeys();
  if (walk.names.empty()) return;

  switch (mode) {
    case M::fkValueFiles: return ValueFiles(walk);
    case M::fkValueNamePaths: return ValueNamePaths(walk);
    case M::fkSubkeyValueFile: return SubkeyValueFile(walk);
    case M::fkAppPaths: return AppPaths(walk);
    case M::fkFolderValues: return FolderValues(walk);
    case M::fkEmptyExtensionKeys: return EmptyExtensionKeys(walk);
    case M::fkUninstallCache: return UninstallCache(walk);
    default: return StartMenuFolders(walk);
  }
}

void FileReferenceSections::ValueFiles(Walk& walk) {
  const std::string defaultFolder = TextOrEmpty(walk.registry, "");
  for (const std::string& name : walk.names) {
    driver_.View().PumpMessages();
    // A key whose own folder is gone cannot be judged value by value.
    if (!defaultFolder.empty() && !FolderExists(defaultFolder)) return;
    if (!StringKinds.Contains(walk.registry.ValueKind(name))) continue;
    const std::string data = walk.registry.ReadText(name);
    // The key's own folder first, then the one the list is kept for.
    const std::vector<std::string> folders{defaultFolder, walk.base};
    if (ValueFileExists(data, folders)) continue;
    RemoveStaleValue(walk, name, data, {rule::kFileMissing, ValueFileResolvedPath(data, folders)});
  }
}

void FileReferenceSections::ValueNamePaths(Walk& walk) {
  for (size_t i = 0; i < walk.names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    const std::string& name = walk.names[i];
    if (UpperCase(name) != "LANGID" && !SoftwareExists(name) && !FindFile(env_.windowsFolder, name))
      ReportValue(walk, name, {rule::kFileMissing, ResolvedPath(name)});
    if (walk.base == "p") driver_.AdvanceProgress(50);
  }
}

void FileReferenceSections::SubkeyValueFile(Walk& walk) {
  for (size_t i = 0; i < walk.names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    RegistrySession sub;
    sub.SetRoot(walk.root);
    if (!sub.OpenKey(walk.subPath + "\\" + walk.names[i], false)) continue;
    const std::string text = TextOrEmpty(sub, walk.base);
    if (!text.empty() && text.front() != '*' && !SoftwareExists(text))
      ReportKey(walk, walk.names[i], {rule::kFileMissing, ResolvedPath(text)});
  }
}

void FileReferenceSections::AppPaths(Walk& walk) {
  for (size_t i = 0; i < walk.names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    const std::string& name = walk.names[i];
    const std::string path = walk.subPath + "\\" + name;
    RegistrySession sub;
    sub.SetRoot(walk.root);
    if (!sub.OpenKey(path, false)) continue;
    driver_.SetCurrentKeyText(path);
    if (driver_.StopPending()) return;
    // A default of another kind (a number) names no program; a missing one
    // leaves the "Path" folder to tell where the program lives.
    const bool hasDefault = sub.ValuePresent("");
    if (hasDefault && !StringKinds.Contains(sub.ValueKind(""))) continue;
    const std::string text = hasDefault ? sub.ReadText("") : "";
    if (!text.empty()) {
      if (!SoftwareExists(text)) ReportKey(walk, name, {rule::kFileMissing, ResolvedPath(text)});
      continue;
    }
    const std::string folders = TextOrEmpty(sub, "Path");
    const std::string program = WithSlash(folders.substr(0, folders.find(';'))) + name;
    if (!SoftwareExists(program))
      ReportKey(walk, name, {rule::kFileMissing, ResolvedPath(program)});
  }
}

void FileReferenceSections::FolderValues(Walk& walk) {
  for (size_t i = 0; i < walk.names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    const std::string& name = walk.names[i];
    if (!StringKinds.Contains(walk.registry.ValueKind(name))) continue;
    const std::string file = WithSlash(walk.registry.ReadText(name)) + name;
    if (!SoftwareExists(file)) ReportValue(walk, name, {rule::kFileMissing, ResolvedPath(file)});
  }
}

void FileReferenceSections::EmptyExtensionKeys(Walk& walk) {
  for (size_t i = 0; i < walk.names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    const std::string& name = walk.names[i];
    const std::string path = walk.subPath + "\\" + name;
    driver_.SetCurrentKeyText(path);
    RegistrySession extension;
    extension.SetRoot(walk.root);
    if (extension.OpenKey(path, false) && HoldsNothing(extension))
      ReportKey(walk, name, {rule::kEmptyKey, walk.keyPath + "\\" + name});
    driver_.View().PumpMessages();
    driver_.SetCurrentKeyText(path + "\\OpenWithList");
    RegistrySession openWith;
    openWith.SetRoot(walk.root);
    if (openWith.OpenKey(path + "\\OpenWithList", false) && HoldsNothing(openWith))
      ReportKey(walk, name + "\\OpenWithList",
                {rule::kEmptyKey, walk.keyPath + "\\" + name + "\\OpenWithList"});
  }
}

void FileReferenceSections::UninstallCache(Walk& walk) {
  for (size_t i = 0; i < walk.names.size(); ++i) {
    const std::string uninstall =
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + walk.names[i];
    driver_.SetCurrentKeyText(uninstall);
    if (driver_.StopRequested(int(i))) return;
    RegistrySession registry;
    registry.SetRoot(walk.root);
    if (!registry.OpenKey(uninstall, false))
      ReportKey(walk, walk.names[i],
                {rule::kUninstallMissing, RootToShortRootSt(walk.root) + uninstall});
  }
}

void FileReferenceSections::StartMenuFolders(Walk& walk) {
  const char* shellFolders =
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  std::string common = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
  std::string user;
  RegistrySession folders;
  folders.SetRoot(HKEY_LOCAL_MACHINE);
  if (folders.OpenKey(shellFolders, false)) common = TextOrEmpty(folders, "Common Programs");
  folders.SetRoot(HKEY_CURRENT_USER);
  if (folders.OpenKey(shellFolders, false)) user = TextOrEmpty(folders, "Programs");

  for (size_t i = 0; i < walk.names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    const std::string& name = walk.names[i];
    const std::string commonFolder = WithSlash(common) + name;
    const std::string userFolder = WithSlash(user) + name;
    if (!FolderExists(commonFolder) && !FolderExists(userFolder))
      ReportKey(walk, name, {rule::kFolderMissing, commonFolder + "; " + userFolder});
  }
}

}  // namespace hvm
