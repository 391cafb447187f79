// The backup and the pack as the main window runs them: commands 2, 4, 130
// and 520 on a real window, the machine answered by a fake.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "desktop/main_window.h"
#include "engine/backup/fake_machine.h"
#include "engine/backup/privileges.h"
#include "engine/core/environment.h"
#include "engine/settings/program_settings.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

class MainWindowBackupTest : public ::testing::Test {
 protected:
  MainWindowBackupTest() {
    InitEnvironment();
    data_ = folder_.File("data");
    CreateDirectoryA(data_.c_str(), nullptr);
    test::SeedString("HKLM\\SYSTEM\\CurrentControlSet\\Control\\hivelist",
                     "\\REGISTRY\\MACHINE\\SOFTWARE",
                     "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\software");
  }
  ~MainWindowBackupTest() override {
    SetDialogShownHook({});
    window_.reset();
  }

  MainWindow& Open() {
    window_ = std::make_unique<MainWindow>();
    auto machine = std::make_unique<test::FakeMachine>();
    machine->token.attributes = {{kBackupPrivilege, SE_PRIVILEGE_ENABLED},
                                 {kRestorePrivilege, SE_PRIVILEGE_ENABLED}};
    machine_ = machine.get();
    window_->SetMachineControl(std::move(machine));
    window_->SetBackupRoot(folder_.File("Hivemend"));
    EXPECT_TRUE(window_->Create(StartWords{}, data_));
    ShowWindow(window_->Hwnd(), SW_SHOW);
    ui::PumpMessages();
    return *window_;
  }

  // Answers each dialog with the button in `slots` (1 to 3) and keeps its
  // caption and text.
  void Answer(std::vector<int> slots) {
    SetDialogShownHook([this, slots](MessageDialogWindow& dialog) {
      char text[1024] = {}, caption[128] = {};
      GetWindowTextA(dialog.TextWindow(), text, sizeof(text));
      GetWindowTextA(dialog.Hwnd(), caption, sizeof(caption));
      shown_.push_back(std::string(caption) + ": " + text);
      const size_t index = shown_.size() - 1;
      dialog.Press(index < slots.size() ? slots[index] : 1);
    });
  }

  ProgramSettings Settings() {
    ProgramSettings settings;
    LoadSettings(settings, data_ + "\\hvmend.ini");
    return settings;
  }
  bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  test::RegistrySandbox sandbox_;
  test::TestFolder folder_;
  std::string data_;
  std::unique_ptr<MainWindow> window_;
  test::FakeMachine* machine_ = nullptr;  // owned by the window
  std::vector<std::string> shown_;
};

TEST_F(MainWindowBackupTest, TheOrganizePageShowsTemplate430WithItsProgressBar) {
  MainWindow& window = Open();
  EXPECT_FALSE(window.Pack().View().IsVisible());
  window.HandleCommand(Command::kPackPage, 0);
  EXPECT_EQ(Page::kPack, window.CurrentPage());
  EXPECT_TRUE(window.Pack().View().IsVisible());
  EXPECT_FALSE(window.FrontView().IsVisible());
  ASSERT_NE(nullptr, window.Pack().ProgressBar());
  EXPECT_EQ(0, window.Pack().Progress());
  EXPECT_EQ(Command::kPackPage, window.Menu().Highlighted());
}

TEST_F(MainWindowBackupTest, CommandOneThirtyPacksAndTheProgressBarEndsFull) {
  MainWindow& window = Open();
  window.HandleCommand(Command::kPackPage, 0);
  Answer({1, 2});  // OK to start; Cancel at "Organize Completed"
  window.HandleCommand(Command::kPack, 0);
  ASSERT_EQ(2u, shown_.size());
  EXPECT_EQ(0u, shown_[0].rfind("Start Organize: ", 0));
  EXPECT_EQ(0u, shown_[1].rfind("Organize Completed: ", 0));
  EXPECT_TRUE(Exists(folder_.File("Hivemend\\Pack\\software")));
  EXPECT_EQ("replace HKLM\\SOFTWARE", machine_->calls.back());
  EXPECT_EQ(100, window.Pack().Progress());
  EXPECT_EQ(12u, Settings().last_organize.size());
  EXPECT_FALSE(window.Busy());
}

TEST_F(MainWindowBackupTest, CommandTwoBacksUpOnTheGuiThread) {
  MainWindow& window = Open();
  Answer({1, 1});  // Yes, then OK
  window.HandleCommand(Command::kBackupNow, 0);
  ASSERT_EQ(2u, shown_.size());
  EXPECT_EQ(0u, shown_[0].rfind("Starting Backup... : ", 0));
  EXPECT_EQ(
      "Backup Successful: A full backup of the Registry was made and put in the Windows "
      "System directory under Hivemend",
      shown_[1]);
  EXPECT_EQ(12u, Settings().last_backup.size());
  EXPECT_FALSE(window.Busy());
}

// The settings page's backup: the worker's end arrives as command 4 in the
// window's queue, and the window then says how it went and is free again.
TEST_F(MainWindowBackupTest, TheWorkersEndArrivesAsCommandFour) {
  MainWindow& window = Open();
  Answer({1});
  window.Backup().StartFromSettingsPage();
  EXPECT_TRUE(window.Busy());
  EXPECT_FALSE(window.Menu().RowsEnabled());
  const ULONGLONG deadline = GetTickCount64() + 60000;
  while (window.Backup().WorkerRunning() && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
    ui::PumpMessages();
  }
  EXPECT_FALSE(window.Backup().WorkerRunning());
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ(0u, shown_[0].rfind("Backup Successful: ", 0));
  EXPECT_FALSE(window.Busy());
  EXPECT_TRUE(window.Menu().RowsEnabled());
  EXPECT_EQ(12u, Settings().last_backup.size());
}

// The full backups window over the restore page: the backups listed newest
// first, one made from here, a chosen one offered for putting back.
TEST_F(MainWindowBackupTest, FullBackupsAreListedMadeAndPutBackFromTheRestorePage) {
  folder_.WriteFile("Hivemend\\20000101-0800\\software", "regf");
  folder_.WriteFile("Hivemend\\20000101-0800\\user.ini", "[Key]\r\nsoftware=\\SOFTWARE\r\n");
  MainWindow& window = Open();
  window.HandleCommand(Command::kRestorePage, 0);
  size_t rowsAtFirst = 0, rowsAfterBackup = 0;
  std::string firstFolder;
  window.onFullBackupsShown = [&](FullBackupsWindow& backups) {
    rowsAtFirst = backups.List().RowCount();
    EXPECT_FALSE(IsWindowEnabled(backups.PutBackButton().Hwnd()));
    Answer({1, 1, 1, 2});  // Yes, OK; then OK at the warning and Cancel at the restart
    backups.BackupNowButton().Click();
    rowsAfterBackup = backups.List().RowCount();
    firstFolder = backups.List().Cell(0, 2);
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(backups.List().Hwnd(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_TRUE(IsWindowEnabled(backups.PutBackButton().Hwnd()));
    backups.PutBackButton().Click();
    backups.Close();
  };
  window.Restore().FullBackupsButton().Click();
  EXPECT_EQ(1u, rowsAtFirst);
  EXPECT_EQ(2u, rowsAfterBackup);
  EXPECT_NE(std::string::npos, firstFolder.find("Hivemend\\20"));
  EXPECT_EQ(std::string::npos, firstFolder.find("20000101-0800"));  // the new one comes first
  ASSERT_EQ(4u, shown_.size());
  EXPECT_EQ(0u, shown_[2].rfind("Put Back Full Backup: The whole registry will be replaced", 0));
  EXPECT_EQ(0u, shown_[3].rfind("Full Backup Scheduled: ", 0));
  EXPECT_EQ("replace HKLM\\SOFTWARE", machine_->calls.back());
  EXPECT_FALSE(window.Busy());
}

}  // namespace
}  // namespace hvm
