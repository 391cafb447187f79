// The settings page as a user drives it: a real page window in the main
// window (or on a host of its own), clicked and chosen through the messages
// its controls send.
#include "desktop/pages/settings_page.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "desktop/main_window.h"
#include "engine/core/environment.h"
#include "engine/scan/sections.h"
#include "engine/settings/startup_shortcut.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"
#include "ui/test_host.h"

namespace hvm {
namespace {

constexpr char kShellFolders[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The user's choices, sent as the controls themselves send them.
void Click(HWND control) {
  SendMessageA(control, BM_CLICK, 0, 0);
}

void Choose(ui::DropDownList& box, int index) {
  box.Select(index);
  SendMessageA(GetParent(box.Hwnd()), WM_COMMAND, MAKEWPARAM(box.Id(), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box.Hwnd()));
}

void ClickTab(SettingsPage& page, int index) {
  page.Tabs().Select(index);
  NMHDR header{page.Tabs().Hwnd(), static_cast<UINT_PTR>(page.Tabs().Id()),
               static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(page.Hwnd(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

class SystemRestoreAnswer : public SystemRestore {
 public:
  explicit SystemRestoreAnswer(bool available) : available_(available) {}
  bool Available() override { return available_; }
  int32_t Begin(const std::string&, uint64_t&) override { return -1; }
  int32_t End(uint64_t) override { return -1; }

 private:
  bool available_;
};

// A main window over a registry, a data folder and a start-up folder of its
// own; every message dialog is recorded and closed.
class SettingsPageInMainWindowTest : public ::testing::Test {
 protected:
  SettingsPageInMainWindowTest() {
    InitEnvironment();
    data_ = folder_.File("data");
    startup_ = folder_.File("Startup");
    CreateDirectoryA(data_.c_str(), nullptr);
    CreateDirectoryA(startup_.c_str(), nullptr);
    test::SeedString(kShellFolders, "Startup", startup_);
    SetDialogShownHook([this](MessageDialogWindow& dialog) {
      char text[512] = {};
      GetWindowTextA(dialog.TextWindow(), text, sizeof(text));
      dialogs_.push_back(text);
      PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
    });
  }
  ~SettingsPageInMainWindowTest() override {
    window_.reset();
    SetDialogShownHook({});
  }

  void Write(const ProgramSettings& settings) {
    ASSERT_EQ(0u, SaveSettings(settings, SettingsPath()));
  }
  ProgramSettings Stored() const {
    ProgramSettings settings;
    LoadSettings(settings, SettingsPath());
    return settings;
  }
  std::string SettingsPath() const { return data_ + "\\hvmend.ini"; }
  std::string Shortcut() const { return startup_ + "\\hvmend.lnk"; }

  MainWindow& Open(bool restorePoints = true) {
    window_ = std::make_unique<MainWindow>();
    window_->SetSystemRestore(std::make_unique<SystemRestoreAnswer>(restorePoints));
    EXPECT_TRUE(window_->Create(StartWords{}, data_));
    ShowWindow(window_->Hwnd(), SW_SHOW);
    ui::PumpMessages();
    return *window_;
  }
  SettingsPage& OpenSettingsPage(bool restorePoints = true) {
    MainWindow& window = Open(restorePoints);
    window.HandleCommand(Command::kSettingsPage, 0);
    EXPECT_EQ(Page::kSettings, window.CurrentPage());
    EXPECT_EQ(Command::kSettingsPage, window.Menu().Highlighted());
    return window.Settings();
  }

  test::RegistrySandbox sandbox_;
  test::TestFolder folder_;
  std::string data_, startup_;
  std::vector<std::string> dialogs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(SettingsPageInMainWindowTest, DisabledDeletesTheShortcutAndAgainChangesNothing) {
  ProgramSettings settings;
  settings.AutoAction = 2;
  Write(settings);
  ASSERT_EQ(0u, StartupShortcut(startup_, "C:\\hvmend.exe").Make("monitor"));
  SettingsPage& page = OpenSettingsPage();
  EXPECT_EQ(2, page.ActionBox().Selected());
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
  Choose(page.ActionBox(), 0);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
  EXPECT_EQ(0, Stored().AutoAction);
  Choose(page.ActionBox(), 0);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(SettingsPageInMainWindowTest, ScanAndRepairThenMonitorReplaceTheShortcut) {
  ProgramSettings settings;
  settings.autorun = "20991231";
  Write(settings);
  SettingsPage& page = OpenSettingsPage();
  EXPECT_FALSE(page.FrequencyBox().IsVisible());
  const int closedUp = page.BackupButton().Bounds().top;
  Choose(page.ActionBox(), 1);
  EXPECT_TRUE(page.FrequencyBox().IsVisible());
  EXPECT_TRUE(page.FrequencyLabel().IsVisible());
  // The rows below make room for the shown row and close up again after it.
  EXPECT_GE(page.BackupButton().Bounds().top, closedUp + ui::Height(page.FrequencyBox().Bounds()));
  EXPECT_GT(page.BackupButton().Bounds().top, page.FrequencyBox().Bounds().bottom);
  EXPECT_EQ("", Stored().autorun);
  std::optional<ShortcutFacts> facts = ReadShortcut(Shortcut());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ(Environment().programFolder + "\\hvmend.exe", facts->target);
  EXPECT_EQ("bootup", facts->arguments);

  // A scan at log-on set the next date; choosing "Monitor" keeps it.
  settings = Stored();
  settings.autorun = "20991231";
  Write(settings);
  Choose(page.ActionBox(), 2);
  EXPECT_FALSE(page.FrequencyBox().IsVisible());
  EXPECT_FALSE(page.FrequencyLabel().IsVisible());
  EXPECT_EQ(closedUp, page.BackupButton().Bounds().top);
  EXPECT_EQ("20991231", Stored().autorun);
  EXPECT_EQ(2, Stored().AutoAction);
  facts = ReadShortcut(Shortcut());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ("monitor", facts->arguments);
}

TEST_F(SettingsPageInMainWindowTest, FrequencyIsStoredAsChosen) {
  ProgramSettings settings;
  settings.AutoAction = 1;
  Write(settings);
  SettingsPage& page = OpenSettingsPage();
  ASSERT_TRUE(page.FrequencyBox().IsVisible());
  Choose(page.FrequencyBox(), 3);
  EXPECT_EQ(3, Stored().AutoFreq);
  EXPECT_EQ(1, Stored().AutoAction);
}

TEST_F(SettingsPageInMainWindowTest, UncheckedConfigurationCacheIsStoredOnLeavingAndNotScanned) {
  ProgramSettings settings;
  for (int section = 1; section <= 24; ++section) settings.SetSection(section, section == 24);
  Write(settings);
  SettingsPage& page = OpenSettingsPage();
  ClickTab(page, 1);
  ASSERT_TRUE(page.SectionBox(24).IsVisible());
  ASSERT_TRUE(page.SectionBox(24).IsChecked());
  Click(page.SectionBox(24).Hwnd());
  EXPECT_FALSE(page.SectionBox(24).IsChecked());
  EXPECT_TRUE(Stored().SectionOn(24));  // written when the page is left
  window_->HandleCommand(Command::kScanPage, 0);
  EXPECT_FALSE(Stored().SectionOn(24));
  window_->HandleCommand(Command::kScan, 0);
  EXPECT_FALSE(window_->Session().Switches().Enabled(24));
  EXPECT_EQ(SectionMark::None, window_->Scan().State().rows[23].mark);
}

TEST_F(SettingsPageInMainWindowTest, WithoutSystemRestoreTheBoxOffersAFullBackupDisabled) {
  SettingsPage& page = OpenSettingsPage(false);
  EXPECT_EQ("Create a full backup of the Registry", page.RestorePointBox().Text());
  EXPECT_FALSE(page.RestorePointBox().IsEnabled());
  EXPECT_TRUE(page.RestorePointNote().IsVisible());
  EXPECT_EQ("This version of Windows doesn't support Restore Point  ",
            page.RestorePointNote().Text());
}

TEST_F(SettingsPageInMainWindowTest, WithSystemRestoreTheBoxIsClickableAndWritesAtOnce) {
  SettingsPage& page = OpenSettingsPage(true);
  EXPECT_EQ("Create a Restore Point before repairing the registry", page.RestorePointBox().Text());
  EXPECT_TRUE(page.RestorePointBox().IsEnabled());
  EXPECT_FALSE(page.RestorePointNote().IsVisible());
  EXPECT_FALSE(page.RestorePointLockNote().IsVisible());
  EXPECT_FALSE(page.ActionLockNote().IsVisible());
  Click(page.RestorePointBox().Hwnd());
  EXPECT_FALSE(Stored().BackupBeforeScan);
}

// An administrator's policies: each held control shows the policy's value,
// greyed, with the note; the pages taken away have no row and do not open.
TEST_F(SettingsPageInMainWindowTest, PoliciesGreyTheirControlsWithTheNoteAndTakeTheirPagesAway) {
  ProgramSettings settings;
  settings.BackupBeforeScan = false;
  settings.MonitorPrompt = 450;
  Write(settings);
  const std::string machine = std::string("HKLM\\") + kPolicyKeyPath;
  test::SeedDword(machine, "AutoAction", 1);
  test::SeedDword(machine, "AutoFreq", 2);
  test::SeedDword(machine, "BackupBeforeScan", 1);
  test::SeedDword(machine, "ConfigurationCache", 1);
  test::SeedDword(std::string("HKCU\\") + kPolicyKeyPath, "MonitorPrompt", 80);
  test::SeedDword(machine, "AllowOptimize", 0);
  test::SeedDword(machine, "UpdateCheck", 0);
  SettingsPage& page = OpenSettingsPage(true);
  EXPECT_EQ(1, page.ActionBox().Selected());
  EXPECT_FALSE(page.ActionBox().IsEnabled());
  EXPECT_TRUE(page.ActionLockNote().IsVisible());
  EXPECT_EQ("Set by your administrator", page.ActionLockNote().Text());
  EXPECT_EQ(2, page.FrequencyBox().Selected());
  EXPECT_FALSE(page.FrequencyBox().IsEnabled());
  EXPECT_TRUE(page.FrequencyLockNote().IsVisible());
  EXPECT_TRUE(page.RestorePointBox().IsChecked());
  EXPECT_FALSE(page.RestorePointBox().IsEnabled());
  EXPECT_TRUE(page.RestorePointLockNote().IsVisible());
  EXPECT_FALSE(page.RestorePointNote().IsVisible());
  ClickTab(page, 1);
  EXPECT_FALSE(page.SectionBox(24).IsEnabled());
  EXPECT_TRUE(page.SectionBox(24).IsChecked());
  EXPECT_TRUE(page.SectionBox(23).IsEnabled());
  EXPECT_TRUE(page.SectionsLockNote().IsVisible());
  EXPECT_EQ("Set by your administrator", page.SectionsLockNote().Text());
  ClickTab(page, 3);
  EXPECT_EQ("80", page.PromptBox().Text());
  EXPECT_FALSE(page.PromptBox().IsEnabled());
  EXPECT_FALSE(page.SaveButton().IsEnabled());
  EXPECT_TRUE(page.PromptLockNote().IsVisible());

  // Leaving the page and closing the window write none of it to the file.
  window_->HandleCommand(Command::kSaveSettings, 0);
  window_->HandleCommand(Command::kScanPage, 0);
  const std::string text = test::ReadWholeFile(SettingsPath());
  EXPECT_NE(std::string::npos, text.find("BackupBeforeScan=0\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find("MonitorPrompt=450\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find("ConfigurationCache=0\r\n")) << text;

  for (const MenuRow& row : window_->Menu().Rows())
    EXPECT_NE(Command::kOptimizePage, row.command) << row.caption;
  window_->HandleCommand(Command::kOptimizePage, 0);
  EXPECT_EQ(Page::kFront, window_->CurrentPage());
  EXPECT_FALSE(window_->UpdateCheckOffered());
}

TEST_F(SettingsPageInMainWindowTest, ResetClearsTheTotalsAndKeepsTheLastFigures) {
  ProgramSettings settings;
  settings.total_error_found = 80;
  settings.total_error_repaired = 60;
  settings.last_err = 7;
  settings.last_repair = 5;
  Write(settings);
  SettingsPage& page = OpenSettingsPage();
  Click(page.ResetButton().Hwnd());
  const ProgramSettings stored = Stored();
  EXPECT_EQ(0, stored.total_error_found);
  EXPECT_EQ(0, stored.total_error_repaired);
  EXPECT_EQ(7, stored.last_err);
  EXPECT_EQ(5, stored.last_repair);
}

TEST_F(SettingsPageInMainWindowTest, MonitorThresholdIsSavedByTheButtonAndAtClose) {
  SettingsPage& page = OpenSettingsPage();
  ClickTab(page, 3);
  EXPECT_EQ("300", page.PromptBox().Text());
  page.PromptBox().SetText("450");
  Click(page.SaveButton().Hwnd());
  EXPECT_EQ(450, Stored().MonitorPrompt);
  page.PromptBox().SetText("12");
  EXPECT_EQ(450, Stored().MonitorPrompt);
  window_->HandleCommand(Command::kSaveSettings, 0);  // the main window saves its page settings
  EXPECT_EQ(12, Stored().MonitorPrompt);
  EXPECT_NE(std::string::npos,
            page.MonitorDescription().Text().find("modifications.\r\n\r\nAll captured"));
}

TEST_F(SettingsPageInMainWindowTest, HelpFollowsTheShownTabAndTheGeneralTabComesBackFirst) {
  MainWindow& window = Open();
  std::vector<std::string> asked;
  window.SetHelpViewer([&](const std::string& location) {
    asked.push_back(location);
    return true;
  });
  window.HandleCommand(Command::kSettingsPage, 0);
  ClickTab(window.Settings(), 2);
  EXPECT_EQ(2, window.SettingsTab());
  EXPECT_TRUE(window.Settings().IgnoreList().IsVisible());
  SendMessageA(window.Hwnd(), WM_HOTKEY, MainWindow::kHelpHotKey, 0);
  ASSERT_EQ(1u, asked.size());
  EXPECT_EQ(
      Environment().programFolder + "\\hvmend.chm::/Using Hivemend\\Settings\\Ignore List.htm",
      asked[0]);
  window.HandleCommand(Command::kRestorePage, 0);
  window.HandleCommand(Command::kSettingsPage, 0);
  EXPECT_EQ(0, window.SettingsTab());
  EXPECT_EQ(0, window.Settings().Tabs().Selected());
  EXPECT_FALSE(window.Settings().IgnoreList().IsVisible());
}

TEST_F(SettingsPageInMainWindowTest, TheStartOfTheWindowKeepsAWeeklyScanDate) {
  ProgramSettings settings;
  settings.AutoAction = 1;
  settings.AutoFreq = 1;
  settings.autorun = "20991231";
  Write(settings);
  Open();
  EXPECT_EQ("20991231", Stored().autorun);
  EXPECT_EQ(1, window_->Settings().ActionBox().Selected());
  EXPECT_EQ(1, window_->Settings().FrequencyBox().Selected());
}

// The page on a host window of its own, with its services recorded.
class SettingsPageWindowTest : public test::TestFolderTest {
 protected:
  class Dialogs : public DialogService {
   public:
    int MessageDialog(const std::string& text, const std::string&, int) override {
      shown.push_back(text);
      return dialog::kOk;
    }
    std::vector<std::string> shown;
  };

  SettingsPageWindowTest() : host_(700, 560) {
    InitEnvironment();
    SettingsPageModel::Services services;
    services.settingsPath = folder_.File("hvmend.ini");
    services.dataFolder = folder_.Path();
    services.dialogs = &dialogs_;
    services.restorePointsAvailable = [] { return true; };
    page_ = std::make_unique<SettingsPage>(std::move(services));
    const RECT client = host_.ClientRect();
    EXPECT_TRUE(page_->Create(host_.Hwnd(), client));
    page_->ReadSettings();
    page_->Show(true);
    page_->ShowSettings(true);
    ui::PumpMessages();
  }

  ui::test::TestHost host_;
  Dialogs dialogs_;
  std::unique_ptr<SettingsPage> page_;
};

// The page's title stands where the restore page has its own; the tabs fill
// the rest of the page with equal margins at its sides and foot.
TEST_F(SettingsPageWindowTest, TheTitleThenTheTabsFillThePageWithEqualMarginsAtAnySize) {
  EXPECT_EQ("Settings", page_->Title().Text());
  for (const RECT& bounds : {ui::MakeRect(0, 0, 640, 500), ui::MakeRect(0, 0, 420, 330)}) {
    page_->SetBounds(bounds);
    const RECT title = page_->Title().Bounds();
    const RECT tabs = page_->Tabs().Bounds();
    const RECT client = page_->ClientRect();
    EXPECT_EQ(16, title.left);
    EXPECT_EQ(12, title.top);
    EXPECT_LE(title.bottom, tabs.top) << "the title is not covered by the tabs";
    EXPECT_GT(tabs.left, 0);
    EXPECT_EQ(tabs.left, client.right - tabs.right);
    EXPECT_EQ(tabs.left, client.bottom - tabs.bottom);
    // The shown tab's controls stand inside its panel, over the tab's area.
    RECT panel{};
    GetWindowRect(page_->Panel(SettingsTab::kGeneral).Hwnd(), &panel);
    MapWindowPoints(nullptr, page_->Hwnd(), reinterpret_cast<POINT*>(&panel), 2);
    EXPECT_GE(panel.left, tabs.left);
    EXPECT_GT(panel.top, tabs.top);  // below the tab captions
    EXPECT_LE(panel.right, tabs.right);
    EXPECT_LE(panel.bottom, tabs.bottom);
  }
}

TEST_F(SettingsPageWindowTest, RowLabelsAndBoxesShareTheCentreLineOfTheirRow) {
  // A label beside a drop-down list takes the list's own height (which the
  // list sets itself) and centres its one line in it.
  const RECT label = page_->FrequencyLabel().Bounds(), list = page_->FrequencyBox().Bounds();
  EXPECT_EQ(list.top, label.top);
  EXPECT_EQ(list.bottom, label.bottom);
  EXPECT_LT(label.right, list.left);
  EXPECT_NE(0, GetWindowLongA(page_->FrequencyLabel().Hwnd(), GWL_STYLE) & SS_CENTERIMAGE);
  // The number box, whose text stays at its top, is lower than the button and
  // centred on the same line.
  const RECT box = page_->PromptBox().Bounds(), save = page_->SaveButton().Bounds();
  EXPECT_NEAR(box.top + box.bottom, save.top + save.bottom, 1);
  EXPECT_LT(ui::Height(box), ui::Height(save));
}

TEST_F(SettingsPageWindowTest, TheGeneralTabsButtonsShareSizeAndLeftEdge) {
  const RECT backup = page_->BackupButton().Bounds(), reset = page_->ResetButton().Bounds();
  EXPECT_EQ(backup.left, reset.left);
  EXPECT_EQ(ui::Width(backup), ui::Width(reset));
  EXPECT_EQ(ui::Height(backup), ui::Height(reset));
  EXPECT_GT(reset.top, backup.bottom);
}

TEST_F(SettingsPageWindowTest, TwentyFourSectionBoxesInThreeColumnsOfEight) {
  for (int section = 1; section <= 24; ++section) {
    SCOPED_TRACE(section);
    EXPECT_EQ(std::string(Section(section).label), page_->SectionBox(section).Text());
    const RECT box = page_->SectionBox(section).Bounds();
    const RECT first = page_->SectionBox(section - (section - 1) % 8).Bounds();
    EXPECT_EQ(first.left, box.left);  // one column per eight sections
    if (section > 8) {
      EXPECT_GT(box.left, page_->SectionBox(section - 8).Bounds().right - 10);
      EXPECT_EQ(page_->SectionBox(section - 8).Bounds().top, box.top);
    }
    if ((section - 1) % 8) {
      EXPECT_GT(box.top, page_->SectionBox(section - 1).Bounds().top);
    }
  }
  EXPECT_TRUE(page_->SectionBox(1).IsChecked());
  EXPECT_FALSE(page_->SectionBox(24).IsChecked());
}

TEST_F(SettingsPageWindowTest, IgnoreListRowsAndTheirRemoval) {
  ui::ListView& list = page_->IgnoreList();
  ASSERT_EQ(22 + 158, list.RowCount());
  EXPECT_EQ("Permanent", list.Cell(0, 0));
  EXPECT_FALSE(page_->RemoveEnabled());
  page_->RemoveSelected();  // nothing selected: nothing happens
  EXPECT_EQ(22 + 158, list.RowCount());

  list.SelectRow(3);
  EXPECT_TRUE(page_->RemoveEnabled());
  page_->RemoveSelected();
  EXPECT_EQ(std::vector<std::string>{settings_text::kPermanentRefusal}, dialogs_.shown);
  EXPECT_EQ(22 + 158, list.RowCount());

  list.SelectRow(22);
  const std::string skipped = list.Cell(22, 1);
  EXPECT_EQ("Ignore List", list.Cell(22, 0));
  page_->RemoveSelected();
  EXPECT_EQ(22 + 157, list.RowCount());
  EXPECT_NE(skipped, list.Cell(22, 1));
}

TEST_F(SettingsPageWindowTest, TheWheelOverThePageScrollsTheList) {
  page_->SelectTab(SettingsTab::kIgnoreList);
  HWND list = page_->IgnoreList().Hwnd();
  ASSERT_EQ(0, SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  RECT place{};
  GetWindowRect(list, &place);
  const WPARAM down = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
  SendMessageA(page_->Hwnd(), WM_MOUSEWHEEL, down, MAKELPARAM(place.left + 4, place.top + 4));
  EXPECT_GT(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(SettingsPageWindowTest, KeyColumnIsAsWideAsTheWidestProtectedKey) {
  HWND list = page_->IgnoreList().Hwnd();
  const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
  const std::string widest =
      "HKLM\\SOFTWARE\\Roxio\\Common SDK\\Project\\Locations\\{B804FC0E-368D-4DD6-B6B4-"
      "152B464BE649}";
  const int text = static_cast<int>(
      SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(widest.c_str())));
  EXPECT_GT(width, text);
  EXPECT_LT(width, text + 40);
  EXPECT_EQ(page_->IgnoreList().CurrentDpi().Scale(100),
            SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
}

TEST_F(SettingsPageWindowTest, BackupButtonWaitsForItsHandler) {
  EXPECT_FALSE(page_->BackupButton().IsEnabled());
  int clicks = 0;
  page_->SetBackupHandler([&] { ++clicks; });
  page_->EnableBackup(true);
  Click(page_->BackupButton().Hwnd());
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(page_->BackupProgressLabel().IsVisible());
  page_->ShowBackupRunning(true);
  EXPECT_TRUE(page_->BackupProgressLabel().IsVisible());
  EXPECT_EQ("Backup Registry in Progress...", page_->BackupProgressLabel().Text());
  page_->ShowBackupRunning(false);
  EXPECT_FALSE(page_->BackupProgressLabel().IsVisible());
}

TEST_F(SettingsPageWindowTest, AnEmptyMonitorBoxSavesNothingAndShowsTheStoredNumber) {
  page_->SelectTab(SettingsTab::kMonitor);
  page_->PromptBox().SetText("");
  Click(page_->SaveButton().Hwnd());
  EXPECT_EQ("300", page_->PromptBox().Text());
  ProgramSettings settings;
  LoadSettings(settings, folder_.File("hvmend.ini"));
  EXPECT_EQ(300, settings.MonitorPrompt);
}

}  // namespace
}  // namespace hvm
