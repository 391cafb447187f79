#include "engine/backup/hive_backup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/backup/privileges.h"
#include "engine/settings/ini_file.h"
#include "fake_machine.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::FakeMachine;
using test::ReadWholeFile;
using test::ScriptedDialogs;
using test::SeedDword;
using test::SeedKey;
using test::SeedString;

constexpr char kAlice[] = "S-1-5-21-1-2-3-1000";
constexpr char kVolume[] = "\\Device\\HarddiskVolume1";

// The hive list of an XP machine: five machine hives (HARDWARE volatile), the
// default user, and one user with her classes hive.
void SeedHiveList() {
  const std::string list = std::string("HKLM") + kHiveListKey;
  const std::string config = std::string(kVolume) + "\\WINDOWS\\system32\\config\\";
  const std::string profile = std::string(kVolume) + "\\Documents and Settings\\alice\\";
  SeedString(list, "\\REGISTRY\\MACHINE\\HARDWARE", "");
  SeedString(list, "\\REGISTRY\\MACHINE\\SECURITY", config + "SECURITY");
  SeedString(list, "\\REGISTRY\\MACHINE\\SOFTWARE", config + "software");
  SeedString(list, "\\REGISTRY\\MACHINE\\SYSTEM", config + "system");
  SeedDword(list, "NotAHive", 7);
  SeedString(list, "\\REGISTRY\\USER\\.DEFAULT", config + "default");
  SeedString(list, "\\REGISTRY\\MACHINE\\SAM", config + "SAM");
  SeedString(list, std::string("\\REGISTRY\\USER\\") + kAlice, profile + "NTUSER.DAT");
  SeedString(list, std::string("\\REGISTRY\\USER\\") + kAlice + "_Classes",
             profile + "Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat");
  SeedString("HKLM\\SOFTWARE\\Brightfold", "Colour", "blue");
  SeedDword("HKLM\\SOFTWARE\\Brightfold", "Count", 42);
  SeedKey("HKLM\\SAM\\SAM");
  SeedKey("HKLM\\SECURITY\\Policy");
  SeedKey("HKU\\.DEFAULT\\Control Panel");
  SeedString(std::string("HKU\\") + kAlice + "\\Environment", "TEMP", "C:\\Temp");
  SeedKey(std::string("HKU\\") + kAlice + "_Classes\\CLSID");
}

constexpr DWORD kSpecialAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class HiveWalkTest : public test::RegistrySandboxTest {
 protected:
  HiveWalkContext Context(MachineControl& machine, int versionCode = 0) {
    return HiveWalkContext{machine, dialogs_, versionCode, folder_.File("data"), {}, {}};
  }
  std::string Backup() const { return folder_.File("Hivemend\\20261209-1630"); }

  test::TestFolder folder_;
  ScriptedDialogs dialogs_;
};

TEST_F(HiveWalkTest, SavesEveryHiveOfTheListWithItsDescription) {
  SeedHiveList();
  PlatformMachineControl machine;
  ASSERT_TRUE(EnablePrivilege(machine, dialogs_, kBackupPrivilege, PrivilegeUse::kBackup));
  HiveWalkContext context = Context(machine);
  std::vector<std::pair<int, int>> steps;
  context.progress = [&](int done, int total) { steps.push_back({done, total}); };
  const HiveWalkResult result = SaveNTRegistry(context, Backup() + "\\", HiveMode::kSave);
  ASSERT_TRUE(result.ok) << result.Describe();
  EXPECT_TRUE(result.hiveListFound);
  EXPECT_EQ((std::vector<std::string>{"SAM", "SECURITY", "default", "software", "system",
                                      "user.ini", "user0", "user1"}),
            FilesIn(Backup()));
  EXPECT_EQ(
      (std::vector<std::pair<int, int>>{{1, 7}, {2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}}),
      steps);
  for (const std::string& name : FilesIn(Backup()))
    EXPECT_EQ(0u, GetFileAttributesA((Backup() + "\\" + name).c_str()) & kSpecialAttributes)
        << name;

  const IniFile ini = IniFile::Parse(ReadWholeFile(Backup() + "\\user.ini"));
  // Five machine and default hives plus two users in each section, in the
  // order the platform lists them.
  for (const char* section : {"Location", "ShortLocation", "Key"}) {
    std::vector<std::string> keys = ini.Keys(section);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ((std::vector<std::string>{"SAM", "SECURITY", "default", "software", "system", "user0",
                                        "user1"}),
              keys)
        << section;
  }
  EXPECT_EQ("\\WINDOWS\\system32\\config\\software", ini.ReadString("Location", "software", ""));
  EXPECT_EQ("\\Documents and Settings\\alice\\NTUSER.DAT", ini.ReadString("Location", "user0", ""));
  EXPECT_EQ("\\SOFTWARE", ini.ReadString("Key", "software", ""));
  EXPECT_EQ("\\.DEFAULT", ini.ReadString("Key", "default", ""));
  EXPECT_EQ(std::string("\\") + kAlice, ini.ReadString("Key", "user0", ""));
  EXPECT_EQ(std::string("\\") + kAlice + "_Classes", ini.ReadString("Key", "user1", ""));
  EXPECT_FALSE(ini.Find("Key", "HARDWARE").has_value());
}

// A second backup in the same minute writes over the files of the first.
TEST_F(HiveWalkTest, ASecondBackupOfTheSameMinuteReplacesTheFiles) {
  SeedHiveList();
  PlatformMachineControl machine;
  ASSERT_TRUE(EnablePrivilege(machine, dialogs_, kBackupPrivilege, PrivilegeUse::kBackup));
  HiveWalkContext context = Context(machine);
  ASSERT_TRUE(SaveNTRegistry(context, Backup(), HiveMode::kSave).ok);
  const HiveWalkResult again = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  EXPECT_TRUE(again.ok) << again.Describe();
  EXPECT_EQ(8u, FilesIn(Backup()).size());
  EXPECT_EQ(7u, IniFile::Parse(ReadWholeFile(Backup() + "\\user.ini")).Keys("Key").size());
}

// A real hive file, loaded back as a hive, holds the key's values.
TEST(HiveFile, ASavedKeyLoadsBackValueForValue) {
  test::TestFolder folder;
  const std::string file = folder.File("software");
  PlatformMachineControl machine;
  ScriptedDialogs dialogs;
  ASSERT_TRUE(EnablePrivilege(machine, dialogs, kBackupPrivilege, PrivilegeUse::kBackup));
  ASSERT_TRUE(EnablePrivilege(machine, dialogs, kRestorePrivilege, PrivilegeUse::kRestore));
  {
    test::RegistrySandbox sandbox;
    SeedString("HKLM\\SOFTWARE\\Brightfold", "Colour", "blue");
    SeedDword("HKLM\\SOFTWARE\\Brightfold", "Count", 42);
    test::SeedBinary("HKLM\\SOFTWARE\\Brightfold\\Deep", "Bytes", std::string("\x01\x00\xFF", 3));
    HiveWalkContext context{machine, dialogs, 0, folder.File("data"), {}, {}};
    ASSERT_EQ(ERROR_SUCCESS,
              SaveHive(context, HiveRoot::kMachine, "\\SOFTWARE", HiveMode::kSave, file));
  }
  const std::string mount = "HivemendTestLoad" + std::to_string(GetCurrentProcessId());
  ASSERT_EQ(ERROR_SUCCESS, RegLoadKeyA(HKEY_USERS, mount.c_str(), file.c_str()));
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_USERS, (mount + "\\Brightfold").c_str(), 0, KEY_READ, &key));
  char text[16] = {};
  DWORD size = sizeof(text), type = 0;
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExA(key, "Colour", nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(DWORD(REG_SZ), type);
  EXPECT_STREQ("blue", text);
  DWORD count = 0;
  size = sizeof(count);
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size));
  EXPECT_EQ(42u, count);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_USERS, (mount + "\\Brightfold\\Deep").c_str(), 0, KEY_READ, &key));
  unsigned char bytes[8] = {};
  size = sizeof(bytes);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Bytes", nullptr, &type, bytes, &size));
  EXPECT_EQ(DWORD(REG_BINARY), type);
  EXPECT_EQ(std::string("\x01\x00\xFF", 3), std::string(reinterpret_cast<char*>(bytes), size));
  RegCloseKey(key);
  EXPECT_EQ(ERROR_SUCCESS, RegUnLoadKeyA(HKEY_USERS, mount.c_str()));
}

TEST_F(HiveWalkTest, AHiveThatCannotBeSavedStopsTheWalkAndKeepsTheEarlierFiles) {
  SeedHiveList();
  FakeMachine machine;
  machine.failKey = "\\SYSTEM";
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ("system", result.failedFile);
  EXPECT_EQ(ERROR_ACCESS_DENIED, result.status);
  // Nothing after the failing hive was tried; what came before stays.
  EXPECT_EQ("save HKLM\\SYSTEM", machine.calls.back());
  EXPECT_EQ(result.files.size() + 1, machine.calls.size());
  ASSERT_FALSE(result.files.empty());
  std::vector<std::string> kept = result.files;
  kept.push_back("user.ini");
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, FilesIn(Backup()));
}

TEST_F(HiveWalkTest, ADangerousFileNameInTheHiveListIsNotWrittenOutsideTheFolder) {
  SeedString(std::string("HKLM") + kHiveListKey, "\\REGISTRY\\MACHINE\\SOFTWARE",
             "\\Device\\HarddiskVolume1\\config\\..");
  FakeMachine machine;
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(ERROR_INVALID_NAME, result.status);
  EXPECT_TRUE(machine.calls.empty());
}

TEST_F(HiveWalkTest, WithoutAHiveListTheKnownHivesAreSavedByName) {
  FakeMachine machine;
  machine.absent = {"\\SAM", "\\SECURITY"};  // as on Wine
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  ASSERT_TRUE(result.ok) << result.Describe();
  EXPECT_FALSE(result.hiveListFound);
  EXPECT_EQ((std::vector<std::string>{"default", "software", "system", "user.ini", "user0"}),
            FilesIn(Backup()));
  const IniFile ini = IniFile::Parse(ReadWholeFile(Backup() + "\\user.ini"));
  EXPECT_EQ("\\S-1-5-21-7-8-9-1001", ini.ReadString("Key", "user0", ""));
  // No hive file path is known, so none is made up.
  EXPECT_FALSE(ini.SectionExists("Location"));
}

TEST_F(HiveWalkTest, NoHiveListAndNoHiveSavedIsAFailure) {
  FakeMachine machine;
  machine.absent = {"\\SOFTWARE", "\\SYSTEM",   "\\SAM",
                    "\\SECURITY", "\\.DEFAULT", "\\S-1-5-21-7-8-9-1001"};
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(Exists(Backup()));
  EXPECT_EQ("no hive found to handle", result.Describe());
}

// Wine keeps the hive list key with nothing in it; a list of volatile hives
// names no file either. Both are no list at all.
TEST_F(HiveWalkTest, AHiveListThatNamesNoFileIsTreatedAsNone) {
  test::SeedKey(std::string("HKLM") + kHiveListKey);
  FakeMachine machine;
  HiveWalkContext context = Context(machine);
  HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  EXPECT_TRUE(result.ok);
  EXPECT_FALSE(result.hiveListFound);
  EXPECT_EQ(6u, result.files.size());

  SeedString(std::string("HKLM") + kHiveListKey, "\\REGISTRY\\MACHINE\\HARDWARE", "");
  result = SaveNTRegistry(context, Backup(), HiveMode::kSave);
  EXPECT_TRUE(result.ok);
  EXPECT_FALSE(result.hiveListFound);
  EXPECT_EQ("save HKLM\\SOFTWARE", machine.calls.front());
}

// A folder as a backup left it, with only the software and one user's hive.
class ReplaceTest : public HiveWalkTest {
 protected:
  void SetUp() override {
    SeedHiveList();
    folder_.WriteFile("Hivemend\\20261209-1630\\software", "regf");
    folder_.WriteFile("Hivemend\\20261209-1630\\software.log", "log");
    folder_.WriteFile("Hivemend\\20261209-1630\\user0", "regf");
    folder_.WriteFile("Hivemend\\20261209-1630\\user.ini",
                      std::string("[Key]\r\nsoftware=\\SOFTWARE\r\nuser0=\\") + kAlice + "\r\n");
  }
};

TEST_F(ReplaceTest, SchedulesTheHivesWhoseFilesAreThere) {
  FakeMachine machine;
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kReplace);
  ASSERT_TRUE(result.ok) << result.Describe();
  EXPECT_EQ(
      (std::vector<std::string>{"replace HKLM\\SOFTWARE", std::string("replace HKU\\") + kAlice}),
      machine.calls);
  EXPECT_EQ((std::vector<std::string>{"software", "user0"}), result.files);
  // The hive's old log would be replayed over it; the hive in use goes to Undo.
  EXPECT_FALSE(Exists(Backup() + "\\software.log"));
  EXPECT_TRUE(Exists(Backup() + "\\software"));
  EXPECT_TRUE(Exists(folder_.File("data\\Undo")));
  ASSERT_EQ(2u, machine.replaced.size());
  EXPECT_EQ("software", LastPathComponent(machine.replaced[0].first));
  EXPECT_NE(std::string::npos, machine.replaced[0].second.find("\\Undo\\"));
}

TEST_F(ReplaceTest, AFileSavedWithoutItsExtensionIsFound) {
  SeedString(std::string("HKLM") + kHiveListKey, "\\REGISTRY\\MACHINE\\SYSTEM",
             std::string(kVolume) + "\\WINDOWS\\system32\\config\\system.alt");
  folder_.WriteFile("Hivemend\\20261209-1630\\system", "regf");
  FakeMachine machine;
  HiveWalkContext context = Context(machine);
  EXPECT_TRUE(SaveNTRegistry(context, Backup(), HiveMode::kReplace).ok);
  EXPECT_NE(machine.calls.end(),
            std::find(machine.calls.begin(), machine.calls.end(), "replace HKLM\\SYSTEM"));
}

TEST_F(ReplaceTest, AUserHiveThatCannotBeScheduledIsAFailure) {
  FakeMachine machine;
  machine.failKey = std::string("\\") + kAlice;
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kReplace);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ("user0", result.failedFile);
}

TEST_F(ReplaceTest, AnEmptyFolderSchedulesNothingAndIsAFailure) {
  FakeMachine machine;
  HiveWalkContext context = Context(machine);
  const HiveWalkResult result = SaveNTRegistry(context, folder_.File("empty"), HiveMode::kReplace);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(machine.calls.empty());
}

TEST_F(ReplaceTest, SecuritySoftwareOnXpIsWarnedAboutAndNoChangesNothing) {
  SeedString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "ccApp",
             "\"C:\\Program Files\\Common Files\\NoRtOn\\ccApp.exe\"");
  FakeMachine machine;
  ScriptedDialogs no({dialog::kNo});
  HiveWalkContext context{machine, no, 6, folder_.File("data"), {}, {}};
  const HiveWalkResult result = SaveNTRegistry(context, Backup(), HiveMode::kReplace);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.declined);
  EXPECT_TRUE(machine.calls.empty());
  EXPECT_TRUE(Exists(Backup() + "\\software.log"));
  ASSERT_EQ(1u, no.shown.size());
  EXPECT_EQ(0u, no.shown[0].rfind("Warning: Hivemend has detected the presence of Norton", 0));
  EXPECT_EQ(dialog::kYesNo, no.flagsSeen[0]);

  ScriptedDialogs yes({dialog::kYes});
  HiveWalkContext goOn{machine, yes, 8, folder_.File("data"), {}, {}};
  EXPECT_TRUE(SaveNTRegistry(goOn, Backup(), HiveMode::kReplace).ok);
  // Other versions of Windows, and saving, never ask.
  ScriptedDialogs none;
  HiveWalkContext later{machine, none, 0, folder_.File("data"), {}, {}};
  EXPECT_TRUE(SaveNTRegistry(later, Backup(), HiveMode::kReplace).ok);
  EXPECT_TRUE(none.shown.empty());
}

TEST_F(ReplaceTest, SymantecInAnExpandStringCountsAndOtherKindsDoNot) {
  SeedDword("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "norton", 1);
  FakeMachine machine;
  ScriptedDialogs dialogs({dialog::kNo});
  HiveWalkContext context{machine, dialogs, 7, folder_.File("data"), {}, {}};
  EXPECT_TRUE(SaveNTRegistry(context, Backup(), HiveMode::kReplace).ok);
  EXPECT_TRUE(dialogs.shown.empty());
  test::SeedExpandString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "av",
                         "%ProgramFiles%\\Symantec\\av.exe");
  EXPECT_TRUE(SaveNTRegistry(context, Backup(), HiveMode::kReplace).declined);
}

}  // namespace
}  // namespace hvm
