#include "desktop/message_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "desktop/about_window.h"
#include "desktop/pages/download_window.h"
#include "ui/clipboard.h"

namespace hvm {
namespace {

using ShownAction = std::function<void(MessageDialogWindow&)>;

// Runs a dialog whose `onShown` acts on it from inside its modal loop, the
// way a user would, through posted window messages.
int RunDialog(const std::string& text, const std::string& caption, int flags, ShownAction onShown,
              DialogPrepareHook prepare = {}, ui::Dpi dpi = ui::Dpi(96)) {
  SetDialogShownHook(std::move(onShown));
  DialogOptions options;
  options.dpi = dpi;
  const int result = ShowMessageDialog(text, caption, flags, std::move(prepare), options);
  SetDialogShownHook({});
  return result;
}

void PostKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

RECT ChildRect(HWND dialog, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<std::string> Captions(MessageDialogWindow& dialog) {
  std::vector<std::string> captions;
  for (int slot = 1; dialog.ButtonAt(slot); ++slot)
    captions.push_back(dialog.ButtonAt(slot)->Text());
  return captions;
}

TEST(MessageDialogModel, ButtonSetsAndIconsFollowTheFlags) {
  EXPECT_EQ(DialogIcon::kNone, IconForFlags(0));
  EXPECT_EQ(DialogIcon::kNone, IconForFlags(15));
  EXPECT_EQ(DialogIcon::kStop, IconForFlags(16));
  EXPECT_EQ(DialogIcon::kStop, IconForFlags(17));
  EXPECT_EQ(DialogIcon::kQuestion, IconForFlags(47));
  EXPECT_EQ(DialogIcon::kWarning, IconForFlags(48));
  EXPECT_EQ(DialogIcon::kInformation, IconForFlags(74));
  EXPECT_EQ(DialogIcon::kNone, IconForFlags(80));
  EXPECT_EQ(DialogIcon::kNone, IconForFlags(255));

  auto results = [](int flags) {
    std::vector<int> r;
    for (const DialogButton& b : ButtonsForFlags(flags)) r.push_back(b.result);
    return r;
  };
  EXPECT_EQ((std::vector<int>{1}), results(0));
  EXPECT_EQ((std::vector<int>{1, 2}), results(1));
  EXPECT_EQ((std::vector<int>{3, 4, 5}), results(2));
  EXPECT_EQ((std::vector<int>{6, 7, 2}), results(3));
  EXPECT_EQ((std::vector<int>{6, 7}), results(4));
  EXPECT_EQ((std::vector<int>{3, 2}), results(5));
  EXPECT_EQ((std::vector<int>{1}), results(6));
  EXPECT_EQ((std::vector<int>{1}), results(7));
  EXPECT_EQ((std::vector<int>{4, 2, 5}), results(8));
  EXPECT_EQ((std::vector<int>{4, 2, 5}), results(9));
  EXPECT_EQ((std::vector<int>{5, 6, 7}), results(10));
  EXPECT_EQ((std::vector<int>{1}), results(15));
  EXPECT_EQ("C&ontinue", ButtonsForFlags(8)[0].caption);
  EXPECT_EQ("&More Info", ButtonsForFlags(74)[0].caption);
}

TEST(MessageDialogModel, EnterAndEscapeButtons) {
  EXPECT_EQ(0, DefaultButtonIndex(1));
  EXPECT_EQ(0, FocusButtonIndex(1));
  EXPECT_EQ(1, CancelButtonIndex(ButtonsForFlags(1)));
  EXPECT_EQ(-1, CancelButtonIndex(ButtonsForFlags(48)));
  EXPECT_EQ(-1, DefaultButtonIndex(4));
  EXPECT_EQ(0, FocusButtonIndex(4));
  EXPECT_EQ(-1, CancelButtonIndex(ButtonsForFlags(4)));
  EXPECT_EQ(1, CancelButtonIndex(ButtonsForFlags(9)));
}

// A question whose OK cannot be taken back asks for the second button as
// the default: it may be the cancel button, and the focus starts there.
TEST(MessageDialogModel, TheSecondButtonDefaultFlagMovesDefaultAndFocus) {
  constexpr int kSecond = dialog::kSecondButtonDefault;
  EXPECT_EQ(0x100, kSecond);
  EXPECT_EQ(1, DefaultButtonIndex(dialog::kOkCancel | 48 | kSecond));
  EXPECT_EQ(1, FocusButtonIndex(dialog::kOkCancel | 48 | kSecond));
  EXPECT_EQ(1, DefaultButtonIndex(dialog::kYesNo | kSecond));
  EXPECT_EQ(1, DefaultButtonIndex(dialog::kRestartCancelIgnore | kSecond));
  // A set with one button keeps it.
  EXPECT_EQ(0, DefaultButtonIndex(dialog::kNotice | kSecond));
  EXPECT_EQ(0, FocusButtonIndex(dialog::kNotice | kSecond));
  // The flag changes neither the buttons nor the icon.
  EXPECT_EQ(2u, ButtonsForFlags(1 | 48 | kSecond).size());
  EXPECT_EQ(DialogIcon::kWarning, IconForFlags(1 | 48 | kSecond));
}

TEST(MessageDialogModel, ClipboardTextIsExact) {
  EXPECT_EQ(
      "---------------------------\r\nConfirm\r\n---------------------------\r\n"
      "Delete it?\r\nReally.\r\n---------------------------\r\n&Cancel   &OK\r\n"
      "---------------------------",
      DialogClipboardText("Confirm", "Delete it?\r\nReally.", ButtonsForFlags(1)));
  EXPECT_EQ(
      "---------------------------\r\n\r\n---------------------------\r\n\r\n"
      "---------------------------\r\n&Ignore   &Cancel   &Restart\r\n"
      "---------------------------",
      DialogClipboardText("", "", ButtonsForFlags(9)));
}

TEST(MessageDialogModel, LayoutPutsButtonsBelowTextRightAligned) {
  auto units = [](int u) { return u; };
  const DialogLayout three = LayoutDialog(true, 3, 13, 0, units);
  EXPECT_EQ(400, three.clientWidth);
  // The icon is taller than one line of text, so it decides the bottom edge.
  EXPECT_EQ(20 + 32 + 20, three.buttonTop);
  EXPECT_EQ(20 + 32 + 75, three.clientHeight);
  EXPECT_EQ((std::vector<int>{100, 200, 300}), three.buttonLefts);
  const DialogLayout alone = LayoutDialog(false, 1, 100, 40, units);
  EXPECT_EQ(400 - 64, alone.clientWidth);
  EXPECT_EQ(16, alone.textLeft);
  EXPECT_EQ(0, alone.iconSize);
  EXPECT_EQ(20 + 100 + 20, alone.prepareY);
  EXPECT_EQ(20 + 100 + 40 + 20, alone.buttonTop);
  EXPECT_EQ(20 + 100 + 40 + 75, alone.clientHeight);
  EXPECT_EQ((std::vector<int>{336 - 20 - 80}), alone.buttonLefts);
  // Three buttons keep the full width even without an icon.
  EXPECT_EQ(400, LayoutDialog(false, 3, 13, 0, units).clientWidth);
}

TEST(MessageDialogModel, TextEndsWhereTheButtonsEndInEveryShape) {
  auto units = [](int u) { return u; };
  auto times3 = [](int u) { return u * 3 / 2; };
  // With an icon, and without one in the narrower window, the text wraps at 300.
  EXPECT_EQ(300, LayoutDialog(true, 1, 13, 0, units).textWidth);
  EXPECT_EQ(300, LayoutDialog(true, 3, 13, 0, units).textWidth);
  EXPECT_EQ(300, LayoutDialog(false, 2, 13, 0, units).textWidth);
  // Three buttons without an icon: the full width, no empty strip on the right.
  const DialogLayout wide = LayoutDialog(false, 3, 13, 0, units);
  EXPECT_EQ(16, wide.textLeft);
  EXPECT_EQ(wide.buttonLefts.back() + wide.buttonWidth, wide.textLeft + wide.textWidth);
  EXPECT_EQ(364, wide.textWidth);
  // The width does not depend on the text, so a layout without one tells it.
  for (bool icon : {false, true})
    for (int buttons = 1; buttons <= 3; ++buttons) {
      const DialogLayout measured = LayoutDialog(icon, buttons, 0, 0, times3);
      const DialogLayout laidOut = LayoutDialog(icon, buttons, 200, 44, times3);
      EXPECT_EQ(measured.textWidth, laidOut.textWidth) << icon << buttons;
      EXPECT_EQ(laidOut.clientWidth - 30, laidOut.textLeft + laidOut.textWidth) << icon << buttons;
    }
}

TEST(MessageDialogModel, ButtonBandStartsBetweenTheContentAndTheButtons) {
  auto units = [](int u) { return u; };
  const DialogLayout plain = LayoutDialog(false, 1, 40, 0, units);
  EXPECT_EQ(20 + 40 + 10, plain.bandTop);
  EXPECT_EQ(plain.buttonTop - 10, plain.bandTop);
  // Room a prepare hook asks for moves the band down with the buttons, so a
  // row that leaves the gap below it stays on white.
  const DialogLayout hooked = LayoutDialog(true, 3, 13, 24 + 20, units);
  const int rowBottom = hooked.prepareY + 24;
  EXPECT_EQ(rowBottom + 10, hooked.bandTop);
  EXPECT_LT(hooked.bandTop, hooked.buttonTop);
  const DialogLayout at144 = LayoutDialog(true, 3, 20, 66, [](int u) { return u * 3 / 2; });
  EXPECT_EQ(at144.buttonTop - 15, at144.bandTop);
}

// The windows whose layout is the program's own stand their buttons in the
// middle of their band, at every DPI, and the windows put them where the
// layout says.
TEST(DialogBands, TheDownloadAndAboutWindowsCentreTheirButtonsInTheirBand) {
  for (const int dots : {96, 144}) {
    const ui::Dpi dpi(dots);
    const DownloadWindow::Layout download = DownloadWindow::LayoutAt(dpi);
    const int above = download.cancel.top - download.bandTop;
    const int below = download.client.cy - download.cancel.bottom;
    EXPECT_GT(above, 0) << dots;
    EXPECT_LE(std::abs(above - below), 1) << dots << ": " << above << " above, " << below;
    EXPECT_GT(download.bandTop, download.bar.bottom) << "the bar stays on white";
    const RECT ok = AboutWindow::OkBounds(dpi);
    const int okAbove = ok.top - dpi.Scale(AboutWindow::kBandTop);
    const int okBelow = dpi.Scale(AboutWindow::kHeight) - ok.bottom;
    EXPECT_GT(okAbove, 0) << dots;
    EXPECT_LE(std::abs(okAbove - okBelow), 1) << dots << ": " << okAbove << " above, " << okBelow;
  }
  DownloadWindow window;
  ASSERT_TRUE(window.Create(nullptr));
  const DownloadWindow::Layout layout = DownloadWindow::LayoutAt(window.CurrentDpi());
  const RECT cancel = ChildRect(window.Hwnd(), window.CancelButton().Hwnd());
  EXPECT_EQ(layout.cancel.top, cancel.top);
  EXPECT_EQ(layout.cancel.bottom, cancel.bottom);
  EXPECT_EQ(layout.client.cy, ui::Height(window.ClientRect()));
  AboutWindow about;
  ASSERT_TRUE(about.Create(AboutWindow::Mode::kAbout, nullptr, "1.0"));
  const RECT ok = ChildRect(about.Hwnd(), about.OkWindow());
  EXPECT_EQ(AboutWindow::OkBounds(about.CurrentDpi()).top, ok.top);
  EXPECT_EQ(AboutWindow::OkBounds(about.CurrentDpi()).bottom, ok.bottom);
}

TEST(MessageDialog, WarningNoticeEnterReturnsOneAndEscapeDoesNothing) {
  DialogIcon icon = DialogIcon::kNone;
  std::vector<std::string> captions;
  bool iconShown = false;
  const int result = RunDialog("Disk almost full.", "Hivemend", 48, [&](MessageDialogWindow& d) {
    icon = d.Icon();
    iconShown = d.IconShown();
    captions = Captions(d);
    // Esc first: with no cancel button it must leave the dialog open, so that
    // the Enter behind it decides.
    PostKey(GetFocus(), VK_ESCAPE);
    PostKey(GetFocus(), VK_RETURN);
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ(DialogIcon::kWarning, icon);
  EXPECT_TRUE(iconShown);
  EXPECT_EQ((std::vector<std::string>{"&OK"}), captions);
}

TEST(MessageDialog, TitleBarCloseReturnsTwoForYesNo) {
  std::vector<std::string> captions;
  const int result = RunDialog("Continue?", "Hivemend", 4, [&](MessageDialogWindow& d) {
    captions = Captions(d);
    PostMessageA(d.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(2, result);
  EXPECT_EQ((std::vector<std::string>{"&Yes", "&No"}), captions);
}

TEST(MessageDialog, FocusStartsOnTheLeftmostButtonAndEnterPressesIt) {
  HWND focused = nullptr, leftmost = nullptr;
  const int result = RunDialog("Continue?", "Hivemend", 4, [&](MessageDialogWindow& d) {
    focused = GetFocus();
    leftmost = d.ButtonAt(1)->Hwnd();
    PostKey(GetFocus(), VK_RETURN);
  });
  EXPECT_EQ(leftmost, focused);
  EXPECT_EQ(6, result);
}

TEST(MessageDialog, WithTheSecondButtonDefaultEnterAnswersCancel) {
  HWND focused = nullptr, second = nullptr;
  LRESULT secondStyle = 0, firstStyle = 0;
  const int result =
      RunDialog("Replace everything?", "Hivemend",
                dialog::kOkCancel | 48 | dialog::kSecondButtonDefault, [&](MessageDialogWindow& d) {
                  focused = GetFocus();
                  second = d.ButtonAt(2)->Hwnd();
                  firstStyle = GetWindowLongA(d.ButtonAt(1)->Hwnd(), GWL_STYLE);
                  secondStyle = GetWindowLongA(second, GWL_STYLE);
                  PostKey(GetFocus(), VK_RETURN);
                });
  EXPECT_EQ(second, focused);
  EXPECT_EQ(BS_DEFPUSHBUTTON, secondStyle & BS_TYPEMASK);
  EXPECT_NE(BS_DEFPUSHBUTTON, firstStyle & BS_TYPEMASK);
  EXPECT_EQ(dialog::kCancel, result);
}

TEST(MessageDialog, EscapePressesCancelAndButtonsClickByMouse) {
  EXPECT_EQ(2, RunDialog("Sure?", "Hivemend", 1,
                         [](MessageDialogWindow& d) { PostKey(GetFocus(), VK_ESCAPE); }));
  EXPECT_EQ(4, RunDialog("Restart now?", "Hivemend", 9, [](MessageDialogWindow& d) {
              HWND restart = d.ButtonAt(1)->Hwnd();
              PostMessageA(restart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
              PostMessageA(restart, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            }));
  // A mnemonic letter presses its button: "&Ignore" of flags 9.
  EXPECT_EQ(5, RunDialog("Restart now?", "Hivemend", 9, [](MessageDialogWindow& d) {
              PostMessageA(GetFocus(), WM_CHAR, 'i', 1);
            }));
}

TEST(MessageDialog, LongTextWithoutIconWrapsAndNarrowsTheWindow) {
  const std::string longText(60, 'x');
  std::string words;
  for (int i = 0; i < 40; ++i) words += "registry ";
  int oneLineHeight = 0, wrappedHeight = 0, narrowWidth = 0, iconWidth = 0;
  bool iconShown = true;
  RECT text{};
  RunDialog("short", "Hivemend", 64, [&](MessageDialogWindow& d) {
    oneLineHeight = d.Layout().textHeight;
    iconWidth = d.Layout().clientWidth;
    PostMessageA(d.Hwnd(), WM_CLOSE, 0, 0);
  });
  RunDialog(words, "Hivemend", 0, [&](MessageDialogWindow& d) {
    wrappedHeight = d.Layout().textHeight;
    narrowWidth = d.Layout().clientWidth;
    iconShown = d.IconShown();
    text = ChildRect(d.Hwnd(), d.TextWindow());
    PostMessageA(d.Hwnd(), WM_CLOSE, 0, 0);
  });
  EXPECT_GT(wrappedHeight, 3 * oneLineHeight);
  EXPECT_FALSE(iconShown);
  EXPECT_EQ(iconWidth - 64, narrowWidth);
  EXPECT_EQ(16, text.left);
  EXPECT_LE(text.right, narrowWidth);
}

TEST(MessageDialog, PrepareHookControlsSitBetweenTextAndButtons) {
  int hookY = -1, textBottom = -1;
  RECT added{}, yes{};
  HWND addedWindow = nullptr;
  int clicked = 0;
  auto prepare = [&](MessageDialogWindow& d, int y) {
    hookY = y;
    addedWindow =
        CreateWindowExA(0, "BUTTON", "&Remind me: ", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, 80, y,
                        200, 20, d.Hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    d.SetExtraHeight(30);
    d.SetClickHook([&](int slot, int result) {
      clicked = slot;
      return result + 100;
    });
  };
  const int result = RunDialog(
      "A newer version is available.", "Hivemend", 74,
      [&](MessageDialogWindow& d) {
        textBottom = ChildRect(d.Hwnd(), d.TextWindow()).bottom;
        added = ChildRect(d.Hwnd(), addedWindow);
        yes = ChildRect(d.Hwnd(), d.ButtonAt(2)->Hwnd());
        d.ButtonAt(2)->Focus();
        PostKey(GetFocus(), VK_RETURN);
      },
      prepare);
  // The information icon (32 high at 20) is taller than the one-line text.
  EXPECT_EQ(20 + 32 + 20, hookY);
  EXPECT_GT(added.top, textBottom);
  EXPECT_GE(yes.top, added.bottom);
  EXPECT_EQ(20 + 32 + 30 + 20, yes.top);
  EXPECT_EQ(2, clicked);
  EXPECT_EQ(106, result);
}

TEST(MessageDialog, LayoutScalesWithTheDpi) {
  RECT at96{}, at144{};
  int width96 = 0, width144 = 0;
  RunDialog("Scaled", "Hivemend", 1, [&](MessageDialogWindow& d) {
    at96 = ChildRect(d.Hwnd(), d.ButtonAt(2)->Hwnd());
    width96 = d.Layout().clientWidth;
    PostMessageA(d.Hwnd(), WM_CLOSE, 0, 0);
  });
  RunDialog(
      "Scaled", "Hivemend", 1,
      [&](MessageDialogWindow& d) {
        at144 = ChildRect(d.Hwnd(), d.ButtonAt(2)->Hwnd());
        width144 = d.Layout().clientWidth;
        PostMessageA(d.Hwnd(), WM_CLOSE, 0, 0);
      },
      {}, ui::Dpi(144));
  EXPECT_EQ(80, at96.right - at96.left);
  EXPECT_EQ(25, at96.bottom - at96.top);
  EXPECT_EQ(120, at144.right - at144.left);
  EXPECT_EQ(38, at144.bottom - at144.top);
  EXPECT_EQ(width96 * 3 / 2, width144);
}

TEST(MessageDialog, ControlCCopiesTheDialogAsText) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const int result = RunDialog("Delete it?", "Confirm", 1, [&](MessageDialogWindow& d) {
    BYTE pressed[256];
    memcpy(pressed, keys, sizeof(pressed));
    pressed[VK_CONTROL] = 0x80;
    pressed[VK_SHIFT] = 0x80;  // other modifiers do not matter
    SetKeyboardState(pressed);
    PostKey(GetFocus(), 'C');
    PostMessageA(d.Hwnd(), WM_CLOSE, 0, 0);
  });
  SetKeyboardState(keys);
  EXPECT_EQ(2, result);
  ASSERT_TRUE(OpenClipboard(nullptr));
  std::string text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(
      "---------------------------\r\nConfirm\r\n---------------------------\r\nDelete it?\r\n"
      "---------------------------\r\n&Cancel   &OK\r\n---------------------------",
      text);
}

TEST(MessageDialog, OwnerIsDisabledWhileShownAndEnabledAfter) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  bool enabledWhileShown = true;
  SetDialogShownHook([&](MessageDialogWindow& d) {
    enabledWhileShown = IsWindowEnabled(owner);
    PostMessageA(d.Hwnd(), WM_CLOSE, 0, 0);
  });
  GuiDialogs dialogs(owner);
  EXPECT_EQ(2, dialogs.MessageDialog("Owned", "Hivemend", 0));
  SetDialogShownHook({});
  EXPECT_FALSE(enabledWhileShown);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

}  // namespace
}  // namespace hvm
