#include "engine/backup/full_backup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/backup/privileges.h"
#include "engine/settings/program_settings.h"
#include "fake_machine.h"
#include "support/fixed_clock.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::FakeMachine;
using test::RecordingPoster;
using test::ScriptedDialogs;
using test::ThreadQueuePoster;

constexpr char kStartQuestion[] =
    "Starting Backup... : Registry Backup takes several minutes.  During this time the cursor "
    "will be an hourglass.  When Backup is completed, you will get a message saying so. Continue?";
constexpr char kMade[] =
    "Backup Successful: A full backup of the Registry was made and put in the Windows System "
    "directory under Hivemend";
constexpr char kNotFinished[] =
    "Backup not Successful: Backup was not able to finish.  A partial backup of the Registry may "
    "be in the Windows System directory under Hivemend";

class RecordingView : public BackupView {
 public:
  void SetBackupRunning(bool running) override { states.push_back(running); }
  std::vector<bool> states;
};

class FullBackupTest : public test::RegistrySandboxTest {
 protected:
  FullBackupTest() {
    folder_.WriteFile("data\\hvmend.ini", "");
    machine_.token.attributes = {{kBackupPrivilege, SE_PRIVILEGE_ENABLED}};
    test::SeedString(std::string("HKLM\\SYSTEM\\CurrentControlSet\\Control\\hivelist"),
                     "\\REGISTRY\\MACHINE\\SOFTWARE",
                     "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\software");
    test::SeedString(std::string("HKLM\\SYSTEM\\CurrentControlSet\\Control\\hivelist"),
                     "\\REGISTRY\\USER\\.DEFAULT",
                     "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\default");
  }

  BackupEnvironment Environment(int versionCode = 0) {
    BackupEnvironment environment;
    environment.windowsVersionCode = versionCode;
    environment.windowsFolder = "C:\\WINDOWS\\";
    environment.backupRoot = folder_.File("Hivemend") + "\\";
    environment.dataFolder = folder_.File("data");
    environment.settingsPath = folder_.File("data\\hvmend.ini");
    return environment;
  }

  FullBackup::Hooks Hooks() {
    FullBackup::Hooks hooks;
    hooks.busy = [this] { return busy_; };
    hooks.setBusy = [this](bool on) {
      busy_ = on;
      log_.push_back(on ? "busy" : "idle");
    };
    hooks.enableMenu = [this](bool on) { log_.push_back(on ? "menu on" : "menu off"); };
    hooks.waitCursor = [this](bool on) { log_.push_back(on ? "hourglass" : "arrow"); };
    hooks.clock = &clock_;
    return hooks;
  }

  std::string LastBackup() {
    ProgramSettings settings;
    LoadSettings(settings, folder_.File("data\\hvmend.ini"));
    return settings.last_backup;
  }
  bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  test::TestFolder folder_;
  test::FixedClock clock_{{2026, 12, 9, 16, 30}};
  FakeMachine machine_;
  RecordingPoster poster_;
  RecordingView view_;
  bool busy_ = false;
  std::vector<std::string> log_;
};

TEST_F(FullBackupTest, MainWindowBackupMakesADatedFolderAndSaysSo) {
  ScriptedDialogs dialogs({dialog::kYes});
  FullBackup backup(machine_, dialogs, poster_, Environment(6), Hooks());
  backup.SetView(&view_);
  backup.RunOnGuiThread();
  EXPECT_EQ((std::vector<std::string>{kStartQuestion, kMade}), dialogs.shown);
  EXPECT_EQ(folder_.File("Hivemend\\20261209-1630\\"), backup.LastFolder());
  EXPECT_TRUE(Exists(folder_.File("Hivemend\\20261209-1630\\software")));
  EXPECT_TRUE(Exists(folder_.File("Hivemend\\20261209-1630\\default")));
  EXPECT_EQ(12u, LastBackup().size());
  EXPECT_EQ((std::vector<std::pair<int, intptr_t>>{{7, 0}}), poster_.posted);
  EXPECT_EQ((std::vector<std::string>{"busy", "hourglass", "idle", "arrow"}), log_);
  EXPECT_EQ((std::vector<bool>{true, false}), view_.states);
  EXPECT_FALSE(busy_);
}

TEST_F(FullBackupTest, AnythingButYesWritesNothing) {
  ScriptedDialogs dialogs({dialog::kNo});
  FullBackup backup(machine_, dialogs, poster_, Environment(), Hooks());
  backup.RunOnGuiThread();
  EXPECT_EQ((std::vector<std::string>{kStartQuestion}), dialogs.shown);
  EXPECT_FALSE(Exists(folder_.File("Hivemend")));
  EXPECT_TRUE(machine_.calls.size() == 1 && machine_.calls[0].rfind("adjust", 0) == 0);
  EXPECT_EQ("", LastBackup());
  EXPECT_FALSE(busy_);
}

TEST_F(FullBackupTest, WithoutTheBackupPrivilegeOnlyThePrivilegeMessageIsShown) {
  machine_.token.attributes.clear();
  ScriptedDialogs dialogs({dialog::kYes});
  FullBackup backup(machine_, dialogs, poster_, Environment(), Hooks());
  backup.RunOnGuiThread();
  ASSERT_EQ(1u, dialogs.shown.size());
  EXPECT_EQ(0u, dialogs.shown[0].rfind("No Backup Privileges: ", 0));
  EXPECT_FALSE(Exists(folder_.File("Hivemend")));
  EXPECT_EQ("", LastBackup());
}

// The date of the last backup is the date of a backup that was made.
TEST_F(FullBackupTest, AFailedSaveIsTypeZeroAndLeavesTheDateAlone) {
  machine_.failKey = "\\.DEFAULT";
  ScriptedDialogs dialogs({dialog::kYes});
  FullBackup backup(machine_, dialogs, poster_, Environment(), Hooks());
  backup.RunOnGuiThread();
  EXPECT_EQ((std::vector<std::string>{kStartQuestion, kNotFinished}), dialogs.shown);
  EXPECT_EQ("", LastBackup());
  EXPECT_TRUE(poster_.posted.empty());
}

TEST_F(FullBackupTest, NoHiveListAndNothingSavedIsNeverCalledABackup) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\hivelist");
  machine_.absent = {"\\SOFTWARE", "\\SYSTEM",   "\\SAM",
                     "\\SECURITY", "\\.DEFAULT", "\\" + machine_.token.sid};
  ScriptedDialogs dialogs({dialog::kYes});
  FullBackup backup(machine_, dialogs, poster_, Environment(), Hooks());
  backup.RunOnGuiThread();
  EXPECT_EQ((std::vector<std::string>{kStartQuestion, kNotFinished}), dialogs.shown);
  EXPECT_EQ("", LastBackup());
}

TEST_F(FullBackupTest, Windows98RunsTheRegistryChecker) {
  ScriptedDialogs dialogs({dialog::kYes});
  FullBackup backup(machine_, dialogs, poster_, Environment(2), Hooks());
  backup.RunOnGuiThread();
  EXPECT_EQ((std::vector<std::string>{"run C:\\WINDOWS\\scanregw /backup 5"}), machine_.calls);
  EXPECT_EQ(
      "Backup Successful: A full backup of the Registry was made and put in the Windows "
      "Backup directory",
      dialogs.shown.back());
  EXPECT_FALSE(LastBackup().empty());

  machine_.programRuns = false;
  FullBackup again(machine_, dialogs, poster_, Environment(3), Hooks());
  again.RunOnGuiThread();
  EXPECT_EQ("Backup not Successful: Unable to Back up Registry", dialogs.shown.back());
}

TEST_F(FullBackupTest, Windows95IsRefusedAndABusyWindowIgnoresTheCommand) {
  ScriptedDialogs dialogs;
  FullBackup backup(machine_, dialogs, poster_, Environment(1), Hooks());
  backup.RunOnGuiThread();
  backup.StartFromSettingsPage();
  EXPECT_EQ((std::vector<std::string>{
                "Backup not Available: Registry Backup is not available for Windows 95",
                "Backup not Available: Registry Backup is not available for Windows 95"}),
            dialogs.shown);
  busy_ = true;
  FullBackup busy(machine_, dialogs, poster_, Environment(), Hooks());
  busy.RunOnGuiThread();
  busy.StartFromSettingsPage();
  EXPECT_EQ(2u, dialogs.shown.size());
  EXPECT_FALSE(busy.WorkerRunning());
  EXPECT_TRUE(machine_.calls.empty());
}

TEST(BackupCompletion, EachTypeHasItsMessageAndOthersNone) {
  ScriptedDialogs dialogs;
  for (int type = -1; type <= 4; ++type) ShowBackupCompletion(dialogs, type);
  ASSERT_EQ(4u, dialogs.shown.size());
  EXPECT_EQ(kNotFinished, dialogs.shown[0]);
  EXPECT_EQ(kMade, dialogs.shown[1]);
  EXPECT_EQ("Backup not Successful: Unable to Back up Registry", dialogs.shown[2]);
  EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), dialogs.flagsSeen);
}

// The settings page's backup runs on the worker: the GUI thread keeps taking
// its messages while a hive is being saved, and the end comes as command 4.
TEST_F(FullBackupTest, SettingsPageBackupRunsOnTheWorkerAndEndsWithCommandFour) {
  ScriptedDialogs dialogs;
  ThreadQueuePoster poster;
  HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  machine_.saveGate = gate;
  FullBackup backup(machine_, dialogs, poster, Environment(), Hooks());
  backup.SetView(&view_);
  backup.StartFromSettingsPage();
  EXPECT_TRUE(backup.WorkerRunning());
  EXPECT_TRUE(busy_);
  EXPECT_EQ((std::vector<bool>{true}), view_.states);

  // The worker is held inside its first save; the GUI thread still answers.
  bool guiAnswered = false;
  poster.onOther = [&](const MSG&) {
    guiAnswered = true;
    SetEvent(gate);
  };
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  const std::optional<intptr_t> type = poster.WaitForCommand(Command::kBackupFinished);
  CloseHandle(gate);
  ASSERT_TRUE(type.has_value());
  EXPECT_TRUE(guiAnswered);
  EXPECT_EQ(kBackupMade, *type);
  EXPECT_EQ("", LastBackup());  // written on the GUI thread, at command 4

  backup.WorkerFinished(static_cast<int>(*type));
  EXPECT_FALSE(backup.WorkerRunning());
  EXPECT_EQ((std::vector<std::string>{kMade}), dialogs.shown);
  EXPECT_EQ(12u, LastBackup().size());
  EXPECT_EQ((std::vector<bool>{true, false}), view_.states);
  EXPECT_EQ((std::vector<std::string>{"busy", "menu off", "idle", "menu on"}), log_);
  EXPECT_TRUE(Exists(folder_.File("Hivemend\\20261209-1630\\software")));
}

TEST_F(FullBackupTest, ASettingsPageBackupThatFailedLeavesTheDateAlone) {
  ScriptedDialogs dialogs;
  ThreadQueuePoster poster;
  machine_.failKey = "\\SOFTWARE";
  FullBackup backup(machine_, dialogs, poster, Environment(), Hooks());
  backup.StartFromSettingsPage();
  const std::optional<intptr_t> type = poster.WaitForCommand(Command::kBackupFinished);
  ASSERT_TRUE(type.has_value());
  EXPECT_EQ(kBackupNotFinished, *type);
  backup.WorkerFinished(static_cast<int>(*type));
  EXPECT_EQ((std::vector<std::string>{kNotFinished}), dialogs.shown);
  EXPECT_EQ("", LastBackup());
  EXPECT_FALSE(busy_);
}

TEST_F(FullBackupTest, ASettingsPageBackupWithoutThePrivilegeStartsNoWorker) {
  machine_.token.attributes.clear();
  ScriptedDialogs dialogs;
  FullBackup backup(machine_, dialogs, poster_, Environment(), Hooks());
  backup.StartFromSettingsPage();
  EXPECT_FALSE(backup.WorkerRunning());
  EXPECT_FALSE(busy_);
  EXPECT_EQ(1u, dialogs.shown.size());
}

}  // namespace
}  // namespace hvm
