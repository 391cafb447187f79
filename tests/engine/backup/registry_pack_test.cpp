#include "engine/backup/registry_pack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/backup/privileges.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "fake_machine.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::FakeMachine;
using test::FakeMonitor;
using test::RecordingPoster;
using test::ScriptedDialogs;

constexpr char kStart[] = "Start Organize: Organize may take several minutes";
constexpr char kMonitor[] = "Hivemend Monitor: Hivemend detects that you have Monitor Registry ON";
constexpr char kCompleted[] = "Organize Completed: Organize has been completed.";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

class RegistryPackTest : public test::RegistrySandboxTest {
 protected:
  RegistryPackTest() : monitor_(&machine_.calls) {
    folder_.WriteFile("data\\hvmend.ini", "");
    machine_.token.attributes = {{kBackupPrivilege, SE_PRIVILEGE_ENABLED},
                                 {kRestorePrivilege, SE_PRIVILEGE_ENABLED},
                                 {kShutdownPrivilege, SE_PRIVILEGE_ENABLED}};
    const std::string list = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\hivelist";
    const std::string config = "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\";
    test::SeedString(list, "\\REGISTRY\\MACHINE\\SOFTWARE", config + "software");
    test::SeedString(list, "\\REGISTRY\\MACHINE\\SYSTEM", config + "system");
    test::SeedString(list, "\\REGISTRY\\USER\\S-1-5-21-1-1000",
                     "\\Device\\HarddiskVolume1\\Users\\bo\\NTUSER.DAT");
  }

  PackOutcome Pack(ScriptedDialogs& dialogs, int versionCode = 6) {
    return Make(dialogs, versionCode).Pack();
  }
  PackOutcome PutBack(ScriptedDialogs& dialogs, const std::string& folder, int versionCode = 6) {
    return Make(dialogs, versionCode).PutBack(folder, "on 09/12/2026 at 16:30");
  }

  RegistryPack Make(ScriptedDialogs& dialogs, int versionCode) {
    BackupEnvironment environment;
    environment.windowsVersionCode = versionCode;
    environment.windowsFolder = "C:\\WINDOWS\\";
    environment.backupRoot = folder_.File("Hivemend");
    environment.dataFolder = folder_.File("data");
    environment.settingsPath = folder_.File("data\\hvmend.ini");
    RegistryPack::Hooks hooks;
    hooks.busy = [this] { return busy_; };
    hooks.setBusy = [this](bool on) {
      busy_ = on;
      states_.push_back(on ? "busy" : "idle");
    };
    hooks.waitCursor = [this](bool on) { states_.push_back(on ? "hourglass" : "arrow"); };
    hooks.clearTotal = [this] { states_.push_back("clear total"); };
    hooks.progress = [this](int percent) { progress_.push_back(percent); };
    return RegistryPack(machine_, dialogs, monitor_, poster_, environment, hooks);
  }

  std::string LastOrganize() {
    ProgramSettings settings;
    LoadSettings(settings, folder_.File("data\\hvmend.ini"));
    return settings.last_organize;
  }
  bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  bool PackFolderExists() {
    return GetFileAttributesA(folder_.File("Hivemend\\Pack").c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  int Count(const std::string& call) {
    return static_cast<int>(std::count(machine_.calls.begin(), machine_.calls.end(), call));
  }
  int Replacements() {
    return static_cast<int>(
        std::count_if(machine_.calls.begin(), machine_.calls.end(),
                      [](const std::string& c) { return StartsWith(c, "replace"); }));
  }

  test::TestFolder folder_;
  FakeMachine machine_;
  FakeMonitor monitor_;
  RecordingPoster poster_;
  bool busy_ = false;
  std::vector<std::string> states_;
  std::vector<int> progress_;
};

TEST_F(RegistryPackTest, CancelAtTheStartQuestionChangesNothing) {
  ScriptedDialogs dialogs({dialog::kCancel});
  EXPECT_EQ(PackOutcome::kCancelled, Pack(dialogs));
  ASSERT_EQ(1u, dialogs.shown.size());
  EXPECT_TRUE(StartsWith(dialogs.shown[0], kStart));
  EXPECT_EQ(dialog::kOkCancel, dialogs.flagsSeen[0]);
  EXPECT_FALSE(PackFolderExists());
  EXPECT_TRUE(machine_.calls.empty());
  EXPECT_EQ("", LastOrganize());
  EXPECT_EQ((std::vector<std::string>{"clear total", "busy", "hourglass", "idle", "arrow"}),
            states_);
}

TEST_F(RegistryPackTest, PacksSchedulesRecordsTheTimeAndOffersTheRestart) {
  for (int answer : {dialog::kCancel, dialog::kIgnore}) {
    machine_.calls.clear();
    progress_.clear();
    ScriptedDialogs dialogs({dialog::kOk, answer});
    EXPECT_EQ(PackOutcome::kScheduled, Pack(dialogs));
    ASSERT_EQ(2u, dialogs.shown.size());
    EXPECT_TRUE(StartsWith(dialogs.shown[1], kCompleted));
    // The user is told what a late restart costs.
    EXPECT_NE(std::string::npos,
              dialogs.shown[1].find("Changes made to the registry between now and the restart "
                                    "will be lost"));
    EXPECT_EQ(dialog::kRestartCancelIgnore, dialogs.flagsSeen[1]);
    EXPECT_EQ(3, Count("save HKLM\\SOFTWARE") + Count("save HKLM\\SYSTEM") +
                     Count("save HKU\\S-1-5-21-1-1000"));
    EXPECT_EQ(1, Count("replace HKLM\\SOFTWARE"));
    EXPECT_EQ(1, Count("replace HKU\\S-1-5-21-1-1000"));
    EXPECT_EQ(0, Count("restart"));
    EXPECT_EQ(12u, LastOrganize().size());
    EXPECT_EQ(0, progress_.front());
    EXPECT_EQ(100, progress_.back());
    EXPECT_TRUE(std::is_sorted(progress_.begin(), progress_.end()));
  }
  EXPECT_FALSE(busy_);
  EXPECT_EQ((std::vector<std::pair<int, intptr_t>>{{7, 0}, {7, 0}}), poster_.posted);
}

// The pack folder is reused: a later pack with fewer users loaded must not
// schedule what an earlier pack left there, which would fail on a user no
// longer loaded or put a user's older hive over the newer one.
TEST_F(RegistryPackTest, ALaterPackWithFewerUsersSchedulesOnlyWhatItSaved) {
  const std::string list = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\hivelist";
  test::SeedString(list, "\\REGISTRY\\USER\\S-1-5-21-1-2000",
                   "\\Device\\HarddiskVolume1\\Users\\al\\NTUSER.DAT");
  ScriptedDialogs first({dialog::kOk, dialog::kIgnore});
  ASSERT_EQ(PackOutcome::kScheduled, Pack(first));
  ASSERT_TRUE(FileExists(folder_.File("Hivemend\\Pack\\user1")));

  // The first user logged off; the second is now the only one, as user0.
  ASSERT_EQ(ERROR_SUCCESS,
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\hivelist",
                               "\\REGISTRY\\USER\\S-1-5-21-1-1000"));
  machine_.calls.clear();
  ScriptedDialogs second({dialog::kOk, dialog::kIgnore});
  EXPECT_EQ(PackOutcome::kScheduled, Pack(second));
  EXPECT_EQ(0, Count("replace HKU\\S-1-5-21-1-1000"));
  EXPECT_EQ(1, Count("replace HKU\\S-1-5-21-1-2000"));
  EXPECT_FALSE(FileExists(folder_.File("Hivemend\\Pack\\user1")));
  const IniFile ini = IniFile::Parse(test::ReadWholeFile(folder_.File("Hivemend\\Pack\\user.ini")));
  EXPECT_EQ("\\S-1-5-21-1-2000", ini.ReadString("Key", "user0", ""));
  for (const char* section : {"Key", "Location", "ShortLocation"})
    EXPECT_FALSE(ini.Find(section, "user1")) << section;
}

TEST_F(RegistryPackTest, RestartAtTheEndRestartsWindows) {
  ScriptedDialogs dialogs({dialog::kOk, dialog::kRetry});
  EXPECT_EQ(PackOutcome::kRestarting, Pack(dialogs));
  EXPECT_EQ("restart", machine_.calls.back());
}

TEST_F(RegistryPackTest, OkAtTheMonitorQuestionStopsMonitoringBeforeAnythingIsWritten) {
  monitor_.on = true;
  ScriptedDialogs dialogs({dialog::kOk, dialog::kOk, dialog::kCancel});
  EXPECT_EQ(PackOutcome::kScheduled, Pack(dialogs));
  EXPECT_TRUE(StartsWith(dialogs.shown[1], kMonitor));
  EXPECT_EQ(dialog::kOkCancel, dialogs.flagsSeen[1]);
  EXPECT_FALSE(monitor_.on);
  EXPECT_EQ("monitor off", machine_.calls.front());
}

TEST_F(RegistryPackTest, CancelAtTheMonitorQuestionKeepsMonitoringAndWritesNothing) {
  monitor_.on = true;
  ScriptedDialogs dialogs({dialog::kOk, dialog::kCancel});
  EXPECT_EQ(PackOutcome::kCancelled, Pack(dialogs));
  EXPECT_TRUE(monitor_.on);
  EXPECT_TRUE(machine_.calls.empty());
  EXPECT_FALSE(PackFolderExists());
  EXPECT_FALSE(busy_);
}

TEST_F(RegistryPackTest, WithoutTheRestorePrivilegeThePackFolderIsFilledAndNothingScheduled) {
  machine_.token.attributes.erase(kRestorePrivilege);
  ScriptedDialogs dialogs({dialog::kOk});
  EXPECT_EQ(PackOutcome::kNoRestorePrivilege, Pack(dialogs));
  EXPECT_TRUE(GetFileAttributesA(folder_.File("Hivemend\\Pack\\software").c_str()) !=
              INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(0, Replacements());
  ASSERT_EQ(3u, dialogs.shown.size());
  EXPECT_TRUE(StartsWith(dialogs.shown[1], "No Restore Privileges: "));
  EXPECT_EQ("Pack not Successful: There was an error and the Registry could not be packed. [1]",
            dialogs.shown[2]);
  EXPECT_EQ("", LastOrganize());
}

TEST_F(RegistryPackTest, WithoutTheBackupPrivilegeNothingIsSaved) {
  machine_.token.attributes.erase(kBackupPrivilege);
  ScriptedDialogs dialogs({dialog::kOk});
  EXPECT_EQ(PackOutcome::kNoBackupPrivilege, Pack(dialogs));
  EXPECT_EQ("Pack not Successful: There was an error and the Registry could not be packed. [2]",
            dialogs.shown.back());
  EXPECT_FALSE(PackFolderExists());
}

TEST_F(RegistryPackTest, AHiveNotSavedOrNotScheduledEndsThePack) {
  machine_.failKey = "\\SYSTEM";
  ScriptedDialogs dialogs({dialog::kOk});
  EXPECT_EQ(PackOutcome::kNotSaved, Pack(dialogs));
  EXPECT_EQ(0, Replacements());
  EXPECT_TRUE(StartsWith(dialogs.shown.back(), "Pack not Successful: ") &&
              dialogs.shown.back().find("[2]") != std::string::npos);
}

TEST_F(RegistryPackTest, AHiveThePlatformWillNotReplaceEndsThePackWithOne) {
  machine_.failReplaceKey = "\\SOFTWARE";
  ScriptedDialogs dialogs({dialog::kOk});
  EXPECT_EQ(PackOutcome::kNotScheduled, Pack(dialogs));
  EXPECT_EQ("Pack not Successful: There was an error and the Registry could not be packed. [1]",
            dialogs.shown.back());
  EXPECT_EQ("", LastOrganize());
  EXPECT_EQ(0, Count("restart"));
}

TEST_F(RegistryPackTest, Windows98RunsTheCheckerWithoutTheStartQuestion) {
  ScriptedDialogs dialogs;
  EXPECT_EQ(PackOutcome::kCheckerRan, Pack(dialogs, 2));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ((std::vector<std::string>{"run C:\\WINDOWS\\command\\scanreg /fix 5"}), machine_.calls);
  EXPECT_EQ(12u, LastOrganize().size());

  machine_.programRuns = false;
  EXPECT_EQ(PackOutcome::kCheckerNotStarted, Pack(dialogs, 3));
  EXPECT_EQ((std::vector<std::string>{"Pack not Successful: Unable to Pack the Registry"}),
            dialogs.shown);
}

TEST_F(RegistryPackTest, Windows95AndABusyWindow) {
  ScriptedDialogs dialogs;
  EXPECT_EQ(PackOutcome::kNotAvailable, Pack(dialogs, 1));
  EXPECT_EQ((std::vector<std::string>{
                "Pack not Available: Pack Registry is not available for Windows 95"}),
            dialogs.shown);
  busy_ = true;
  states_.clear();
  EXPECT_EQ(PackOutcome::kBusy, Pack(dialogs));
  EXPECT_TRUE(states_.empty());
  EXPECT_EQ(1u, dialogs.shown.size());
}

// A full backup as an earlier run left it.
std::string SeedFullBackup(const test::TestFolder& folder) {
  folder.WriteFile("Hivemend\\20261201-0900\\software", "regf");
  folder.WriteFile("Hivemend\\20261201-0900\\system", "regf");
  folder.WriteFile("Hivemend\\20261201-0900\\user0", "regf");
  folder.WriteFile(
      "Hivemend\\20261201-0900\\user.ini",
      "[Key]\r\nsoftware=\\SOFTWARE\r\nsystem=\\SYSTEM\r\nuser0=\\S-1-5-21-1-1000\r\n");
  return folder.File("Hivemend\\20261201-0900");
}

TEST_F(RegistryPackTest, PuttingBackWarnsFirstAndCancelLeavesEverything) {
  const std::string backup = SeedFullBackup(folder_);
  ScriptedDialogs dialogs({dialog::kCancel});
  EXPECT_EQ(PackOutcome::kCancelled, PutBack(dialogs, backup));
  ASSERT_EQ(1u, dialogs.shown.size());
  EXPECT_TRUE(StartsWith(dialogs.shown[0],
                         "Put Back Full Backup: The whole registry will be "
                         "replaced by the full backup made on 09/12/2026"));
  EXPECT_NE(std::string::npos, dialogs.shown[0].find("will be lost"));
  EXPECT_EQ(dialog::kOkCancel | 48 | dialog::kSecondButtonDefault, dialogs.flagsSeen[0]);
  EXPECT_TRUE(machine_.calls.empty());
}

TEST_F(RegistryPackTest, PuttingBackSchedulesEveryHiveOfTheBackup) {
  const std::string backup = SeedFullBackup(folder_);
  monitor_.on = true;
  ScriptedDialogs dialogs({dialog::kOk, dialog::kOk, dialog::kIgnore});
  EXPECT_EQ(PackOutcome::kScheduled, PutBack(dialogs, backup));
  EXPECT_EQ((std::vector<std::string>{"monitor off", "adjust SeRestorePrivilege 2",
                                      "replace HKLM\\SOFTWARE", "replace HKLM\\SYSTEM",
                                      "replace HKU\\S-1-5-21-1-1000"}),
            machine_.calls);
  EXPECT_TRUE(StartsWith(dialogs.shown.back(), "Full Backup Scheduled: "));
  EXPECT_EQ(dialog::kRestartCancelIgnore, dialogs.flagsSeen.back());
  EXPECT_FALSE(busy_);
  // Putting a backup back is no pack.
  EXPECT_EQ("", LastOrganize());
}

TEST_F(RegistryPackTest, PuttingBackWithoutTheRestorePrivilegeOrWithAFailureSaysSo) {
  const std::string backup = SeedFullBackup(folder_);
  machine_.token.attributes.erase(kRestorePrivilege);
  ScriptedDialogs refused({dialog::kOk});
  EXPECT_EQ(PackOutcome::kNoRestorePrivilege, PutBack(refused, backup));
  EXPECT_TRUE(StartsWith(refused.shown.back(), "No Restore Privileges: "));
  EXPECT_EQ(0, Replacements());

  machine_.token.attributes[kRestorePrivilege] = SE_PRIVILEGE_ENABLED;
  machine_.failReplaceKey = "\\SYSTEM";
  ScriptedDialogs failed({dialog::kOk});
  EXPECT_EQ(PackOutcome::kNotScheduled, PutBack(failed, backup));
  EXPECT_TRUE(StartsWith(failed.shown.back(),
                         "Restore not Successful: The full backup could not be put back: "
                         "stopped at system"));
}

TEST_F(RegistryPackTest, PuttingBackIsForTheNtFamilyOnly) {
  const std::string backup = SeedFullBackup(folder_);
  for (int code : {1, 2, 3}) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(PackOutcome::kNotAvailable, PutBack(dialogs, backup, code));
    EXPECT_EQ(1u, dialogs.shown.size());
  }
  EXPECT_TRUE(machine_.calls.empty());
}

}  // namespace
}  // namespace hvm
