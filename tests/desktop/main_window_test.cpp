#include "desktop/main_window.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <map>

#include <gtest/gtest.h>

#include "engine/core/clock.h"
#include "engine/core/environment.h"
#include "engine/monitor/monitor_test_steps.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/snapshot_text.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::SeedString;

// System Restore as the tests answer for it: available, every call recorded.
class FakeSystemRestore : public SystemRestore {
 public:
  bool Available() override { return available; }
  int32_t Begin(const std::string&, uint64_t& sequence) override {
    calls.push_back("begin");
    sequence = 77;
    return 0;
  }
  int32_t End(uint64_t sequence) override {
    calls.push_back("end " + std::to_string(sequence));
    return 0;
  }
  std::vector<std::string> calls;
  bool available = true;
};

// The texts of the message dialogs `work` shows, each closed at once.
std::vector<std::string> DialogTextsDuring(const std::function<void()>& work) {
  std::vector<std::string> messages;
  SetDialogShownHook([&](MessageDialogWindow& dialog) {
    char text[256] = {};
    GetWindowTextA(dialog.TextWindow(), text, sizeof(text));
    messages.push_back(text);
    PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  work();
  SetDialogShownHook({});
  return messages;
}

// A real main window over a registry and a data folder of its own.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    InitEnvironment();
    data_ = folder_.File("data");
    CreateDirectoryA(data_.c_str(), nullptr);
  }
  ~MainWindowTest() override { window_.reset(); }

  // Only the given sections switched on in the settings file.
  void SwitchOnly(std::initializer_list<int> sections) {
    ProgramSettings settings;
    for (int s = 1; s <= 24; ++s) settings.SetSection(s, false);
    for (int s : sections) settings.SetSection(s, true);
    ASSERT_EQ(0u, SaveSettings(settings, data_ + "\\hvmend.ini"));
  }

  MainWindow& Open(const StartWords& words = {}) {
    window_ = std::make_unique<MainWindow>();
    auto platform = std::make_unique<FakeSystemRestore>();
    systemRestore_ = platform.get();
    window_->SetSystemRestore(std::move(platform));
    EXPECT_TRUE(window_->Create(words, data_));
    ShowWindow(window_->Hwnd(), SW_SHOW);
    ui::PumpMessages();
    return *window_;
  }

  // Classes whose server file is gone, for section 4.
  void SeedStaleClasses(int count) {
    for (int i = 0; i < count; ++i)
      SeedString("HKCR\\CLSID\\{STALE-" + std::to_string(1000 + i) + "}\\InprocServer32", "",
                 folder_.File("gone" + std::to_string(i) + ".dll"));
  }

  // A window whose scan of section 4 alone met `stale` stale classes.
  MainWindow& ScannedWith(int stale) {
    SwitchOnly({4});
    SeedStaleClasses(stale);
    MainWindow& window = Open();
    window.HandleCommand(Command::kScan, 0);
    return window;
  }

  // A settings file whose dates all say "just now": the front page, once
  // rendered again, is the good health page.
  void StampEverythingNow() {
    const LocalTime now = ProgramClock().LocalNow();
    char stamp[16];
    std::snprintf(stamp, sizeof(stamp), "%04d%02d%02d%02d%02d", now.year, now.month, now.day,
                  now.hour, now.minute);
    ProgramSettings settings;
    LoadSettings(settings, data_ + "\\hvmend.ini");
    settings.last_backup = settings.last_scan = settings.last_organize = stamp;
    ASSERT_EQ(0u, SaveSettings(settings, data_ + "\\hvmend.ini"));
  }

  test::RegistrySandbox sandbox_;
  test::TestFolder folder_;
  std::string data_;
  std::unique_ptr<MainWindow> window_;
  FakeSystemRestore* systemRestore_ = nullptr;  // owned by the window
};

TEST_F(MainWindowTest, OpensOnTheFrontPageWithItsMenu) {
  MainWindow& window = Open();
  EXPECT_EQ(Page::kFront, window.CurrentPage());
  EXPECT_EQ(Command::kScanPage, window.Menu().Highlighted());
  EXPECT_TRUE(window.FrontView().IsVisible());
  EXPECT_FALSE(window.Scan().IsVisible());
  const size_t rows = Environment().WindowsVersionCode == 8 ? 7 : 6;
  EXPECT_EQ(rows, window.Menu().Rows().size());
  // No backup was ever made: the low health page.
  EXPECT_EQ(410, window.FrontTemplate());
  char className[64] = {};
  GetClassNameA(window.Hwnd(), className, sizeof(className));
  EXPECT_STREQ("TForm1", className);
}

TEST_F(MainWindowTest, ADeclinedUpdateRemindsAfterTheChosenDays) {
  SwitchOnly({});
  MainWindow& window = Open();
  window.HandleCommand(Command::kRemindLater, 30);
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_EQ(30, settings.UpdateFreq);
  EXPECT_EQ(NextDueText(LocalToday(), 30), settings.update);
}

TEST_F(MainWindowTest, SwitchingToTheShownPageRefreshesNothing) {
  MainWindow& window = Open();
  ASSERT_EQ(410, window.FrontTemplate());
  StampEverythingNow();
  window.TurnPage(Page::kFront);
  ui::PumpMessages();
  EXPECT_EQ(410, window.FrontTemplate()) << "the shown page was not turned to again";
  window.TurnPage(Page::kScan);
  EXPECT_FALSE(window.Menu().RowsEnabled());
  window.TurnPage(Page::kFront);
  EXPECT_TRUE(window.Menu().RowsEnabled());
  ui::PumpMessages();
  EXPECT_EQ(411, window.FrontTemplate()) << "coming back, the front page shows the file anew";
}

TEST_F(MainWindowTest, ScanCommandWithResultsHeldShowsThemAndKeepsThem) {
  MainWindow& window = Open();
  window.Session().Results().AddProblem(4, "HKCR\\CLSID\\{A}\\InprocServer32");
  window.Session().Results().AddProblem(4, "HKCR\\CLSID\\{B}\\InprocServer32");
  ASSERT_EQ(2, window.Session().Results().TotalCount());
  window.HandleCommand(Command::kScanPage, 0);
  EXPECT_EQ(Page::kResults, window.CurrentPage());
  window.HandleCommand(Command::kScan, 0);  // a start while results are held only shows them
  EXPECT_EQ(2, window.Session().Results().TotalCount());
  window.HandleCommand(Command::kContinue, 0);
  EXPECT_EQ(Page::kFront, window.CurrentPage());
  EXPECT_EQ(0, window.Session().Results().TotalCount());
}

TEST_F(MainWindowTest, FOneAsksForTheTopicOfTheShownPage) {
  MainWindow& window = Open();
  std::vector<std::string> asked;
  window.SetHelpViewer([&](const std::string& location) {
    asked.push_back(location);
    return true;
  });
  SendMessageA(window.Hwnd(), WM_HOTKEY, MainWindow::kHelpHotKey, 0);
  window.TurnPage(Page::kScan);
  window.ShowHelp();
  ASSERT_EQ(2u, asked.size());
  EXPECT_EQ(Environment().programFolder + "\\hvmend.chm::/Using Hivemend\\Scan and Clean.htm",
            asked[0]);
  EXPECT_EQ(Environment().programFolder + "\\hvmend.chm::/About Hivemend\\Hivemend support.htm",
            asked[1]);
}

TEST_F(MainWindowTest, ScanFromTheFrontPageCountsOnTheScanPage) {
  MainWindow& window = ScannedWith(6);
  const ResultsStore& results = window.Session().Results();
  EXPECT_EQ(6, results.TotalCount());
  const ScanPageState& state = window.Scan().State();
  for (int section = 1; section <= 24; ++section)
    EXPECT_EQ(static_cast<int>(results.Section(section).size()), state.rows[section - 1].count)
        << section;
  EXPECT_EQ(SectionMark::Problem, state.rows[3].mark);
  EXPECT_EQ(SectionMark::None, state.rows[4].mark);  // switched off: never ran
  EXPECT_EQ("6 Problems Found", state.total);
  EXPECT_EQ(Page::kResults, window.CurrentPage());
  EXPECT_TRUE(window.Menu().RowsEnabled());
  EXPECT_FALSE(window.Busy());
  // The statistics reached the settings file and the front page's figures.
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_EQ(6, settings.last_err);
}

// Records, while a scan runs, whether the menu is usable: the scan lets
// messages run at its polls, so a message posted before it arrives during it.
class MenuProbe : public ui::Window {
 public:
  explicit MenuProbe(MainWindow& window) : window_(window) {
    CreateArgs args;
    args.className = "HivemendMenuProbe";
    args.style = WS_POPUP;
    if (!CreateWindowOf(args)) throw std::runtime_error("no probe window");
  }
  std::optional<bool> enabledDuringScan;
  std::optional<Page> pageDuringScan;
  std::optional<bool> updatesOfferedDuringScan;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP) {
      enabledDuringScan = window_.Menu().RowsEnabled();
      pageDuringScan = window_.CurrentPage();
      updatesOfferedDuringScan = window_.UpdateCheckOffered();
      return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
  }

 private:
  MainWindow& window_;
};

TEST_F(MainWindowTest, MenuIsDisabledDuringTheScanAndEscapeStopsIt) {
  SwitchOnly({4});
  SeedStaleClasses(40);
  MainWindow& window = Open();
  MenuProbe probe(window);
  PostMessageA(probe.Hwnd(), WM_APP, 0, 0);
  // Esc reaches the main window at the scan's first poll and ends the scan
  // within four more classes.
  PostMessageA(window.Hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
  window.HandleCommand(Command::kScan, 0);
  ASSERT_TRUE(probe.enabledDuringScan.has_value());
  EXPECT_FALSE(*probe.enabledDuringScan);
  EXPECT_LE(window.Session().Results().TotalCount(), 4);
  EXPECT_TRUE(window.Menu().RowsEnabled());
  EXPECT_FALSE(window.Busy());
}

// The user asked for an update check from the help menu and the answer came
// while the scan ran: the scan keeps its page and locked menu, and the answer
// is told when it has ended, on the page the scan ended on.
TEST_F(MainWindowTest, AnUpdateAnswerDuringAScanWaitsForItsEnd) {
  SwitchOnly({4});
  SeedStaleClasses(40);
  MainWindow& window = Open();
  ASSERT_TRUE(window.UpdateCheckOffered());
  MenuProbe probe(window);
  PostMessageA(window.Hwnd(), WM_USER, NumberOf(Command::kUpdateCheckResult),
               update_result::kManualNothingNewer);
  PostMessageA(probe.Hwnd(), WM_APP, 0, 0);
  const std::vector<std::string> told = DialogTextsDuring([&] {
    window.HandleCommand(Command::kScan, 0);
    ui::PumpMessages();
  });
  ASSERT_TRUE(probe.pageDuringScan.has_value());
  EXPECT_EQ(Page::kScan, *probe.pageDuringScan);
  EXPECT_FALSE(*probe.enabledDuringScan);
  EXPECT_FALSE(*probe.updatesOfferedDuringScan) << "Check for Updates is greyed while busy";
  EXPECT_EQ(40, window.Session().Results().TotalCount());
  EXPECT_EQ((std::vector<std::string>{"There are no new updates.  You have the latest version"}),
            told);
  EXPECT_EQ(Page::kResults, window.CurrentPage());
  EXPECT_TRUE(window.Menu().RowsEnabled());
  EXPECT_TRUE(window.UpdateCheckOffered());
}

// The help menu's items in their order ("-" a separator), "Check for Updates"
// in brackets while it is greyed.
std::vector<std::string> HelpMenuItems(const MainWindow& window) {
  HMENU menu = window.CreateHelpMenu();
  std::vector<std::string> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    if (state & MF_SEPARATOR)
      items.push_back("-");
    else
      items.push_back((state & MF_GRAYED) ? "[" + std::string(text) + "]" : text);
  }
  DestroyMenu(menu);
  return items;
}

TEST_F(MainWindowTest, TheHelpMenuGreysTheUpdateCheckWhileBusy) {
  MainWindow& window = Open();
  const std::vector<std::string> idle = {
      "&Help", "-", "Check for Updates", "Hivemend on the &Web", "-", "About Hivemend", "-"};
  EXPECT_EQ(idle, HelpMenuItems(window));
  window.Session().Driver().SetBusy(true);
  EXPECT_EQ("[Check for Updates]", HelpMenuItems(window)[2]);
  window.Session().Driver().SetBusy(false);
  EXPECT_EQ("Check for Updates", HelpMenuItems(window)[2]);
}

// While a long operation runs (here as a backup's worker holds the flag), the
// commands that clear the results do nothing.
TEST_F(MainWindowTest, CommandsThatClearTheResultsWaitWhileBusy) {
  MainWindow& window = Open();
  window.Session().Results().AddProblem(4, "HKCR\\CLSID\\{A}\\InprocServer32");
  window.Session().Results().AddProblem(4, "HKCR\\CLSID\\{B}\\InprocServer32");
  window.HandleCommand(Command::kScanPage, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  window.Session().Driver().SetBusy(true);
  for (Command command : {Command::kContinue, Command::kOptimize, Command::kUndoOptimize}) {
    window.HandleCommand(command, 0);
    EXPECT_EQ(2, window.Session().Results().TotalCount()) << NumberOf(command);
    EXPECT_EQ(Page::kResults, window.CurrentPage()) << NumberOf(command);
  }
  window.Session().Driver().SetBusy(false);
  window.HandleCommand(Command::kContinue, 0);
  EXPECT_EQ(0, window.Session().Results().TotalCount());
  EXPECT_EQ(Page::kFront, window.CurrentPage());
}

// The same for a repair: the answer is told when the repair is done, over its
// report.
TEST_F(MainWindowTest, AnUpdateAnswerDuringARepairWaitsForItsEnd) {
  MainWindow& window = ScannedWith(3);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  PostMessageA(window.Hwnd(), WM_USER, NumberOf(Command::kUpdateCheckResult),
               update_result::kManualNothingNewer);
  std::optional<Page> pageWhenTold;
  std::optional<bool> busyWhenTold;
  SetDialogShownHook([&](MessageDialogWindow& dialog) {
    pageWhenTold = window.CurrentPage();
    busyWhenTold = window.Busy();
    PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  window.Results().RepairButton().Click();
  ui::PumpMessages();
  SetDialogShownHook({});
  EXPECT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1000}\\InprocServer32"));
  ASSERT_TRUE(pageWhenTold.has_value()) << "the answer was told";
  EXPECT_EQ(Page::kSummary, *pageWhenTold);
  EXPECT_FALSE(*busyWhenTold);
  EXPECT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_TRUE(window.Menu().RowsEnabled());
}

// A read-only settings file: the scan's statistics, a reminder and the
// placement all fail to save, and the user hears of it once, after the scan.
TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsToldOnce) {
  SwitchOnly({4});
  SeedStaleClasses(2);
  MainWindow& window = Open();
  const std::string path = data_ + "\\hvmend.ini";
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::vector<std::string> told = DialogTextsDuring([&] {
    window.HandleCommand(Command::kScan, 0);
    window.HandleCommand(Command::kRemindLater, 7);
    window.HandleCommand(Command::kSaveSettings, 0);
    ui::PumpMessages();
  });
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(1u, told.size());
  EXPECT_EQ(0u, told[0].find("The settings could not be saved to " + path + " [")) << told[0];
  EXPECT_EQ(2, window.Session().Results().TotalCount()) << "the scan went on";
  ProgramSettings settings;
  LoadSettings(settings, path);
  EXPECT_TRUE(settings.last_scan.empty());
  // Writable again: the next save goes through without a word.
  EXPECT_TRUE(DialogTextsDuring([&] { window.HandleCommand(Command::kSaveSettings, 0); }).empty());
  LoadSettings(settings, path);
  EXPECT_FALSE(settings.window.empty() && settings.window_l.empty());
}

TEST_F(MainWindowTest, StopButtonEndsTheScanLikeEscape) {
  SwitchOnly({4});
  SeedStaleClasses(40);
  MainWindow& window = Open();
  // The click arrives through the scan page, the Stop button's parent.
  PostMessageA(window.Scan().Hwnd(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(window.Scan().StopButton().Hwnd()));
  window.HandleCommand(Command::kScan, 0);
  EXPECT_LE(window.Session().Results().TotalCount(), 4);
  EXPECT_FALSE(window.Busy());
}

// The placements for both kinds of screen, each telling itself apart: the one
// for this screen maximised with a tiny rectangle at 20,30, the other normal
// at 300,310.
constexpr char kTinyMaximised[] = "44,2,3,0,0,-1,-1,20,30,120,130";
constexpr char kNormalElsewhere[] = "44,0,1,0,0,-1,-1,300,310,1300,1310";

void SavePlacements(const std::string& path) {
  ProgramSettings settings;
  const bool large = ui::Dpi::System().Value() > 96;
  (large ? settings.window_l : settings.window) = kTinyMaximised;
  (large ? settings.window : settings.window_l) = kNormalElsewhere;
  ASSERT_EQ(0u, SaveSettings(settings, path));
}

TEST_F(MainWindowTest, SavedPlacementOpensAtLeastAtTheWindowSizeAndMaximised) {
  SavePlacements(data_ + "\\hvmend.ini");
  window_ = std::make_unique<MainWindow>();
  ASSERT_TRUE(window_->Create(StartWords{}, data_));
  EXPECT_EQ(SW_SHOWMAXIMIZED, window_->FirstShowCommand(SW_SHOWNORMAL));
  WINDOWPLACEMENT placement{sizeof(placement)};
  GetWindowPlacement(window_->Hwnd(), &placement);
  EXPECT_EQ(20, placement.rcNormalPosition.left);
  EXPECT_GT(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 100);
}

TEST_F(MainWindowTest, SilentStartIgnoresTheSavedPlacement) {
  SavePlacements(data_ + "\\hvmend.ini");
  window_ = std::make_unique<MainWindow>();
  ASSERT_TRUE(window_->Create(ParseStartWords({"bootup", "silent"}), data_));
  EXPECT_EQ(SW_SHOWNORMAL, window_->FirstShowCommand(SW_SHOWNORMAL));
  WINDOWPLACEMENT placement{sizeof(placement)};
  GetWindowPlacement(window_->Hwnd(), &placement);
  EXPECT_NE(20, placement.rcNormalPosition.left);
  EXPECT_NE(300, placement.rcNormalPosition.left);
}

// Moved onto a monitor of another density, the window still saves its
// placement under the key it was opened from, and leaves the other alone.
TEST_F(MainWindowTest, ClosingSavesThePlacementUnderTheKeyItOpenedFrom) {
  SavePlacements(data_ + "\\hvmend.ini");
  MainWindow& window = Open();
  const int elsewhere = ui::Dpi::System().Value() > 96 ? 96 : 144;
  RECT bounds{};
  GetWindowRect(window.Hwnd(), &bounds);
  SendMessageA(window.Hwnd(), WM_DPICHANGED, MAKEWPARAM(elsewhere, elsewhere),
               reinterpret_cast<LPARAM>(&bounds));
  ASSERT_EQ(elsewhere, window.CurrentDpi().Value());
  window.HandleCommand(Command::kSaveSettings, 0);
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  const bool large = ui::Dpi::System().Value() > 96;
  EXPECT_EQ(PlacementText(window.Hwnd()), large ? settings.window_l : settings.window);
  EXPECT_NE(kTinyMaximised, large ? settings.window_l : settings.window);
  EXPECT_EQ(kNormalElsewhere, large ? settings.window : settings.window_l);
}

TEST_F(MainWindowTest, HotKeysHeldElsewhereDoNotStopTheStart) {
  // Another window holds Ctrl+Q and F1 first, as another program could.
  HWND holder = CreateWindowExA(0, "STATIC", "holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(RegisterHotKey(holder, 7, MOD_CONTROL, 'Q'));
  ASSERT_TRUE(RegisterHotKey(holder, 8, 0, VK_F1));
  MainWindow& window = Open();
  EXPECT_FALSE(window.HotKeysRegistered());
  EXPECT_EQ(Page::kFront, window.CurrentPage());
  UnregisterHotKey(holder, 7);
  UnregisterHotKey(holder, 8);
  DestroyWindow(holder);
}

// A row's data names its section and index however long the section's list:
// rows past 65,535 once named entries of the next section.
TEST(ResultsRowData, SectionAndIndexComeBackForAnyListLength) {
  for (const int section : {1, 4, 24})
    for (const int index : {-1, 0, 65534, 65535, 65536, 1000000}) {
      const LPARAM data = ResultsPage::DataFor(section, index);
      EXPECT_EQ(section, ResultsPage::SectionOf(data)) << section << " " << index;
      EXPECT_EQ(index, ResultsPage::IndexOf(data)) << section << " " << index;
    }
  EXPECT_NE(ResultsPage::DataFor(4, 65535), ResultsPage::DataFor(5, -1));
}

TEST_F(MainWindowTest, ResultsPageShowsTheScanAndItsChecksDriveTheStore) {
  SwitchOnly({4, 7});
  SeedStaleClasses(3);
  MainWindow& window = Open();
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  ResultsPage& page = window.Results();
  EXPECT_TRUE(page.IsVisible());
  EXPECT_TRUE(page.ShownOnce());
  EXPECT_EQ(" 3 Problems Found!", page.CountText());
  EXPECT_EQ("Attention: 3 Problems Found!", page.SummaryText());
  // Two switched-on sections, one of them empty; the first holds the three classes.
  ui::TreeView& tree = page.Tree();
  HTREEITEM first = TreeView_GetRoot(tree.Hwnd());
  ASSERT_NE(nullptr, first);
  HTREEITEM second = TreeView_GetNextSibling(tree.Hwnd(), first);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(nullptr, TreeView_GetNextSibling(tree.Hwnd(), second));
  EXPECT_EQ(nullptr, TreeView_GetChild(tree.Hwnd(), second));
  tree.Expand(first, true);
  HTREEITEM item = TreeView_GetChild(tree.Hwnd(), first);
  ASSERT_NE(nullptr, item);
  // A click on the row's check glyph unchecks the entry; Space checks it again.
  const RECT row = tree.RowRect(item);
  const ui::RowLook look = tree.rowLook(item, tree.DataOf(item));
  const ui::RowGeometry geometry = ui::LayoutRow(row, 1, look, tree.CurrentDpi());
  const POINT check{(geometry.check.left + geometry.check.right) / 2,
                    (geometry.check.top + geometry.check.bottom) / 2};
  SendMessageA(tree.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(check.x, check.y));
  SendMessageA(tree.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(check.x, check.y));
  const auto& entries = window.Session().Results().Section(4);
  EXPECT_FALSE(entries[0].Checked());
  EXPECT_EQ(RowCheck::kPartial, page.Model().SectionState(4));
  tree.Select(item);
  SendMessageA(tree.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(entries[0].Checked());
  // Anywhere on the row but its text toggles it (here: its indent); the text
  // only selects.
  const POINT text{(geometry.text.left + geometry.text.right) / 2, check.y};
  SendMessageA(tree.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(text.x, text.y));
  SendMessageA(tree.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(text.x, text.y));
  EXPECT_TRUE(entries[0].Checked());
  const POINT indent{row.left + 1, check.y};
  SendMessageA(tree.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(indent.x, indent.y));
  SendMessageA(tree.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(indent.x, indent.y));
  EXPECT_FALSE(entries[0].Checked());
  SendMessageA(tree.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(entries[0].Checked());
  // "S" marks the row to be ignored.
  SendMessageA(tree.Hwnd(), WM_KEYDOWN, 'S', 1);
  EXPECT_TRUE(entries[0].IgnoreMarked());
  EXPECT_FALSE(entries[0].Checked());
}

// The results page's backup: a restore point and the date of the last backup;
// where none can be made the user is told so, and no date is kept.
TEST_F(MainWindowTest, BackupNowMakesARestorePointOrSaysWhyNone) {
  MainWindow& window = ScannedWith(1);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  std::vector<std::string> asked;
  SetDialogShownHook([&](MessageDialogWindow& dialog) {
    char text[256] = {};
    GetWindowTextA(dialog.TextWindow(), text, sizeof(text));
    asked.push_back(text);
    // OK to the question; every notice closed.
    if (asked.size() == 1)
      dialog.ButtonAt(1)->Click();
    else
      PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  systemRestore_->available = false;
  window.Results().BackupButton().Click();
  ASSERT_EQ(2u, asked.size());
  EXPECT_EQ("Continue with Backup?", asked[0]);
  EXPECT_NE(std::string::npos, asked[1].find("System Restore is not available"));
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_EQ("", settings.last_backup);

  asked.clear();
  systemRestore_->available = true;
  window.Results().BackupButton().Click();
  SetDialogShownHook({});
  EXPECT_EQ(std::vector<std::string>{"Continue with Backup?"}, asked);
  EXPECT_EQ((std::vector<std::string>{"begin", "end 77"}), systemRestore_->calls);
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_NE("", settings.last_backup);
}

TEST_F(MainWindowTest, RepairFromTheResultsPageRemovesTheCheckedAndKeepsTheUndo) {
  MainWindow& window = ScannedWith(3);
  ASSERT_EQ(3, window.Session().Results().TotalCount());
  window.Results().Model().ToggleItem(4, 2);  // the user keeps one
  window.Results().RepairButton().Click();
  EXPECT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1000}\\InprocServer32"));
  EXPECT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1001}\\InprocServer32"));
  EXPECT_TRUE(test::KeyExists("HKCR\\CLSID\\{STALE-1002}\\InprocServer32"));
  const std::string snapshot =
      test::SnapshotFileText(data_ + "\\" + Environment().SnapshotName + ".reg");
  EXPECT_NE(std::string::npos, snapshot.find("{STALE-1000}"));
  EXPECT_EQ(std::string::npos, snapshot.find("{STALE-1002}"));
  EXPECT_EQ(0, window.Session().Results().TotalCount());
  EXPECT_FALSE(window.Busy());
  // A restore point was begun before the repair and ended after it (the test
  // program runs as an administrator of its prefix), and the report says so.
  if (Environment().IsAdministrator) {
    EXPECT_EQ((std::vector<std::string>{"begin", "end 77"}), systemRestore_->calls);
    EXPECT_EQ("made", window.Report().ValueOf("Restore Point"));
  } else {
    EXPECT_TRUE(systemRestore_->calls.empty());
    EXPECT_EQ("not made (not an administrator)", window.Report().ValueOf("Restore Point"));
  }
  // The report page shows this repair; the progress window ran to its end and went.
  EXPECT_EQ("3", window.Report().ValueOf("Total Problems Found"));
  EXPECT_EQ("2", window.Report().ValueOf("Total Problems Repaired"));
  EXPECT_EQ("1", window.Report().ValueOf("Total Problems Remaining"));
  EXPECT_EQ(1000, window.Progress().Math().Position());
  EXPECT_FALSE(window.Progress().IsVisible());
  // The results were seen before this repair: the first-time hints are over.
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_FALSE(settings.FirstTimeScan);
  // The restore page already holds this repair's snapshot and its two entries.
  EXPECT_EQ(1, window.Restore().Chooser().Count());
  EXPECT_EQ(2, window.Restore().List().Count());
  // Continue leads back to the front page.
  window.Report().ContinueButton().Click();
  ui::PumpMessages();
  EXPECT_EQ(Page::kFront, window.CurrentPage());
}

// The results and report buttons are pictures, yet a keyboard user reaches
// them: each is a tab stop with its caption, and the focused one is pressed
// with Enter or Space.
TEST_F(MainWindowTest, RepairAndContinueButtonsWorkFromTheKeyboard) {
  MainWindow& window = ScannedWith(2);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  ResultsPage& results = window.Results();
  for (ui::ImageButton* button : {&results.RepairButton(), &results.BackupButton()})
    EXPECT_TRUE(GetWindowLongA(button->Hwnd(), GWL_STYLE) & WS_TABSTOP);
  char caption[64] = {};
  GetWindowTextA(results.RepairButton().Hwnd(), caption, sizeof(caption));
  EXPECT_STREQ("&Repair Checked Problems", caption);
  GetWindowTextA(results.BackupButton().Hwnd(), caption, sizeof(caption));
  EXPECT_STREQ("&Backup Now", caption);

  SetFocus(results.RepairButton().Hwnd());
  SendMessageA(results.RepairButton().Hwnd(), WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1000}\\InprocServer32"));

  ui::ImageButton& next = window.Report().ContinueButton();
  EXPECT_TRUE(GetWindowLongA(next.Hwnd(), GWL_STYLE) & WS_TABSTOP);
  SetFocus(next.Hwnd());
  SendMessageA(next.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  ui::PumpMessages();
  EXPECT_EQ(Page::kFront, window.CurrentPage());
}

// The keyboard alone: the menu is one stop whose rows move with the arrows
// and open with Enter, and after each page turn the keyboard is on the page.
TEST_F(MainWindowTest, TheMenuAndThePagesWorkWithoutTheMouse) {
  MainWindow& window = Open();
  SetForegroundWindow(window.Hwnd());
  auto press = [](WPARAM key) {
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 0);
    ui::PumpMessages();
  };
  SetFocus(window.Menu().Hwnd());
  ASSERT_EQ(window.Menu().Hwnd(), GetFocus());
  EXPECT_EQ(0, window.Menu().FocusedRow()) << "starts on the highlighted row";
  press(VK_DOWN);
  EXPECT_EQ(1, window.Menu().FocusedRow());
  press(VK_UP);
  press(VK_UP);
  EXPECT_EQ(0, window.Menu().FocusedRow()) << "stops at the first row";
  press(VK_END);
  const int last = static_cast<int>(window.Menu().Rows().size()) - 1;
  ASSERT_EQ(last, window.Menu().FocusedRow());
  ASSERT_EQ("Settings", window.Menu().Rows()[size_t(last)].caption);
  press(VK_RETURN);
  ASSERT_EQ(Page::kSettings, window.CurrentPage());
  EXPECT_TRUE(IsChild(window.Settings().Hwnd(), GetFocus())) << "the page's first control";

  // Restore: the page has stops; Tab moves on from the first and comes round
  // to the menu.
  window.HandleCommand(Command::kRestorePage, 0);
  ui::PumpMessages();
  ASSERT_TRUE(IsChild(window.Restore().Hwnd(), GetFocus()));
  bool reachedMenu = false;
  for (int i = 0; i < 20 && !reachedMenu; ++i) {
    press(VK_TAB);
    reachedMenu = GetFocus() == window.Menu().Hwnd();
    EXPECT_TRUE(reachedMenu || IsChild(window.Restore().Hwnd(), GetFocus()))
        << "never on a hidden page";
  }
  EXPECT_TRUE(reachedMenu) << "Tab wraps through the menu";
}

TEST_F(MainWindowTest, RestorePageListsTheRepairsSnapshotAndPutsItBack) {
  MainWindow& window = ScannedWith(2);
  window.Results().RepairButton().Click();
  ASSERT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1000}\\InprocServer32"));
  window.HandleCommand(Command::kRestorePage, 0);
  ASSERT_EQ(Page::kRestore, window.CurrentPage());
  RestorePage& page = window.Restore();
  EXPECT_EQ(1, page.Chooser().Count());
  ASSERT_EQ(2, page.List().Count());
  EXPECT_EQ("2 Items", page.CountText());
  EXPECT_TRUE(page.List().IsChecked(0));
  page.List().SetChecked(1, false);  // only the first comes back
  EXPECT_EQ((std::vector<std::string>{"Selected Keys Restored"}),
            DialogTextsDuring([&] { page.RestoreButton().Click(); }));
  const int back = test::KeyExists("HKCR\\CLSID\\{STALE-1000}\\InprocServer32") +
                   test::KeyExists("HKCR\\CLSID\\{STALE-1001}\\InprocServer32");
  EXPECT_EQ(1, back);
}

// A value's type and bytes, read with the platform's own calls.
std::string RawValue(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  DWORD type = 0, size = 0;
  std::string data;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size);
    RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                     &size);
    data = std::to_string(type) + ":" + data;
  } else {
    data = "<no value>";
  }
  RegCloseKey(key);
  return data;
}

// As a user goes through it: scan, keep one problem, ignore one, repair from
// the window, then put two of the repaired classes back from the restore page.
TEST_F(MainWindowTest, ScanDecideRepairAndRestoreFromTheWindow) {
  SwitchOnly({4});
  SeedStaleClasses(4);
  for (int i = 0; i < 4; ++i) {
    const std::string key = "HKCR\\CLSID\\{STALE-" + std::to_string(1000 + i) + "}\\InprocServer32";
    SeedString(key, "ThreadingModel", "Apartment");
    test::SeedBinary(key, "Blob", std::string("\x01\x00\xFF\x7F", 4) + std::to_string(i));
  }
  auto raw = [](int i, const std::string& name) {
    return RawValue(HKEY_CLASSES_ROOT,
                    "CLSID\\{STALE-" + std::to_string(1000 + i) + "}\\InprocServer32", name);
  };
  std::map<std::string, std::string> before;
  for (int i = 0; i < 4; ++i)
    for (const char* name : {"", "ThreadingModel", "Blob"})
      before[std::to_string(i) + name] = raw(i, name);

  MainWindow& window = Open();
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  const auto& entries = window.Session().Results().Section(4);
  ASSERT_EQ(4u, entries.size());
  window.Results().Model().ToggleItem(4, 2);    // kept
  window.Results().Model().ToggleIgnore(4, 3);  // ignored from now on
  window.Results().RepairButton().Click();
  ASSERT_EQ(Page::kSummary, window.CurrentPage());

  EXPECT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1000}\\InprocServer32"));
  EXPECT_FALSE(test::KeyExists("HKCR\\CLSID\\{STALE-1001}\\InprocServer32"));
  EXPECT_EQ(before["2Blob"], raw(2, "Blob"));
  EXPECT_EQ(before["3Blob"], raw(3, "Blob"));
  const std::string ignoreFile =
      test::ReadWholeFile(window.Session().Suppression().IgnoreFilePath());
  EXPECT_NE(std::string::npos, ignoreFile.find("{STALE-1003}")) << ignoreFile;
  EXPECT_EQ(std::string::npos, ignoreFile.find("{STALE-1002}")) << ignoreFile;
  const std::string snapshot =
      test::SnapshotFileText(data_ + "\\" + Environment().SnapshotName + ".reg");
  EXPECT_NE(std::string::npos, snapshot.find("{STALE-1001}"));
  EXPECT_EQ(std::string::npos, snapshot.find("{STALE-1002}"));
  EXPECT_EQ(std::string::npos, snapshot.find("{STALE-1003}"));
  EXPECT_EQ("4", window.Report().ValueOf("Total Problems Found"));
  EXPECT_EQ("2", window.Report().ValueOf("Total Problems Repaired"));
  EXPECT_EQ(std::to_string(window.Session().Suppression().CountIgnoreLines()),
            window.Report().ValueOf("Problems Permanently Ignored"));

  // A later scan leaves the ignored class out.
  window.HandleCommand(Command::kContinue, 0);
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(1u, window.Session().Results().Section(4).size());
  EXPECT_NE(std::string::npos, window.Session().Results().Section(4)[0].line.find("{STALE-1002}"));

  window.HandleCommand(Command::kRestorePage, 0);
  RestorePage& page = window.Restore();
  ASSERT_GE(page.List().Count(), 2);
  for (int i = 0; i < page.List().Count(); ++i) page.List().SetChecked(i, true);
  EXPECT_EQ((std::vector<std::string>{"Selected Keys Restored"}),
            DialogTextsDuring([&] { page.RestoreButton().Click(); }));
  for (int i = 0; i < 2; ++i)
    for (const char* name : {"", "ThreadingModel", "Blob"})
      EXPECT_EQ(before[std::to_string(i) + name], raw(i, name)) << i << name;
}

// An automatic update check that found nothing newer leaves the user where
// he is; it only stores when to look again.
TEST_F(MainWindowTest, AnAutomaticCheckFindingNothingKeepsThePageShown) {
  MainWindow& window = Open();
  window.HandleCommand(Command::kRestorePage, 0);
  ASSERT_EQ(Page::kRestore, window.CurrentPage());
  window.HandleCommand(Command::kUpdateCheckResult, update_result::kAutomaticNothingNewer);
  EXPECT_EQ(Page::kRestore, window.CurrentPage());
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_FALSE(settings.update.empty());
}

TEST_F(MainWindowTest, ScanFindingNothingEndsOnTheReport) {
  SwitchOnly({4});
  MainWindow& window = Open();
  window.HandleCommand(Command::kScan, 0);
  EXPECT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_TRUE(window.Report().IsVisible());
  EXPECT_EQ("0", window.Report().ValueOf("Total Problems Found"));
  EXPECT_EQ("0", window.Report().ValueOf("Total Problems Repaired"));
  EXPECT_EQ("-", window.Report().ValueOf("Date of Last Snapshot"));
}

// Runs messages until `done` holds; false when it did not within a minute.
bool PumpUntil(const std::function<bool()>& done) {
  const ULONGLONG deadline = GetTickCount64() + 60000;
  for (;;) {
    ui::PumpMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(deadline - now), QS_ALLINPUT);
  }
}

int ArmedWhenAllAre(MonitorPage& page) {
  int watched = 0;
  for (int i = 0; i < kWatchPointCount; ++i) watched += page.Monitor().Slot(i) != nullptr;
  return watched;
}

TEST_F(MainWindowTest, CommandsOneNinetyAndOneNinetyFiveStartAndStopTheMonitor) {
  test::SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  MainWindow& window = Open();
  window.HandleCommand(Command::kMonitorPage, 0);
  EXPECT_EQ(Page::kMonitor, window.CurrentPage());
  EXPECT_TRUE(window.Monitor().IsVisible());
  EXPECT_EQ(190, window.Monitor().TemplateButtonCode());
  window.HandleCommand(Command::kMonitorOn, 0);
  MonitorState& state = window;
  EXPECT_TRUE(state.Active());
  EXPECT_EQ(195, window.Monitor().TemplateButtonCode());
  const int watched = ArmedWhenAllAre(window.Monitor());
  EXPECT_GE(watched, 1);
  ASSERT_TRUE(PumpUntil([&] { return window.Monitor().Monitor().ActiveCount() == watched; }));
  window.HandleCommand(Command::kMonitorOff, 0);
  EXPECT_FALSE(state.Active());
  ASSERT_TRUE(PumpUntil([&] { return window.Monitor().Monitor().ActiveCount() == 0; }));
}

TEST_F(MainWindowTest, MinimisedOnTheMonitorPageTheProgramGoesToTheTray) {
  MainWindow& window = Open();
  window.HandleCommand(Command::kMonitorPage, 0);
  ShowWindow(window.Hwnd(), SW_MINIMIZE);
  ui::PumpMessages();
  EXPECT_FALSE(IsWindowVisible(window.Hwnd())) << "no task-bar button";
  EXPECT_TRUE(window.Tray().Icon().IsShown());
  window.Tray().RestoreWindow();
  EXPECT_TRUE(IsWindowVisible(window.Hwnd()));
  // Elsewhere a minimise is only a minimise.
  window.HandleCommand(Command::kScanPage, 0);
  ShowWindow(window.Hwnd(), SW_MINIMIZE);
  ui::PumpMessages();
  EXPECT_TRUE(IsWindowVisible(window.Hwnd()));
  EXPECT_FALSE(window.Tray().Icon().IsShown());
}

TEST_F(MainWindowTest, TheMonitorStartWordSitsInTheTrayWithTheMonitorOn) {
  test::SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  StartWords words;
  words.first = "monitor";
  words.mode = StartMode::kMonitor;
  MainWindow& window = Open(words);
  window.Shown();
  ASSERT_TRUE(PumpUntil([&] { return window.CurrentPage() == Page::kMonitor; }));
  ASSERT_TRUE(PumpUntil([&] {
    MonitorState& state = window;
    return state.Active() && !IsWindowVisible(window.Hwnd());
  }));
  EXPECT_TRUE(window.Tray().Icon().IsShown());
  EXPECT_TRUE(window.Tray().ShowsMonitoring());
  // The balloon tells the user what the program now does.
  EXPECT_EQ("Hivemend is actively monitoring registry changes\r\n\r\nRight-click to view Hivemend",
            window.Tray().Icon().BalloonText());
}

TEST_F(MainWindowTest, TheTrayMenuSwitchesTheMonitorAndEndsTheProgramWithoutTheWindow) {
  // The menu never ends in a separator; its monitor row says what it will do.
  using Item = TrayMenuItem;
  EXPECT_EQ((std::vector<Item>{{ProgramTray::kOpenProgramItem, "Open Hivemend", true},
                               {},
                               {ProgramTray::kMonitorItem, "Stop Monitor"},
                               {ProgramTray::kExitItem, "Exit"}}),
            ProgramTray::MenuItems(true));
  EXPECT_EQ("Start Monitor", ProgramTray::MenuItems(false)[2].caption);

  test::SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  StartWords words;
  words.first = "monitor";
  words.mode = StartMode::kMonitor;
  MainWindow& window = Open(words);
  window.Shown();
  MonitorState& state = window;
  ASSERT_TRUE(PumpUntil([&] { return state.Active() && !IsWindowVisible(window.Hwnd()); }));
  window.Tray().Choose(ProgramTray::kMonitorItem);
  ASSERT_TRUE(PumpUntil([&] { return !state.Active(); }));
  EXPECT_FALSE(IsWindowVisible(window.Hwnd())) << "the window stays where it was";
  window.Tray().Choose(ProgramTray::kMonitorItem);
  ASSERT_TRUE(PumpUntil([&] { return state.Active(); }));
  EXPECT_TRUE(window.Tray().ShowsMonitoring());

  window.Tray().Choose(ProgramTray::kExitItem);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(window.Hwnd()); }));
  MSG quit{};
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends";
}

TEST_F(MainWindowTest, TheMonitorPromptSettingIsReadAtCreationAndAgainWhenShown) {
  ProgramSettings settings;
  settings.MonitorPrompt = 5;
  ASSERT_EQ(0u, SaveSettings(settings, data_ + "\\hvmend.ini"));
  MainWindow& window = Open();
  EXPECT_EQ(5, window.Monitor().Model().NextPrompt());
  settings.MonitorPrompt = 9;
  ASSERT_EQ(0u, SaveSettings(settings, data_ + "\\hvmend.ini"));
  window.Shown();
  EXPECT_EQ(9, window.Monitor().Model().NextPrompt());
}

TEST_F(MainWindowTest, ClosingWhileMonitoringEndsEveryWorker) {
  test::SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  MainWindow& window = Open();
  window.HandleCommand(Command::kMonitorPage, 0);
  window.HandleCommand(Command::kMonitorOn, 0);
  const int watched = ArmedWhenAllAre(window.Monitor());
  ASSERT_GT(watched, 0);
  ASSERT_TRUE(PumpUntil([&] { return window.Monitor().Monitor().ActiveCount() == watched; }));
  const test::WorkerThreads threads(window.Monitor().Monitor());
  EXPECT_EQ(watched, threads.Opened());
  EXPECT_EQ(watched, threads.Running());
  window.HandleCommand(Command::kQuit, 0);
  window_.reset();
  EXPECT_EQ(0, threads.Running());
}

}  // namespace
}  // namespace hvm
