#include "engine/backup/hive_backup.h"

#include <algorithm>

#include "engine/core/registry.h"
#include "engine/core/text_case.h"
#include "engine/scan/file_tests.h"
#include "engine/scan/short_names.h"
#include "engine/settings/file_text.h"
#include "engine/settings/ini_file.h"

namespace hvm {
namespace {

constexpr char kRunKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kSecuritySoftwareWarning[] =
    "Hivemend has detected the presence of Norton or Symantec.  These programs may crash your "
    "computer if you proceed with registry backup.\r\rPlease see Help for instructions on how to "
    "disable Norton and Symantec.\r\rProceed at your own risk.";

// One hive the walk is to handle, and the file it goes to or comes from.
struct PlannedHive {
  HiveKey hive;
  std::string fileName;
  // The hive file's path in device form; empty for a hive saved by name.
  std::string source;
  // Saved by name without a hive list: a registry that lacks it is no error.
  bool mayBeAbsent = false;
};

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

// The folder and every missing folder above it.
void CreateFolderPath(const std::string& folder) {
  for (size_t slash = folder.find('\\', 3); slash != std::string::npos;
       slash = folder.find('\\', slash + 1))
    CreateDirectoryA(folder.substr(0, slash).c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
}

HKEY RootKeyOf(HiveRoot root) {
  return root == HiveRoot::kMachine ? HKEY_LOCAL_MACHINE : HKEY_USERS;
}

bool IsTextKind(RegDataKind kind) {
  return kind == RegDataKind::kString || kind == RegDataKind::kExpandString;
}

// Windows XP, Server 2003 and Vista: these programs were known to crash the
// machine when its hives were replaced under them.
bool SecuritySoftwareStarts() {
  RegistrySession registry;
  registry.SetRoot(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(kRunKey, false)) return false;
  for (const std::string& name : registry.ListValueNames()) {
    if (!IsTextKind(registry.ValueKind(name))) continue;
    try {
      const std::string data = UpperCase(registry.ReadText(name));
      if (data.find("SYMANTEC") != std::string::npos || data.find("NORTON") != std::string::npos)
        return true;
    } catch (const RegistryError&) {
      // A value that cannot be read names no program.
    }
  }
  return false;
}

std::vector<PlannedHive> PlanFromHiveList(const std::vector<HiveListEntry>& list, HiveMode mode,
                                          const std::string& folder) {
  std::vector<PlannedHive> plan;
  int users = 0;
  for (const HiveListEntry& entry : list) {
    const std::optional<HiveKey> hive = HiveKeyFromValueName(entry.valueName);
    if (!hive) continue;
    std::string fileName = LastPathComponent(entry.file);
    if (mode == HiveMode::kReplace) {
      // A hive file named with a four-character extension was saved without it.
      if (!nFileExists(folder + "\\" + fileName)) {
        if (fileName.size() <= 4) continue;
        fileName.resize(fileName.size() - 4);
        if (!nFileExists(folder + "\\" + fileName)) continue;
      }
    } else if (IsUserHive(*hive)) {
      fileName = "user" + std::to_string(users++);
    }
    plan.push_back({*hive, fileName, entry.file, false});
  }
  return plan;
}

std::vector<PlannedHive> PlanFromKnownHives(const std::string& userSid, HiveMode mode,
                                            const std::string& folder) {
  std::vector<PlannedHive> plan;
  for (const KnownHive& known : KnownHives(userSid)) {
    // Replace mode puts users back from the description file's keys.
    if (mode == HiveMode::kReplace &&
        (IsUserHive(known.hive) || !nFileExists(folder + "\\" + known.fileName)))
      continue;
    plan.push_back({known.hive, known.fileName, {}, true});
  }
  return plan;
}

std::string CurrentUserSid(MachineControl& machine) {
  const std::unique_ptr<ProcessToken> token = machine.OpenProcessToken();
  return token ? token->UserSid() : std::string();
}

// "user" and a number: the name a save gives a user's hive.
bool IsUserFileName(const std::string& name) {
  const std::string upper = UpperCase(name);
  return upper.size() > 4 && upper.compare(0, 4, "USER") == 0 &&
         std::all_of(upper.begin() + 4, upper.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int CountUserFiles(const std::string& folder) {
  int count = 0;
  while (nFileExists(folder + "\\user" + std::to_string(count))) ++count;
  return count;
}

class Walk {
 public:
  Walk(HiveWalkContext& context, std::string folder, HiveMode mode)
      : context_(context), folder_(std::move(folder)), mode_(mode) {}

  HiveWalkResult Run() {
    if (mode_ == HiveMode::kSave) CreateFolderPath(folder_);
    std::string text;
    ReadFileText(DescriptionPath(), text);
    ini_ = IniFile::Parse(text);
    shortFolder_ = WithoutTrailingBackslash(ShortFileName(folder_)) + "\\";

    // Wine keeps the key but lists nothing in it: a list without a single
    // hive file is no list.
    const std::optional<std::vector<HiveListEntry>> list = ReadHiveList();
    result_.hiveListFound = list && !list->empty();
    const std::vector<PlannedHive> plan =
        result_.hiveListFound
            ? PlanFromHiveList(*list, mode_, folder_)
            : PlanFromKnownHives(CurrentUserSid(context_.machine), mode_, folder_);
    total_ =
        static_cast<int>(plan.size()) + (mode_ == HiveMode::kReplace ? CountUserFiles(folder_) : 0);

    bool stopped = false;
    for (const PlannedHive& planned : plan)
      if (!HandleHive(planned)) {
        stopped = true;
        break;
      }
    if (mode_ == HiveMode::kReplace && !stopped) ReplaceUsers();
    if (mode_ == HiveMode::kSave && !stopped && !result_.files.empty()) ForgetUsersNotSaved();
    if (mode_ == HiveMode::kSave && !result_.files.empty()) {
      ReplaceFileText(DescriptionPath(), ini_.Text());
      SetFileAttributesA(DescriptionPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    // A save that wrote nothing leaves no empty folder to be taken for a
    // backup (a folder with files in it is never removed).
    if (mode_ == HiveMode::kSave && result_.files.empty()) RemoveDirectoryA(folder_.c_str());
    result_.ok = result_.failedFile.empty() && !result_.files.empty();
    return result_;
  }

 private:
  std::string DescriptionPath() const { return folder_ + "\\" + kDescriptionFile; }

  void Step() {
    if (context_.pumpMessages) context_.pumpMessages();
  }
  void Advance() {
    ++done_;
    if (context_.progress) context_.progress(done_, total_);
  }

  bool Fail(const std::string& fileName, LONG status) {
    result_.failedFile = fileName;
    result_.status = status;
    return false;
  }

  // False when the walk must stop.
  bool HandleHive(const PlannedHive& planned) {
    Step();
    if (!UsableFileName(planned.fileName)) return Fail(planned.fileName, ERROR_INVALID_NAME);
    const std::string target = shortFolder_ + planned.fileName;
    const LONG status = SaveHive(context_, planned.hive.root, planned.hive.key, mode_, target);
    if (status == ERROR_FILE_NOT_FOUND && planned.mayBeAbsent) {
      Advance();
      return true;
    }
    if (status != ERROR_SUCCESS) return Fail(planned.fileName, status);
    if (mode_ == HiveMode::kSave) Describe(planned, target);
    result_.files.push_back(planned.fileName);
    Advance();
    return true;
  }

  void Describe(const PlannedHive& planned, const std::string& target) {
    if (!planned.source.empty()) {
      const std::string location = CutDevicePart(planned.source);
      ini_.WriteString("Location", planned.fileName, location);
      ini_.WriteString("ShortLocation", planned.fileName, ShortFileName(location));
    }
    ini_.WriteString("Key", planned.fileName, planned.hive.key);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  bool Saved(const std::string& fileName) const {
    return std::find(result_.files.begin(), result_.files.end(), fileName) != result_.files.end();
  }

  // A folder can be saved into again (the pack folder always is). A user's
  // hive an earlier save left there would be put back with this save's hives:
  // a user no longer loaded fails the whole replacement, and a user now saved
  // under another number would get the older hive over the newer one. So the
  // description forgets every user this save did not write, which alone keeps
  // the file from being scheduled should it resist deletion.
  void ForgetUsersNotSaved() {
    for (const char* section : {"Key", "Location", "ShortLocation"})
      for (const std::string& name : ini_.Keys(section))
        if (IsUserFileName(name) && !Saved(name)) ini_.DeleteKey(section, name);
    for (int n = 0;; ++n) {
      const std::string name = "user" + std::to_string(n);
      if (Saved(name)) continue;
      const std::string file = folder_ + "\\" + name;
      if (!nFileExists(file)) return;
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      nDeleteFile(file);
    }
  }

  // Users' hives were saved as "user0", "user1", ... with their keys in the
  // description file.
  void ReplaceUsers() {
    for (int n = 0;; ++n) {
      const std::string name = "user" + std::to_string(n);
      const std::string file = folder_ + "\\" + name;
      if (!nFileExists(file)) return;
      Step();
      const std::string key = ini_.ReadString("Key", name, "");
      if (key.empty()) {
        Advance();
        continue;
      }
      const LONG status = SaveHive(context_, HiveRoot::kUsers, key, mode_, file);
      // A user's hive left unscheduled makes the putting back incomplete,
      // which must not be reported as done.
      if (status != ERROR_SUCCESS) {
        Fail(name, status);
        return;
      }
      result_.files.push_back(name);
      Advance();
    }
  }

  HiveWalkContext& context_;
  std::string folder_;
  HiveMode mode_;
  std::string shortFolder_;
  IniFile ini_;
  HiveWalkResult result_;
  int done_ = 0;
  int total_ = 0;
};

}  // namespace

std::optional<std::vector<HiveListEntry>> ReadHiveList() {
  RegistrySession registry;
  registry.SetRoot(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(kHiveListKey, false)) return std::nullopt;
  std::vector<HiveListEntry> list;
  for (const std::string& name : registry.ListValueNames()) {
    if (!IsTextKind(registry.ValueKind(name))) continue;
    try {
      std::string file = registry.ReadText(name);
      if (!file.empty()) list.push_back({name, std::move(file)});
    } catch (const RegistryError&) {
      // Unreadable data names no file to save.
    }
  }
  return list;
}

std::string HiveWalkResult::Describe() const {
  if (declined) return "not started: declined at the security software warning";
  if (!failedFile.empty())
    return "stopped at " + failedFile + " (status " + std::to_string(status) + ") after " +
           std::to_string(files.size()) + " hive(s)";
  if (files.empty()) return "no hive found to handle";
  return std::to_string(files.size()) + " hive(s)";
}

LONG SaveHive(HiveWalkContext& context, HiveRoot root, const std::string& key, HiveMode mode,
              const std::string& file) {
  if (mode == HiveMode::kSave) {
    if (nFileExists(file)) nDeleteFile(file);
    return context.machine.SaveKey(RootKeyOf(root), key, file);
  }
  if (!nFileExists(file)) return ERROR_SUCCESS;
  const std::string undo = WithoutTrailingBackslash(context.dataFolder) + "\\Undo";
  CreateFolderPath(undo);
  const std::string displaced = undo + "\\" + LastPathComponent(file);
  if (nFileExists(displaced)) nDeleteFile(displaced);
  // The hive's transaction log would be replayed over the new hive.
  if (nFileExists(file + ".log")) nDeleteFile(file + ".log");
  return context.machine.ReplaceKey(RootKeyOf(root), key, ShortFileName(file),
                                    ShortFileName(displaced));
}

HiveWalkResult SaveNTRegistry(HiveWalkContext& context, const std::string& folder, HiveMode mode) {
  const int code = context.windowsVersionCode;
  if (mode == HiveMode::kReplace && (code == 6 || code == 7 || code == 8) &&
      SecuritySoftwareStarts() &&
      context.dialogs.MessageDialog(kSecuritySoftwareWarning, "Warning", dialog::kYesNo) !=
          dialog::kYes) {
    HiveWalkResult declined;
    declined.declined = true;
    return declined;
  }
  return Walk(context, WithoutTrailingBackslash(folder), mode).Run();
}

}  // namespace hvm
