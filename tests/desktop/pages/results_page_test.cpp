#include "desktop/pages/results_page.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "desktop/left_menu.h"
#include "desktop/main_window.h"
#include "engine/core/environment.h"
#include "engine/scan/problem_explanations.h"
#include "support/test_folder.h"
#include "ui/gdi_text.h"
#include "ui/keyboard_navigation.h"
#include "ui/test_host.h"

namespace hvm {
namespace {

class Switches : public SectionSwitches {
 public:
  explicit Switches(std::set<int> on) : on_(std::move(on)) {}
  bool Enabled(int section) const override { return on_.count(section) > 0; }

 private:
  std::set<int> on_;
};

std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return "<not open>";
  std::string text;
  if (HANDLE data = GetClipboardData(CF_TEXT))
    if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  CloseClipboard();
  return text;
}

// The events a screen reader would hear, as the platform raises them.
std::vector<std::pair<DWORD, HWND>> gEvents;
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                          DWORD) {
  if (object == OBJID_CLIENT && child == CHILDID_SELF) gEvents.push_back({event, window});
}

// The results page as the main window holds it at its smallest, over
// findings of three sections: a missing file whose folder is there, one whose
// folder is gone, a class that is not registered and an empty key.
class ResultsPageTest : public ::testing::Test {
 protected:
  ResultsPageTest() {
    InitEnvironment();
    folder_.WriteFile("Present\\other.dll", "MZ");
    results_.AddProblem(4, "HKCR\\CLSID\\{A}\\InprocServer32",
                        {"file missing", folder_.File("Present\\viewer.dll")});
    results_.AddProblem(4, "HKCR\\CLSID\\{B}\\InprocServer32",
                        {"file missing", folder_.File("Gone\\viewer.dll")});
    results_.AddProblem(5, "HKCR\\Interface\\{I}\\ProxyStubClsid32",
                        {"class not registered", "HKCR\\CLSID\\{C}"});
    results_.AddProblem(19, "HKCU\\FileExts\\.x", {"empty key", "HKCU\\FileExts\\.x"});
  }

  void Open() {
    ResultsPage::Hooks hooks;
    hooks.switches = [this]() -> const SectionSwitches& { return switches_; };
    hooks.openFolder = [this](const std::string& folder) { opened_.push_back(folder); };
    const ui::Dpi dpi = ui::Dpi::ForWindow(host_.Hwnd());
    const RECT page =
        ui::MakeRect(0, 0, dpi.Scale(MainWindow::kWidth - LeftMenu::kWidth),
                     dpi.Scale(MainWindow::kHeight) - dpi.Scale(MainWindow::kBandHeight) - 1);
    ASSERT_TRUE(page_.Create(host_.Hwnd(), page, hooks));
    page_.Show(true);
    page_.ShowResults(true);
  }

  // A key pressed in the tree, as the user presses it.
  void Press(WORD key) { SendMessageA(page_.Tree().Hwnd(), WM_KEYDOWN, key, 1); }

  bool Enabled(const ui::ImageButton& button) const { return IsWindowEnabled(button.Hwnd()); }

  // The caption and whether it is greyed, of each item of the selected row's menu.
  std::vector<std::pair<std::string, bool>> MenuOfSelected() {
    ui::ScopedMenu menu = page_.ContextMenuFor(page_.Tree().Selected());
    std::vector<std::pair<std::string, bool>> items;
    for (int i = 0; i < GetMenuItemCount(menu.Get()); ++i) {
      char caption[64] = {};
      GetMenuStringA(menu.Get(), UINT(i), caption, sizeof(caption), MF_BYPOSITION);
      items.push_back(
          {caption, (GetMenuState(menu.Get(), UINT(i), MF_BYPOSITION) & MF_GRAYED) != 0});
    }
    return items;
  }

  test::TestFolder folder_;
  ResultsStore results_;
  Switches switches_{{4, 5, 19}};
  std::vector<std::string> opened_;
  ui::test::TestHost host_{1000, 900};
  ResultsPage page_{results_};
};

// Walked with the tree's own keys: each row's band says what the section
// looks for, or what the finding's rule tested; the commands follow the row.
TEST_F(ResultsPageTest, TheBandFollowsTheSelectedRowOfEverySection) {
  results_.SetTreeDirty(true);
  Open();
  ui::DetailBand& band = page_.Band();
  EXPECT_EQ(DetailsOfNothing().heading, band.Heading());
  EXPECT_FALSE(Enabled(page_.CopyDetailsButton()));
  EXPECT_FALSE(Enabled(page_.OpenFolderButton()));
  // The tree may choose a row as it takes the focus; the band shows that row.
  SetFocus(page_.Tree().Hwnd());
  HTREEITEM chosen = page_.Tree().Selected();
  const LPARAM data = chosen ? page_.Tree().DataOf(chosen) : 0;
  EXPECT_EQ(
      chosen ? page_.Model().DetailsOfRow(ResultsPage::SectionOf(data), ResultsPage::IndexOf(data))
             : DetailsOfNothing(),
      page_.Details());

  Press(VK_HOME);
  EXPECT_EQ("Deep Scan", band.Heading());
  EXPECT_EQ("Looks for: " + std::string(SectionDescription(4)), band.Detail());
  EXPECT_FALSE(Enabled(page_.CopyDetailsButton()));

  Press(VK_RIGHT);  // opens the section
  Press(VK_DOWN);
  EXPECT_EQ("The file this entry names does not exist", band.Heading());
  EXPECT_EQ("File tested: " + folder_.File("Present\\viewer.dll"), band.Detail());
  EXPECT_TRUE(Enabled(page_.CopyDetailsButton()));
  EXPECT_TRUE(Enabled(page_.OpenFolderButton()));

  Press(VK_DOWN);
  EXPECT_EQ("File tested: " + folder_.File("Gone\\viewer.dll"), band.Detail());
  EXPECT_TRUE(Enabled(page_.CopyDetailsButton()));
  EXPECT_FALSE(Enabled(page_.OpenFolderButton())) << "its folder does not exist";

  Press(VK_DOWN);
  EXPECT_EQ("Custom Controls", band.Heading());
  Press(VK_RIGHT);
  Press(VK_DOWN);
  EXPECT_EQ("No class is registered under this identifier", band.Heading());
  EXPECT_EQ("Class tested: HKCR\\CLSID\\{C}", band.Detail());
  EXPECT_TRUE(Enabled(page_.CopyDetailsButton()));
  EXPECT_FALSE(Enabled(page_.OpenFolderButton()));

  Press(VK_DOWN);
  Press(VK_RIGHT);
  Press(VK_DOWN);
  EXPECT_EQ("This key holds nothing that is used", band.Heading());
  EXPECT_EQ("Key tested: HKCU\\FileExts\\.x", band.Detail());

  // A click on a row's text picks it as well.
  HTREEITEM first = TreeView_GetChild(page_.Tree().Hwnd(), TreeView_GetRoot(page_.Tree().Hwnd()));
  const RECT row = page_.Tree().RowRect(first);
  const ui::RowLook look = page_.Tree().rowLook(first, page_.Tree().DataOf(first));
  const RECT text = ui::LayoutRow(row, 1, look, page_.Tree().CurrentDpi()).text;
  const LPARAM at = MAKELPARAM(text.left + 10, (text.top + text.bottom) / 2);
  SendMessageA(page_.Tree().Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(page_.Tree().Hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ("File tested: " + folder_.File("Present\\viewer.dll"), band.Detail());
}

TEST_F(ResultsPageTest, CopyDetailsPutsTheLineTheRuleAndTheTargetOnTheClipboard) {
  results_.SetTreeDirty(true);
  Open();
  SetFocus(page_.Tree().Hwnd());
  Press(VK_HOME);
  Press(VK_RIGHT);
  Press(VK_DOWN);
  page_.CopyDetailsButton().Click();
  EXPECT_EQ(
      "HKCR\\CLSID\\{A}\\InprocServer32\r\nThe file this entry names does not exist\r\n"
      "File tested: " +
          folder_.File("Present\\viewer.dll"),
      ClipboardText());
  // Ctrl+C in the tree does the same, for the class row.
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(VK_RIGHT);
  Press(VK_DOWN);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  Press('C');
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(
      "HKCR\\Interface\\{I}\\ProxyStubClsid32\r\nNo class is registered under this "
      "identifier\r\nClass tested: HKCR\\CLSID\\{C}",
      ClipboardText());
  // A section row has nothing to copy: the clipboard keeps what it held.
  Press(VK_HOME);
  EXPECT_FALSE(page_.CopySelectedDetails());
  EXPECT_EQ(
      "HKCR\\Interface\\{I}\\ProxyStubClsid32\r\nNo class is registered under this "
      "identifier\r\nClass tested: HKCR\\CLSID\\{C}",
      ClipboardText());
}

// Open Folder is offered, in the band and in the menu, only while the folder
// of a file finding exists, and asks the shell for that folder alone.
TEST_F(ResultsPageTest, OpenFolderIsOfferedOnlyForAFolderThatExists) {
  results_.SetTreeDirty(true);
  Open();
  SetFocus(page_.Tree().Hwnd());
  Press(VK_HOME);
  const std::vector<std::pair<std::string, bool>> section = MenuOfSelected();
  ASSERT_EQ(7u, section.size());
  EXPECT_EQ((std::pair<std::string, bool>{"Permanently Ignore item", true}), section[0]);
  EXPECT_EQ((std::pair<std::string, bool>{"Select All", false}), section[2]);
  EXPECT_EQ((std::pair<std::string, bool>{"Deselect All", false}), section[3]);
  EXPECT_EQ((std::pair<std::string, bool>{"Copy Details", true}), section[5]);
  EXPECT_EQ((std::pair<std::string, bool>{"Open Folder", true}), section[6]);

  Press(VK_RIGHT);
  Press(VK_DOWN);
  std::vector<std::pair<std::string, bool>> menu = MenuOfSelected();
  EXPECT_EQ((std::pair<std::string, bool>{"Copy Details", false}), menu[5]);
  EXPECT_EQ((std::pair<std::string, bool>{"Open Folder", false}), menu[6]);
  page_.OpenFolderButton().Click();
  EXPECT_EQ(std::vector<std::string>{folder_.File("Present")}, opened_);

  // The folder goes while the row is chosen: nothing is opened, and the
  // offer goes too.
  DeleteFileA(folder_.File("Present\\other.dll").c_str());
  ASSERT_TRUE(RemoveDirectoryA(folder_.File("Present").c_str()));
  page_.OpenSelectedFolder();
  EXPECT_EQ(1u, opened_.size());
  EXPECT_FALSE(Enabled(page_.OpenFolderButton()));
  EXPECT_TRUE(MenuOfSelected()[6].second);

  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(VK_RIGHT);
  Press(VK_DOWN);
  menu = MenuOfSelected();
  EXPECT_EQ((std::pair<std::string, bool>{"Copy Details", false}), menu[5]);
  EXPECT_EQ((std::pair<std::string, bool>{"Open Folder", true}), menu[6])
      << "a class has no folder";
}

// The focus stays in the tree; a screen reader learns of the band from the
// events of its two standard controls, once per change.
TEST_F(ResultsPageTest, EachChangeOfTheBandIsAnnouncedOnce) {
  results_.SetTreeDirty(true);
  Open();
  gEvents.clear();
  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordEvent,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(nullptr, hook);
  const auto heard = [&](DWORD event, HWND window) {
    ui::PumpMessages();
    int count = 0;
    for (const auto& [what, where] : gEvents) count += what == event && where == window;
    return count;
  };
  HWND heading = page_.Band().HeadingWindow(), detail = page_.Band().DetailWindow();
  SetFocus(page_.Tree().Hwnd());
  Press(VK_HOME);
  Press(VK_RIGHT);
  heard(0, nullptr);
  gEvents.clear();
  Press(VK_DOWN);
  EXPECT_EQ(1, heard(EVENT_OBJECT_NAMECHANGE, heading));
  EXPECT_EQ(1, heard(EVENT_OBJECT_VALUECHANGE, detail));
  // Copying asks the row again; unchanged, it is not told again.
  page_.CopySelectedDetails();
  EXPECT_EQ(1, heard(EVENT_OBJECT_NAMECHANGE, heading));
  Press(VK_DOWN);
  EXPECT_EQ(2, heard(EVENT_OBJECT_NAMECHANGE, heading));
  EXPECT_EQ(2, heard(EVENT_OBJECT_VALUECHANGE, detail));
  UnhookWinEvent(hook);
}

// At the main window's smallest size the tree keeps the height it had before
// the band; the band lies between the date row and the buttons, holds its
// buttons, and its heading holds every sentence whole.
TEST_F(ResultsPageTest, TheBandFitsWithoutTakingFromTheTreeOrCuttingText) {
  results_.SetTreeDirty(true);
  Open();
  const ui::Dpi dpi = page_.CurrentDpi();
  const int pageHeightBefore = dpi.Scale(560) - dpi.Scale(MainWindow::kBandHeight) - 1;
  EXPECT_EQ(pageHeightBefore - dpi.Scale(200), ui::Height(page_.Tree().Bounds()));
  RECT band{};
  GetWindowRect(page_.Band().Hwnd(), &band);
  MapWindowPoints(nullptr, page_.Hwnd(), reinterpret_cast<POINT*>(&band), 2);
  RECT tree = page_.Tree().Bounds(), repair{};
  GetWindowRect(page_.RepairButton().Hwnd(), &repair);
  MapWindowPoints(nullptr, page_.Hwnd(), reinterpret_cast<POINT*>(&repair), 2);
  EXPECT_GT(band.top, tree.bottom + dpi.Scale(40)) << "below the date row";
  EXPECT_LT(band.bottom, repair.top);
  for (const ui::ImageButton* button : {&page_.CopyDetailsButton(), &page_.OpenFolderButton()}) {
    RECT r{};
    GetWindowRect(button->Hwnd(), &r);
    MapWindowPoints(nullptr, page_.Hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_GE(r.top, band.top);
    EXPECT_LE(r.bottom, band.bottom);
  }
  // Tab reads the page in order: the tree, the band's text, its commands (Open
  // Folder only while offered), then the page's buttons.
  SetFocus(page_.Tree().Hwnd());
  Press(VK_HOME);
  Press(VK_RIGHT);
  Press(VK_DOWN);
  const std::vector<HWND> stops = ui::TabStops(page_.Hwnd());
  const std::vector<HWND> expected = {page_.Tree().Hwnd(), page_.Band().DetailWindow(),
                                      page_.CopyDetailsButton().Hwnd(),
                                      page_.OpenFolderButton().Hwnd()};
  ASSERT_GE(stops.size(), expected.size() + 3);
  EXPECT_EQ(expected, std::vector<HWND>(stops.begin(), stops.begin() + 4));
  EXPECT_EQ(page_.ScanAgainLink().Hwnd(), stops[4]);
  EXPECT_EQ(page_.RepairButton().Hwnd(), stops[5]);
  // The text box lets Tab go on rather than keeping it.
  EXPECT_EQ(0, SendMessageA(page_.Band().DetailWindow(), WM_GETDLGCODE, VK_TAB, 0) &
                   (DLGC_WANTTAB | DLGC_WANTALLKEYS));
  // Every heading the band can show fits its width in its font.
  HWND heading = page_.Band().HeadingWindow();
  RECT headingBox{};
  GetClientRect(heading, &headingBox);
  ui::WindowDc dc(heading);
  ui::SelectScope font(dc.Get(),
                       reinterpret_cast<HGDIOBJ>(SendMessageA(heading, WM_GETFONT, 0, 0)));
  std::vector<std::string> headings = {DetailsOfNothing().heading, DetailsOfProblem({}).heading};
  for (const RuleExplanation& row : RuleExplanations()) headings.emplace_back(row.sentence);
  for (int section = 1; section <= kSectionCount; ++section)
    headings.emplace_back(Section(section).label);
  for (const std::string& text : headings)
    EXPECT_LE(ui::MeasureUiText(dc.Get(), text).cx, ui::Width(headingBox)) << text;
  // A detail longer than the band scrolls rather than being cut.
  EXPECT_FALSE(page_.Band().DetailScrolls());
  page_.Band().SetContent("x", std::string(2000, 'w'));
  EXPECT_TRUE(page_.Band().DetailScrolls());
}

}  // namespace
}  // namespace hvm
