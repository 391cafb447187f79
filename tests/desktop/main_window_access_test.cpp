// The main window without the mouse and without the eyes: real key messages
// put through the program's own loop (the focus, Tab, Alt+letter, Enter, Esc,
// the tree's and the list's keys) and the screen reader's view through oleacc
// on the real windows.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "desktop/main_window.h"
#include "engine/core/environment.h"
#include "engine/settings/program_settings.h"
#include "support/accessible_probe.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"
#include "ui/keyboard_navigation.h"
#include "ui/picture_ids.h"

namespace hvm {
namespace {

class AvailableSystemRestore : public SystemRestore {
 public:
  bool Available() override { return true; }
  int32_t Begin(const std::string&, uint64_t& sequence) override {
    sequence = 1;
    return 0;
  }
  int32_t End(uint64_t) override { return 0; }
};

// The name a screen reader gives a control, or its class when it has none
// (a drop-down list reads as its choice, which the test does not pin).
std::string SpokenName(HWND window) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  if (std::string(className) == "ComboBox") return "<ComboBox>";
  ComPtr<IAccessible> object = test::AccessibleOf(window);
  std::string name = object ? test::NameOf(object.Get(), CHILDID_SELF) : std::string();
  if (!name.empty() && name != "<failed>") return name;
  return std::string("<") + className + ">";
}

// Saves where the next pop-up menu opened and closes it: a menu runs a loop
// of its own, in which only timers reach the test.
RECT gMenuBounds{};
bool gMenuSeen = false;
void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, timer);
  GetWindowRect(menu, &gMenuBounds);
  gMenuSeen = true;
  EndMenu();
}

class MainWindowAccessTest : public ::testing::Test {
 protected:
  MainWindowAccessTest() {
    InitEnvironment();
    data_ = folder_.File("data");
    CreateDirectoryA(data_.c_str(), nullptr);
  }
  ~MainWindowAccessTest() override {
    SetDialogShownHook({});
    window_.reset();
  }

  void SwitchOnly(std::initializer_list<int> sections) {
    ProgramSettings settings;
    for (int s = 1; s <= 24; ++s) settings.SetSection(s, false);
    for (int s : sections) settings.SetSection(s, true);
    ASSERT_EQ(0u, SaveSettings(settings, data_ + "\\hvmend.ini"));
  }
  void SeedStaleClasses(int count) {
    for (int i = 0; i < count; ++i)
      test::SeedString("HKCR\\CLSID\\{STALE-" + std::to_string(1000 + i) + "}\\InprocServer32", "",
                       folder_.File("gone" + std::to_string(i) + ".dll"));
  }
  static bool ClassThere(int i) {
    return test::KeyExists("HKCR\\CLSID\\{STALE-" + std::to_string(1000 + i) + "}\\InprocServer32");
  }
  MainWindow& Open() {
    window_ = std::make_unique<MainWindow>();
    window_->SetSystemRestore(std::make_unique<AvailableSystemRestore>());
    EXPECT_TRUE(window_->Create(StartWords{}, data_));
    ShowWindow(window_->Hwnd(), SW_SHOW);
    SetForegroundWindow(window_->Hwnd());
    ui::PumpMessages();
    return *window_;
  }
  // Answers every message dialog with its first button and keeps its text.
  void AnswerDialogs() {
    SetDialogShownHook([this](MessageDialogWindow& dialog) {
      char text[512] = {};
      GetWindowTextA(dialog.TextWindow(), text, sizeof(text));
      dialogs_.push_back(text);
      dialog.Press(1);
    });
  }

  // A key as the user presses it: down (and its character) to the focus,
  // through the program's own loop.
  static void Press(WPARAM key) {
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 1);
    ui::PumpMessages();
  }
  static void Shift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  static void PressShifted(WPARAM key) {
    Shift(true);
    Press(key);
    Shift(false);
  }
  static void PressAlt(char letter) {
    PostMessageA(GetFocus() ? GetFocus() : GetActiveWindow(), WM_SYSCHAR, letter, 1 << 29);
    ui::PumpMessages();
  }
  // Presses Tab until the focus is on `target` (at most 40 times).
  static bool TabTo(HWND target) {
    for (int i = 0; i < 40 && GetFocus() != target; ++i) Press(VK_TAB);
    return GetFocus() == target;
  }
  // The menu's rows by the keyboard: to the row of `caption`, then Enter.
  void OpenFromMenu(const std::string& caption) {
    MainWindow& window = *window_;
    ASSERT_TRUE(TabTo(window.Menu().Hwnd()));
    Press(VK_HOME);
    const auto& rows = window.Menu().Rows();
    for (size_t i = 0; i < rows.size() && rows[i].caption != caption; ++i) Press(VK_DOWN);
    ASSERT_EQ(caption, rows[size_t(window.Menu().FocusedRow())].caption);
    Press(VK_RETURN);
  }
  // The names of the stops Tab visits from the menu until it comes round.
  std::vector<std::string> TabOrderFromTheMenu() {
    HWND menu = window_->Menu().Hwnd();
    SetFocus(menu);
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
      Press(VK_TAB);
      if (GetFocus() == menu) return names;
      names.push_back(SpokenName(GetFocus()));
    }
    names.push_back("<never came round>");
    return names;
  }

  ComScope com_;
  // The imaging factory is made before the registry is sandboxed: COM finds
  // its class in the real one, and the picture buttons have their sizes.
  ui::Picture warmed_ = ui::Picture::FromResource(pictures::kRepairButton);
  test::RegistrySandbox sandbox_;
  test::TestFolder folder_;
  std::string data_;
  std::unique_ptr<MainWindow> window_;
  std::vector<std::string> dialogs_;
};

TEST_F(MainWindowAccessTest, EachPageTabsInReadingOrderAndComesRoundToTheMenu) {
  SwitchOnly({4});
  SeedStaleClasses(2);
  MainWindow& window = Open();
  EXPECT_EQ((std::vector<std::string>{"Click Here to Scan"}), TabOrderFromTheMenu()) << "front";
  window.HandleCommand(Command::kOptimizePage, 0);
  EXPECT_EQ((std::vector<std::string>{"Optimize"}), TabOrderFromTheMenu());
  window.HandleCommand(Command::kPackPage, 0);
  EXPECT_EQ((std::vector<std::string>{"Organize"}), TabOrderFromTheMenu());
  window.HandleCommand(Command::kMonitorPage, 0);
  EXPECT_EQ((std::vector<std::string>{"Start Monitor", "<SysListView32>", "Save List..."}),
            TabOrderFromTheMenu());
  window.HandleCommand(Command::kRestorePage, 0);
  EXPECT_EQ((std::vector<std::string>{"<ComboBox>",
                                      "Automatically delete Snapshots that are older than a week",
                                      "Contents of Snapshot", "Full Registry Backups..."}),
            TabOrderFromTheMenu())
      << "Check All, Print List and Restore Checked wait for a snapshot";
  window.HandleCommand(Command::kSettingsPage, 0);
  EXPECT_EQ((std::vector<std::string>{"<SysTabControl32>",
                                      "Create a Restore Point before repairing the registry",
                                      "<ComboBox>", "Backup Registry", "Reset"}),
            TabOrderFromTheMenu());
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  EXPECT_EQ((std::vector<std::string>{"Registry Scan Results", "Deep Scan", "Run Scan Again",
                                      "Repair Checked Problems", "Backup Now"}),
            TabOrderFromTheMenu())
      << "the band's text is read under the name of its heading, the chosen section";
  window.Results().RepairButton().Click();
  ASSERT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_EQ((std::vector<std::string>{"Continue"}), TabOrderFromTheMenu());
  window.HandleCommand(Command::kRestorePage, 0);
  EXPECT_EQ((std::vector<std::string>{"<ComboBox>",
                                      "Automatically delete Snapshots that are older than a week",
                                      "Check / Uncheck All", "Contents of Snapshot",
                                      "Select an entry to see which repair removed it", "Print List",
                                      "Full Registry Backups...", "Restore Checked"}),
            TabOrderFromTheMenu());
  // Shift+Tab walks the same round backwards.
  SetFocus(window.Menu().Hwnd());
  PressShifted(VK_TAB);
  EXPECT_EQ("Restore Checked", SpokenName(GetFocus()));
  PressShifted(VK_TAB);
  EXPECT_EQ("Full Registry Backups...", SpokenName(GetFocus()));
}

TEST_F(MainWindowAccessTest, AfterEveryPageTurnTheFocusIsOnThePagesFirstControl) {
  SwitchOnly({4});
  SeedStaleClasses(2);
  MainWindow& window = Open();
  // The front page ("Scan") is shown at the start: it comes last, turned to
  // from the settings page.
  std::vector<MenuRow> rows = window.Menu().Rows();
  std::rotate(rows.begin(), rows.begin() + 1, rows.end());
  for (const MenuRow& row : rows) {
    OpenFromMenu(row.caption);
    ui::Window* page = nullptr;
    switch (window.CurrentPage()) {
      case Page::kFront: page = &window.FrontView(); break;
      case Page::kResults: page = &window.Results(); break;
      case Page::kOptimize: page = &window.Optimize(); break;
      case Page::kPack: page = &window.Pack().View(); break;
      case Page::kMonitor: page = &window.Monitor(); break;
      case Page::kVista: page = &window.VistaPage(); break;
      case Page::kRestore: page = &window.Restore(); break;
      case Page::kSettings: page = &window.Settings(); break;
      default: break;
    }
    ASSERT_NE(nullptr, page) << row.caption;
    const std::vector<HWND> stops = ui::TabStops(page->Hwnd());
    ASSERT_FALSE(stops.empty()) << row.caption;
    EXPECT_EQ(stops.front(), GetFocus())
        << row.caption << " lands on its first control, not " << SpokenName(GetFocus());
  }
  // Pages an action turns to: the results after a scan, the report after a repair.
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  EXPECT_EQ(window.Results().Tree().Hwnd(), GetFocus());
  window.Results().RepairButton().Click();
  ASSERT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_EQ(window.Report().ContinueButton().Hwnd(), GetFocus());
}

// The letters a page underlines, each its own on the page, and where each goes.
std::map<char, std::vector<HWND>> UnderlinedLetters(HWND page) {
  std::map<char, std::vector<HWND>> letters;
  for (HWND stop : ui::TabStops(page)) {
    char text[256] = {};
    GetWindowTextA(stop, text, sizeof(text));
    if (const char letter = ui::MnemonicOf(text)) letters[letter].push_back(stop);
  }
  return letters;
}

TEST_F(MainWindowAccessTest, EveryUnderlinedLetterIsThePagesOwnAndReachesItsControl) {
  SwitchOnly({4});
  SeedStaleClasses(3);
  MainWindow& window = Open();
  AnswerDialogs();
  auto unique = [](const std::map<char, std::vector<HWND>>& letters) {
    for (const auto& [letter, controls] : letters)
      if (controls.size() > 1) return std::string(1, letter) + " is used twice";
    return std::string();
  };
  window.HandleCommand(Command::kSettingsPage, 0);
  for (int tab = 0; tab < 4; ++tab) {
    window.Settings().SelectTab(static_cast<SettingsTab>(tab));
    EXPECT_EQ("", unique(UnderlinedLetters(window.Settings().Hwnd()))) << "settings tab " << tab;
  }

  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  const auto results = UnderlinedLetters(window.Results().Hwnd());
  EXPECT_EQ("", unique(results));
  EXPECT_EQ((std::set<char>{'b', 'r'}), [&] {
    std::set<char> keys;
    for (const auto& [letter, controls] : results) keys.insert(letter);
    return keys;
  }());
  // Alt+B: "Backup Now" asks first (answered OK: a restore point is made).
  PressAlt('b');
  EXPECT_EQ(window.Results().BackupButton().Hwnd(), GetFocus());
  EXPECT_EQ((std::vector<std::string>{"Continue with Backup?"}), dialogs_);
  // Alt+R repairs the checked problems.
  PressAlt('r');
  ASSERT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_FALSE(ClassThere(0));

  EXPECT_EQ("", unique(UnderlinedLetters(window.Report().Hwnd())));
  PressAlt('c');
  ui::PumpMessages();
  EXPECT_EQ(Page::kFront, window.CurrentPage()) << "Alt+C: Continue";

  window.HandleCommand(Command::kRestorePage, 0);
  RestorePage& restore = window.Restore();
  const auto restoreLetters = UnderlinedLetters(restore.Hwnd());
  EXPECT_EQ("", unique(restoreLetters));
  EXPECT_EQ(3u, restoreLetters.size()) << "Print List, Restore Checked, Full Registry Backups";
  restore.List().SetChecked(1, false);
  restore.List().SetChecked(2, false);
  dialogs_.clear();
  PressAlt('c');
  EXPECT_EQ(restore.RestoreButton().Hwnd(), GetFocus());
  EXPECT_EQ((std::vector<std::string>{"Selected Keys Restored"}), dialogs_);
  EXPECT_TRUE(ClassThere(0));
  EXPECT_FALSE(ClassThere(1));
  bool backupsShown = false;
  window.onFullBackupsShown = [&](FullBackupsWindow& backups) {
    backupsShown = true;
    backups.Close();
  };
  PressAlt('b');
  EXPECT_TRUE(backupsShown) << "Alt+B: the full backups window";
  // Alt+P prints; with the list emptied it is disabled and the letter does nothing.
  restore.List().Clear();
  restore.PrintButton().Enable(false);
  SetFocus(restore.Chooser().Hwnd());
  PressAlt('p');
  EXPECT_EQ(restore.Chooser().Hwnd(), GetFocus());
}

TEST_F(MainWindowAccessTest, TheResultsTreeByTheKeyboard) {
  SwitchOnly({4});
  SeedStaleClasses(3);
  MainWindow& window = Open();
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  ui::TreeView& tree = window.Results().Tree();
  ResultsTree& model = window.Results().Model();
  ASSERT_EQ(tree.Hwnd(), GetFocus());
  HTREEITEM section = TreeView_GetRoot(tree.Hwnd());
  ASSERT_EQ(section, tree.Selected()) << "the focus shows on the first row";

  Press(VK_RIGHT);
  EXPECT_TRUE(tree.IsExpanded(section)) << "Right opens the section";
  Press(VK_LEFT);
  EXPECT_FALSE(tree.IsExpanded(section)) << "Left closes it";
  Press(VK_RIGHT);
  Press(VK_DOWN);
  HTREEITEM first = TreeView_GetChild(tree.Hwnd(), section);
  ASSERT_EQ(first, tree.Selected());
  Press(VK_SPACE);
  EXPECT_EQ(RowCheck::kUnchecked, model.ItemState(4, 0)) << "Space unchecks";
  EXPECT_EQ(RowCheck::kPartial, model.SectionState(4));
  Press(VK_SPACE);
  EXPECT_EQ(RowCheck::kChecked, model.ItemState(4, 0)) << "and checks again";
  Press(VK_END);
  EXPECT_EQ(TreeView_GetNextSibling(tree.Hwnd(), TreeView_GetNextSibling(tree.Hwnd(), first)),
            tree.Selected());
  Press(VK_HOME);
  EXPECT_EQ(section, tree.Selected());
  Press(VK_NEXT);
  EXPECT_NE(section, tree.Selected()) << "Page Down moves down the rows";
  Press(VK_PRIOR);
  EXPECT_EQ(section, tree.Selected());

  // Shift+F10 and the menu key open the context menu at the selected row.
  Press(VK_DOWN);
  const RECT row = tree.RowRect(tree.Selected());
  RECT rowOnScreen = row;
  MapWindowPoints(tree.Hwnd(), nullptr, reinterpret_cast<POINT*>(&rowOnScreen), 2);
  for (bool menuKey : {false, true}) {
    gMenuSeen = false;
    SetTimer(nullptr, 0, 50, &CloseOpenMenu);
    if (menuKey) {
      Press(VK_APPS);
    } else {
      Shift(true);
      PostMessageA(GetFocus(), WM_SYSKEYDOWN, VK_F10, 1);
      ui::PumpMessages();
      Shift(false);
    }
    ASSERT_TRUE(gMenuSeen) << (menuKey ? "menu key" : "Shift+F10");
    EXPECT_NEAR(rowOnScreen.bottom, gMenuBounds.top, 4) << "just below the row";
    EXPECT_GE(gMenuBounds.left, rowOnScreen.left);
    EXPECT_LT(gMenuBounds.left, rowOnScreen.right);
  }

  // Enter presses the page's main button: the checked problems are repaired.
  Press(VK_RETURN);
  EXPECT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_FALSE(ClassThere(1));
}

TEST_F(MainWindowAccessTest, TheRestoreListByTheKeyboard) {
  SwitchOnly({4});
  SeedStaleClasses(2);
  MainWindow& window = Open();
  window.HandleCommand(Command::kScan, 0);
  window.Results().RepairButton().Click();
  ASSERT_FALSE(ClassThere(0) || ClassThere(1));
  window.HandleCommand(Command::kRestorePage, 0);
  RestorePage& page = window.Restore();
  ASSERT_EQ(2, page.List().Count());
  ASSERT_TRUE(TabTo(page.List().Hwnd()));
  Press(VK_HOME);
  EXPECT_EQ(0, page.List().Selected());
  Press(VK_SPACE);
  EXPECT_FALSE(page.List().IsChecked(0)) << "Space unchecks";
  Press(VK_END);
  EXPECT_EQ(1, page.List().Selected());
  gMenuSeen = false;
  SetTimer(nullptr, 0, 50, &CloseOpenMenu);
  Press(VK_APPS);
  EXPECT_TRUE(gMenuSeen) << "Show Key's menu at the row";
  AnswerDialogs();
  Press(VK_RETURN);
  EXPECT_EQ((std::vector<std::string>{"Selected Keys Restored"}), dialogs_);
  EXPECT_FALSE(ClassThere(0));
  EXPECT_TRUE(ClassThere(1));
}

// From start to finish without the mouse: a scan, a repair, a restore and a
// settings change, each by the keys a user presses.
TEST_F(MainWindowAccessTest, AScanARepairARestoreAndASettingByTheKeyboardAlone) {
  SwitchOnly({4});
  SeedStaleClasses(3);
  MainWindow& window = Open();
  AnswerDialogs();
  // Scan: Tab to the front page's button, Enter.
  ASSERT_TRUE(TabTo(window.Menu().Hwnd()));
  Press(VK_TAB);
  EXPECT_EQ("Click Here to Scan", SpokenName(GetFocus()));
  Press(VK_RETURN);
  ui::PumpMessages();
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  ASSERT_EQ(3, window.Session().Results().TotalCount());
  // Repair: open the section, keep the second problem (Down, Down, Space), Enter.
  Press(VK_RIGHT);
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(VK_SPACE);
  Press(VK_RETURN);
  ASSERT_EQ(Page::kSummary, window.CurrentPage());
  EXPECT_FALSE(ClassThere(0));
  EXPECT_TRUE(ClassThere(1));
  EXPECT_FALSE(ClassThere(2));
  // Continue: Enter on the report's button.
  Press(VK_RETURN);
  ui::PumpMessages();
  ASSERT_EQ(Page::kFront, window.CurrentPage());
  // Restore: the menu's "Restore" row, Tab to the list, uncheck the first
  // entry (Space), Enter restores the other.
  OpenFromMenu("Restore");
  ASSERT_EQ(Page::kRestore, window.CurrentPage());
  ASSERT_TRUE(TabTo(window.Restore().List().Hwnd()));
  Press(VK_HOME);
  Press(VK_SPACE);
  Press(VK_RETURN);
  EXPECT_EQ((std::vector<std::string>{"Selected Keys Restored"}), dialogs_);
  EXPECT_EQ(1, ClassThere(0) + ClassThere(2));
  // Settings: the menu's "Settings" row, Tab to the restore point box, Space.
  OpenFromMenu("Settings");
  ASSERT_EQ(Page::kSettings, window.CurrentPage());
  ui::CheckBox& box = window.Settings().RestorePointBox();
  const bool before = box.IsChecked();
  ASSERT_TRUE(TabTo(box.Hwnd()));
  Press(VK_SPACE);
  PostMessageA(box.Hwnd(), WM_KEYUP, VK_SPACE, 0xC0000001);
  ui::PumpMessages();
  EXPECT_NE(before, box.IsChecked());
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_NE(before, settings.BackupBeforeScan) << "written to the settings file";
}

// The menu, the scan page and the results tree as a screen reader reads them.
TEST_F(MainWindowAccessTest, ScreenReadersReadTheMenuTheScanPageAndTheResults) {
  SwitchOnly({4});
  SeedStaleClasses(3);
  MainWindow& window = Open();
  test::AccessibleEvents events;
  ComPtr<IAccessible> menu = test::AccessibleOf(window.Menu().Hwnd());
  ASSERT_TRUE(menu);
  const auto& rows = window.Menu().Rows();
  ASSERT_EQ(static_cast<long>(rows.size()), test::ChildCountOf(menu.Get()));
  EXPECT_EQ(ROLE_SYSTEM_LIST, test::RoleOf(menu.Get(), CHILDID_SELF));
  for (size_t i = 0; i < rows.size(); ++i) {
    const long part = static_cast<long>(i + 1);
    EXPECT_EQ(rows[i].caption, test::NameOf(menu.Get(), part));
    EXPECT_EQ(ROLE_SYSTEM_LISTITEM, test::RoleOf(menu.Get(), part));
    EXPECT_EQ(i == 0, (test::StateOf(menu.Get(), part) & STATE_SYSTEM_SELECTED) != 0)
        << "the current page's row is selected";
  }
  SetFocus(window.Menu().Hwnd());
  events.Clear();
  Press(VK_DOWN);
  EXPECT_EQ((std::vector<long>{2}), events.PartsWith(EVENT_OBJECT_FOCUS, window.Menu().Hwnd()));
  EXPECT_EQ(2, test::FocusOf(menu.Get()));

  window.HandleCommand(Command::kScan, 0);
  ComPtr<IAccessible> scan = test::AccessibleOf(window.Scan().Hwnd());
  ASSERT_TRUE(scan);
  const long section4 = ScanPage::PartOfSection(4);
  EXPECT_EQ(std::string(SectionTable()[3].label), test::NameOf(scan.Get(), section4));
  EXPECT_EQ("3", test::ValueOf(scan.Get(), section4));
  EXPECT_EQ("Problems found", test::DescriptionOf(scan.Get(), section4));
  EXPECT_EQ("0", test::ValueOf(scan.Get(), ScanPage::PartOfSection(5)));
  EXPECT_EQ(window.Scan().State().total, test::NameOf(scan.Get(), ScanPage::kTotalPart));

  ASSERT_EQ(Page::kResults, window.CurrentPage());
  ui::TreeView& tree = window.Results().Tree();
  ComPtr<IAccessible> results = test::AccessibleOf(tree.Hwnd());
  ASSERT_TRUE(results);
  ASSERT_EQ(1, test::ChildCountOf(results.Get()));
  long section = 0;
  VARIANT focus;
  VariantInit(&focus);
  ASSERT_EQ(S_OK, results->get_accFocus(&focus));
  section = focus.lVal;
  EXPECT_EQ(std::string(SectionTable()[3].label), test::NameOf(results.Get(), section));
  EXPECT_EQ("3 of 3 Items", test::DescriptionOf(results.Get(), section));
  EXPECT_TRUE(test::StateOf(results.Get(), section) & STATE_SYSTEM_CHECKED);
  EXPECT_TRUE(test::StateOf(results.Get(), section) & STATE_SYSTEM_COLLAPSED);
  Press(VK_RIGHT);
  Press(VK_DOWN);
  events.Clear();
  Press(VK_SPACE);
  const std::vector<long> changed = events.PartsWith(EVENT_OBJECT_STATECHANGE, tree.Hwnd());
  ASSERT_EQ(2u, changed.size()) << "the row and its section";
  EXPECT_EQ(0, test::StateOf(results.Get(), changed[0]) & STATE_SYSTEM_CHECKED);
  EXPECT_EQ(section, changed[1]);
  EXPECT_TRUE(test::StateOf(results.Get(), section) & STATE_SYSTEM_MIXED);
  EXPECT_EQ("2 of 3 Items", test::DescriptionOf(results.Get(), section));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// "Help" in the top band is the window's one menu: F10 hands it the keyboard
// as it would a menu bar, Enter or Alt+H drop its menu below it, and the
// keyboard goes back to where it was once the menu has closed.
TEST_F(MainWindowAccessTest, TheHelpMenuOpensFromTheKeyboardBelowItsButton) {
  MainWindow& window = Open();
  HWND help = window.HelpButton().Hwnd();
  ComPtr<IAccessible> object = test::AccessibleOf(help);
  ASSERT_TRUE(object);
  EXPECT_EQ("Help", test::NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_BUTTONMENU, test::RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_TRUE(test::StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_HASPOPUP);

  ASSERT_TRUE(TabTo(window.Menu().Hwnd()));
  HWND before = GetFocus();
  PostMessageA(before, WM_SYSKEYDOWN, VK_F10, 1);
  PostMessageA(before, WM_SYSKEYUP, VK_F10, 1u << 30 | 1u << 31);
  ui::PumpMessages();
  EXPECT_EQ(help, GetFocus()) << "F10 hands the keyboard to the menu button";
  Press(VK_ESCAPE);
  EXPECT_EQ(before, GetFocus()) << "Esc gives it back";

  RECT button{};
  GetWindowRect(help, &button);
  for (bool byLetter : {false, true}) {
    gMenuSeen = false;
    SetTimer(nullptr, 0, 50, &CloseOpenMenu);
    if (byLetter) {
      PressAlt('h');
    } else {
      PostMessageA(GetFocus(), WM_SYSKEYDOWN, VK_F10, 1);
      ui::PumpMessages();
      Press(VK_RETURN);
    }
    ASSERT_TRUE(gMenuSeen) << (byLetter ? "Alt+H" : "F10, Enter");
    EXPECT_NEAR(button.bottom, gMenuBounds.top, 4) << "just below the button";
    EXPECT_NEAR(button.right, gMenuBounds.right, 4) << "its right edge under the button's";
    EXPECT_EQ(before, GetFocus()) << "the keyboard is back where it was";
  }
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// The wheel over the results tree scrolls it while the keyboard stays on a
// button: the wheel goes to the window under the pointer, not the focus.
TEST_F(MainWindowAccessTest, TheWheelOverTheResultsTreeScrollsItWithoutTheFocus) {
  SwitchOnly({4});
  SeedStaleClasses(60);
  MainWindow& window = Open();
  window.HandleCommand(Command::kScan, 0);
  ASSERT_EQ(Page::kResults, window.CurrentPage());
  ui::TreeView& tree = window.Results().Tree();
  ASSERT_EQ(tree.Hwnd(), GetFocus());
  Press(VK_RIGHT);  // the section opens: more rows than the tree shows
  Press(VK_HOME);
  const HTREEITEM top = TreeView_GetFirstVisible(tree.Hwnd());
  HWND button = window.Results().RepairButton().Hwnd();
  SetFocus(button);
  ASSERT_EQ(button, GetFocus());
  RECT over{};
  GetWindowRect(tree.Hwnd(), &over);
  PostMessageA(button, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
               MAKELPARAM((over.left + over.right) / 2, (over.top + over.bottom) / 2));
  ui::PumpMessages();
  EXPECT_NE(top, TreeView_GetFirstVisible(tree.Hwnd())) << "the tree scrolled";
  EXPECT_EQ(button, GetFocus()) << "the focus stays on the button";
}

}  // namespace
}  // namespace hvm
