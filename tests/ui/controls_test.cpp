#include "ui/controls.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "engine/core/utf8.h"
#include "test_host.h"
#include "ui/animation.h"
#include "ui/gdi.h"
#include "ui/gdi_text.h"
#include "ui/progress_bar.h"
#include "ui/theme.h"

namespace hvm::ui {
namespace {

using test::Point;
using test::TestHost;

TEST(Dpi, ScalesDesignUnitsRounded) {
  EXPECT_EQ(515, Dpi(96).Scale(515));
  EXPECT_EQ(773, Dpi(144).Scale(515));  // 772.5 rounds up
  EXPECT_EQ(644, Dpi(120).Scale(515));  // 643.75
  EXPECT_EQ(-30, Dpi(144).Scale(-20));
  EXPECT_EQ(96, Dpi(0).Value());  // nonsense falls back to the design DPI
  EXPECT_EQ(-12, Dpi(96).FontHeight(9));
  EXPECT_EQ(-18, Dpi(144).FontHeight(9));
}

TEST(ProgressText, PercentIsRoundedDownAndClamped) {
  EXPECT_EQ("0%", PercentText(0, 100));
  EXPECT_EQ("33%", PercentText(1, 3));
  EXPECT_EQ("99%", PercentText(999, 1000));
  EXPECT_EQ("100%", PercentText(1000, 1000));
  EXPECT_EQ("100%", PercentText(5000, 1000));
  EXPECT_EQ("0%", PercentText(-5, 1000));
  EXPECT_EQ("0%", PercentText(5, 0));
  EXPECT_EQ("50%", PercentText(4'000'000'000'000LL, 8'000'000'000'000LL));
}

TEST(ProgressBar, ShowsItsPercentage) {
  TestHost host;
  ProgressBar bar;
  ASSERT_TRUE(bar.Create(host.Hwnd(), {{10, 10, 210, 30}, 400}));
  bar.SetPosition(100);
  EXPECT_EQ("25%", bar.Caption());
  RedrawWindow(bar.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  WindowDc dc(bar.Hwnd());
  // The first quarter is filled with the caption colour, the rest is the track.
  EXPECT_EQ(kCaptionColour, GetPixel(dc.Get(), 5, 3));
  EXPECT_EQ(kBandTint, GetPixel(dc.Get(), 190, 3));
}

TEST(CheckList, ClicksOnTheBoxAndSpaceToggleItemsButNotHeaders) {
  TestHost host;
  CheckList list;
  ASSERT_TRUE(list.Create(host.Hwnd(), {{0, 0, 300, 200}}));
  std::vector<std::pair<int, bool>> toggled;
  list.onToggled = [&](int index, bool checked) { toggled.push_back({index, checked}); };
  list.AddHeader("2026-12-09");
  list.AddItem("HKEY_CURRENT_USER\\Software\\Gone");
  list.AddItem("HKEY_LOCAL_MACHINE\\Software\\Old", true);
  RECT second{};
  SendMessageA(list.Hwnd(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
  const int middle = (second.top + second.bottom) / 2;
  SendMessageA(list.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(8, middle));
  SendMessageA(list.Hwnd(), WM_LBUTTONUP, 0, Point(8, middle));
  EXPECT_TRUE(list.IsChecked(1));
  // A click on the text selects without toggling.
  SendMessageA(list.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(150, middle));
  SendMessageA(list.Hwnd(), WM_LBUTTONUP, 0, Point(150, middle));
  EXPECT_TRUE(list.IsChecked(1));
  SendMessageA(list.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_FALSE(list.IsChecked(1));
  // The header takes neither a click nor a check.
  SendMessageA(list.Hwnd(), LB_SETCURSEL, 0, 0);
  SendMessageA(list.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  list.SetChecked(0, true);
  EXPECT_FALSE(list.IsChecked(0));
  EXPECT_TRUE(list.IsHeader(0));
  EXPECT_EQ((std::vector<std::pair<int, bool>>{{1, true}, {1, false}}), toggled);
}

TEST(CheckList, HorizontalExtentFollowsTheWidestRow) {
  TestHost host;
  CheckList list;
  ASSERT_TRUE(list.Create(host.Hwnd(), {{0, 0, 200, 100}}));
  list.AddItem("short");
  const int narrow = list.HorizontalExtent();
  list.AddItem(
      "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000000}");
  EXPECT_GT(list.HorizontalExtent(), 200);
  EXPECT_GT(list.HorizontalExtent(), narrow);
  // A shorter row after it leaves the extent alone.
  const int wide = list.HorizontalExtent();
  list.AddItem("x");
  EXPECT_EQ(wide, list.HorizontalExtent());
  EXPECT_EQ(list.HorizontalExtent(),
            static_cast<int>(SendMessageA(list.Hwnd(), LB_GETHORIZONTALEXTENT, 0, 0)));
  list.Clear();
  EXPECT_EQ(0, list.HorizontalExtent());
  EXPECT_EQ(0, list.Count());
  EXPECT_FALSE(list.IsChecked(5));
}

TEST(CheckList, ARightClickSelectsTheRowUnderTheMouseBeforeTheMenu) {
  TestHost host;
  CheckList list;
  ASSERT_TRUE(list.Create(host.Hwnd(), {{0, 0, 300, 200}}));
  std::vector<POINT> asked;
  list.onContextMenu = [&](POINT screen) { asked.push_back(screen); };
  EXPECT_EQ(-1, list.Selected());
  for (const char* text : {"first", "second", "third"}) list.AddItem(text, true);
  RECT third{};
  SendMessageA(list.Hwnd(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
  SendMessageA(list.Hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, Point(150, (third.top + third.bottom) / 2));
  EXPECT_EQ(2, list.Selected());
  EXPECT_TRUE(list.IsChecked(2));  // selecting is not toggling
  // Below the last row nothing new is selected.
  SendMessageA(list.Hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, Point(150, 190));
  EXPECT_EQ(2, list.Selected());
  // From the keyboard the menu opens at the selected row.
  SendMessageA(list.Hwnd(), WM_CONTEXTMENU, WPARAM(list.Hwnd()), MAKELPARAM(-1, -1));
  ASSERT_EQ(1u, asked.size());
  POINT row{third.left, third.bottom};
  ClientToScreen(list.Hwnd(), &row);
  EXPECT_EQ(row.y, asked[0].y);
  EXPECT_GT(asked[0].x, row.x);
}

TEST(NumberBox, TakesDigitsOnlyAndFallsBackWhenEmpty) {
  TestHost host;
  NumberBox box;
  ASSERT_TRUE(box.Create(host.Hwnd(), {250, {0, 0, 80, 22}}));
  EXPECT_EQ(250u, box.Value());
  SendMessageA(box.Hwnd(), WM_CHAR, 'x', 1);  // typed letters are refused
  EXPECT_EQ("250", box.Text());
  box.SetText("");
  EXPECT_EQ(7u, box.Value(7));
  box.SetText("12ab");  // pasted text keeps its leading digits
  EXPECT_EQ(12u, box.Value());
}

// The first and last pixel rows of a window that hold any dark ink.
std::pair<int, int> InkRows(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  WindowDc dc(window);
  RECT client{};
  GetClientRect(window, &client);
  int first = -1, last = -1;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x)
      if (GetGValue(GetPixel(dc.Get(), x, y)) < 128) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return {first, last};
}

// A label in a band taller than its text: "middle" puts the text halfway
// down (a band's rows read as lines); by default it keeps to the top.
TEST(Label, MiddleCentresOneLineTopToBottom) {
  TestHost host;
  Label top, middle;
  Label::CreateArgs args{
      "Total Problems Found", {0, 0, 200, 60}, {}, RGB(0, 0, 0), RGB(255, 255, 255)};
  ASSERT_TRUE(top.Create(host.Hwnd(), args));
  args.bounds = {0, 80, 200, 140};
  args.middle = true;
  ASSERT_TRUE(middle.Create(host.Hwnd(), args));
  EXPECT_TRUE(GetWindowLongA(middle.Hwnd(), GWL_STYLE) & SS_CENTERIMAGE);

  const auto [topFirst, topLast] = InkRows(top.Hwnd());
  ASSERT_GE(topFirst, 0) << "no text drawn";
  EXPECT_LT(topLast, 30) << "a plain label keeps its text at the top";
  const auto [first, last] = InkRows(middle.Hwnd());
  ASSERT_GE(first, 0) << "no text drawn";
  const int above = first, below = 60 - 1 - last;
  EXPECT_LE(std::abs(above - below), 6) << above << " above, " << below << " below";
}

TEST(StandardControls, ReportUserChoicesThroughTheirCallbacks) {
  TestHost host;
  DropDownList list;
  ASSERT_TRUE(list.Create(host.Hwnd(), {{"Daily", "Weekly", "Monthly"}, 1, {0, 0, 120, 24}}));
  EXPECT_EQ(1, list.Selected());
  EXPECT_EQ(3, list.Count());
  int chosen = -1;
  list.onSelected = [&](int index) { chosen = index; };
  list.Select(2);
  SendMessageA(host.Hwnd(), WM_COMMAND, MAKEWPARAM(list.Id(), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list.Hwnd()));
  EXPECT_EQ(2, chosen);

  CheckBox box;
  ASSERT_TRUE(box.Create(host.Hwnd(), {"&Monitor", {0, 40, 120, 20}, {}, true, 7}));
  EXPECT_TRUE(box.IsChecked());
  bool reported = true;
  box.onChanged = [&](bool checked) { reported = checked; };
  box.SetChecked(false);
  EXPECT_TRUE(reported);  // only the user's clicks report
  SendMessageA(host.Hwnd(), WM_COMMAND, MAKEWPARAM(box.Id(), BN_CLICKED),
               reinterpret_cast<LPARAM>(box.Hwnd()));
  EXPECT_FALSE(reported);

  TabControl tabs;
  ASSERT_TRUE(tabs.Create(
      host.Hwnd(), {{"General", "Custom Scan", "Ignore List", "Monitor"}, {0, 70, 380, 200}}));
  const RECT area = tabs.PageArea();
  EXPECT_GT(area.top, 70);
  EXPECT_LT(area.bottom, 200);
}

TEST(TabControl, RoomAroundTheCaptionsGrowsWithTheDpi) {
  TestHost host;
  TabControl tabs;
  ASSERT_TRUE(tabs.Create(host.Hwnd(), {{"General", "Monitor"}, {0, 0, 380, 200}}));
  // The tab's width less its caption's: the padding on both sides.
  auto room = [&](Dpi dpi) {
    tabs.ApplyDpi(dpi);
    RECT item{};
    SendMessageA(tabs.Hwnd(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    WindowDc dc(tabs.Hwnd());
    SelectScope select(dc.Get(),
                       reinterpret_cast<HFONT>(SendMessageA(tabs.Hwnd(), WM_GETFONT, 0, 0)));
    SIZE caption{};
    GetTextExtentPoint32A(dc.Get(), "General", 7, &caption);
    return Width(item) - caption.cx;
  };
  const int at96 = room(Dpi(96));
  const int at144 = room(Dpi(144));
  // Six design units on either side at each DPI, not the control's fixed six pixels.
  EXPECT_GE(at96, 2 * 6);
  EXPECT_GE(at144, 2 * 9);
  // Back at 96 dpi the tabs shrink again.
  EXPECT_EQ(at96, room(Dpi(96)));
}

TEST(ListView, APathColumnKeepsBothEndsOfALongTextAndTheListKeepsItWhole) {
  TestHost host;
  ListView list;
  ASSERT_TRUE(list.Create(
      host.Hwnd(),
      {{{"Key", 60}, {"Registry Location", 150, true}, {"Note", 60}}, {0, 0, 400, 200}}));
  const std::string location =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string note = "a note far too long for sixty units of width";
  list.AddRow({"Run", location, note});
  list.AddRow({"Root", "HKEY_CLASSES_ROOT", ""});
  list.AddRow({"Empty", "", ""});

  const std::string shown = list.ShownText(0, 1);
  EXPECT_LT(shown.size(), location.size());
  EXPECT_EQ(location.substr(0, 12), shown.substr(0, 12)) << shown;
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ("\\Run", shown.substr(shown.size() - 4)) << shown;
  EXPECT_NE(std::string::npos, shown.find("...")) << shown;
  // The whole text stays the cell's, for copies and saved lists.
  EXPECT_EQ(location, list.Cell(0, 1));
  // Short and empty texts, and other columns, are shown as they are.
  EXPECT_EQ("HKEY_CLASSES_ROOT", list.ShownText(1, 1));
  EXPECT_EQ("", list.ShownText(2, 1));
  EXPECT_EQ(note, list.ShownText(0, 2));
  // Wide enough, the path is shown whole.
  list.SetColumnWidth(1, 600);
  EXPECT_EQ(location, list.ShownText(0, 1));
}

// The header ends where the list does at any width, with room for a vertical
// scroll bar only while it shows: no empty piece at its right end, and rows
// that fill the list bring no horizontal bar.
TEST(ListView, TheLastColumnFillsTheWidthAndNeverCausesAHorizontalBar) {
  TestHost host;
  ListView list;
  ListView::CreateArgs args{{{"Made", 100}, {"Hives", 80}, {"Folder", 50}}, {0, 0, 400, 200}};
  args.lastColumnFills = true;
  ASSERT_TRUE(list.Create(host.Hwnd(), args));
  const auto columnsWidth = [&] {
    int sum = 0;
    for (int column = 0; column < 3; ++column)
      sum += static_cast<int>(SendMessageA(list.Hwnd(), LVM_GETCOLUMNWIDTH, column, 0));
    return sum;
  };
  const auto clientWidth = [&] {
    RECT client{};
    GetClientRect(list.Hwnd(), &client);
    return Width(client);
  };
  const int empty = clientWidth();
  EXPECT_EQ(empty, columnsWidth());
  for (int row = 0; row < 60; ++row) list.AddRow({"12/10/2026 9:30 AM", "4", "C:\\Backup"});
  EXPECT_EQ(empty - GetSystemMetrics(SM_CXVSCROLL), clientWidth()) << "the vertical bar shows";
  EXPECT_EQ(clientWidth(), columnsWidth());
  EXPECT_EQ(0, GetWindowLongA(list.Hwnd(), GWL_STYLE) & WS_HSCROLL);
  list.Clear();
  EXPECT_EQ(empty, clientWidth());
  EXPECT_EQ(empty, columnsWidth()) << "the room for the bar goes with it";
  for (int row = 0; row < 60; ++row) list.AddRow({"12/10/2026 9:30 AM", "4", "C:\\Backup"});
  list.SetBounds({0, 0, 320, 200});
  EXPECT_EQ(clientWidth(), columnsWidth());
  // Narrower than the other columns, the last keeps a width of its own.
  list.SetBounds({0, 0, 150, 200});
  EXPECT_EQ(list.CurrentDpi().Scale(60), SendMessageA(list.Hwnd(), LVM_GETCOLUMNWIDTH, 2, 0));
  // A list without the option keeps its columns as given.
  ListView fixed;
  ASSERT_TRUE(fixed.Create(host.Hwnd(), {{{"Made", 100}, {"Folder", 50}}, {0, 0, 400, 200}}));
  EXPECT_EQ(fixed.CurrentDpi().Scale(50), SendMessageA(fixed.Hwnd(), LVM_GETCOLUMNWIDTH, 1, 0));
}

// Names in every script: the list holds and shows them as themselves (read
// back through the wide messages, as a screen reader reads them), and the
// path column shortens them by characters, keeping both ends whole.
TEST(ListView, NamesInEveryScriptAreHeldAndShownAsThemselves) {
  TestHost host;
  ListView list;
  ASSERT_TRUE(list.Create(host.Hwnd(),
                          {{{"Key", 80}, {"Registry Location", 150, true}}, {0, 0, 400, 200}}));
  const std::string hebrew = "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8";
  const std::string location =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
      "App Paths\\\xE6\x96\x87\xE4\xBB\xB6\\gone-" +
      hebrew + ".exe";
  list.AddRow({"\xF0\x9F\x93\x81 \xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB caf\xC3\xA9", location});
  wchar_t text[300] = {};
  LVITEMW cell{};
  cell.iSubItem = 0;
  cell.pszText = text;
  cell.cchTextMax = 300;
  SendMessageW(list.Hwnd(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
  EXPECT_EQ(std::wstring(L"\xD83D\xDCC1 \x0444\x0430\x0439\x043B caf\x00E9"), text);
  cell.iSubItem = 1;
  SendMessageW(list.Hwnd(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
  EXPECT_EQ(std::wstring(L"\x05D3\x05E7\x05E1\x05D8\x05E8.exe"),
            std::wstring(text).substr(wcslen(text) - 9));
  const std::string shown = list.ShownText(0, 1);
  EXPECT_TRUE(IsValidUtf8(shown)) << shown;
  EXPECT_NE(std::string::npos, shown.find("...")) << shown;
  EXPECT_TRUE(shown.ends_with("\\gone-" + hebrew + ".exe")) << shown;
}

// The GDI's ANSI calls read the program's UTF-8 in the font's code page
// (under Wine, 1252: a Hebrew letter as two Latin ones); the toolkit's calls
// measure and draw the characters themselves.
TEST(UiText, IsMeasuredAndDrawnAsItsCharacters) {
  TestHost host;
  const WindowDc dc(host.Hwnd());
  const ScopedFont font = CreatePixelFont("", 16, false, false, false);
  SelectScope select(dc.Get(), font.Get());
  const std::wstring wide = L"\x05D3\x05E7\x05E1\x05D8\x05E8 \x0444\x0430\x0439\x043B";
  SIZE expected{};
  GetTextExtentPoint32W(dc.Get(), wide.c_str(), int(wide.size()), &expected);
  const std::string text =
      "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8 \xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB";
  EXPECT_EQ(expected.cx, MeasureUiText(dc.Get(), text).cx);
  RECT area{0, 0, 1000, 0};
  EXPECT_GT(DrawUiText(dc.Get(), text, &area, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX), 0);
  EXPECT_EQ(expected.cx, area.right);
}

TEST(Animation, AdvancesThroughItsFramesAndWraps) {
  // Three frames of 128 x 128 (twice 64).
  BITMAPINFOHEADER info{sizeof(info), 384, -128, 1, 32, BI_RGB};
  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof(file) + sizeof(info)};
  std::string bmp(reinterpret_cast<const char*>(&file), sizeof(file));
  bmp.append(reinterpret_cast<const char*>(&info), sizeof(info));
  bmp.append(384 * 128 * 4, '\x7F');
  const Picture strip = Picture::Decode(bmp);
  ASSERT_FALSE(strip.IsEmpty());
  TestHost host;
  Animation animation;
  ASSERT_TRUE(animation.Create(host.Hwnd(), {&strip, {0, 0}}));
  EXPECT_EQ(3, animation.FrameCount());
  EXPECT_EQ(64, Width(animation.ClientRect()));
  animation.Advance();
  animation.Advance();
  EXPECT_EQ(2, animation.Frame());
  animation.Advance();
  EXPECT_EQ(0, animation.Frame());
  animation.Start();
  EXPECT_TRUE(animation.IsRunning());
  animation.Stop();
  EXPECT_FALSE(animation.IsRunning());
}

}  // namespace
}  // namespace hvm::ui

namespace hvm::ui {
namespace {

// The tabs as the program draws them: the chosen one white and open into the
// framed area, the others tinted on the frame's top line; the keyboard's
// focus marked on the chosen tab; in high contrast the system's colours, the
// chosen tab still told apart by its shape.
TEST(TabControl, DrawsTheChosenTabOpenIntoItsFramedAreaAndFollowsTheChoice) {
  TestHost host(420, 260);
  TabControl tabs;
  ASSERT_TRUE(tabs.Create(host.Hwnd(), {{"General", "Custom Scan", "Ignore List"}, {10, 10, 400, 240}}));
  SetForegroundWindow(host.Hwnd());
  const auto tabRect = [&](int index) {
    RECT tab{};
    SendMessageA(tabs.Hwnd(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&tab));
    return tab;
  };
  const auto pixel = [&](int x, int y) {
    RedrawWindow(tabs.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    WindowDc dc(tabs.Hwnd());
    return GetPixel(dc.Get(), x, y);
  };
  const RECT first = tabRect(0), second = tabRect(1);
  ASSERT_LT(first.right, second.right);
  const int rowFoot = first.bottom;
  RECT client{};
  GetClientRect(tabs.Hwnd(), &client);
  const int middle = (rowFoot + client.bottom) / 2;
  for (const bool contrast : {false, true}) {
    ForceHighContrast(contrast);
    RefreshHighContrast();
    tabs.Select(0);
    // Inside each tab's top left corner: its face.
    EXPECT_EQ(TabControl::ChosenFace(), pixel(first.left + 3, first.top + 3)) << contrast;
    EXPECT_EQ(TabControl::OtherFace(), pixel(second.left + 3, second.top + 3)) << contrast;
    // The frame's sides, and nothing of a frame line under the chosen tab.
    EXPECT_EQ(TabControl::RimColour(), pixel(client.left, middle)) << contrast;
    EXPECT_EQ(TabControl::RimColour(), pixel(client.right - 1, middle)) << contrast;
    EXPECT_EQ(TabControl::RimColour(), pixel(second.left + 3, rowFoot)) << contrast;
    EXPECT_EQ(TabControl::ChosenFace(), pixel(first.left + 3, rowFoot)) << contrast;
    // The chosen tab stands higher than the others.
    EXPECT_EQ(TabControl::RimColour(), pixel(first.left + 5, first.top - 2)) << contrast;
    EXPECT_NE(TabControl::RimColour(), pixel(second.left + 5, second.top - 2)) << contrast;
    // Another choice turns the look over.
    tabs.Select(1);
    EXPECT_EQ(TabControl::OtherFace(), pixel(first.left + 3, first.top + 3)) << contrast;
    EXPECT_EQ(TabControl::ChosenFace(), pixel(second.left + 3, second.top + 3)) << contrast;
  }
  ForceHighContrast(std::nullopt);
  RefreshHighContrast();
  EXPECT_NE(TabControl::ChosenFace(), TabControl::OtherFace()) << "tinted when not in contrast";

  // The keyboard's focus shows as a dotted mark inside the chosen tab.
  tabs.Select(0);
  SetFocus(host.Hwnd());
  const RECT chosen = tabRect(0);
  const auto markRow = [&] {
    std::vector<COLORREF> row;
    RedrawWindow(tabs.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    WindowDc dc(tabs.Hwnd());
    const int y = chosen.top - 2 + tabs.CurrentDpi().Scale(3);
    for (int x = chosen.left + 4; x < chosen.right - 4; ++x) row.push_back(GetPixel(dc.Get(), x, y));
    return row;
  };
  const std::vector<COLORREF> unfocused = markRow();
  SetFocus(tabs.Hwnd());
  ASSERT_EQ(tabs.Hwnd(), GetFocus());
  EXPECT_NE(unfocused, markRow());
}

}  // namespace
}  // namespace hvm::ui
