#include "ui/keyboard_navigation.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/controls.h"
#include "ui/test_host.h"
#include "ui/window.h"

namespace hvm::ui {
namespace {

TEST(ReadingOrder, RowsTopToBottomAndLeftToRightWithinARow) {
  // Made out of order: the second row first, and right before left.
  const std::vector<RECT> bounds = {
      {200, 60, 300, 80},   // row 2, right
      {10, 62, 100, 82},    // row 2, left, a little lower
      {200, 10, 300, 30},   // row 1, right
      {10, 12, 100, 32},    // row 1, left, a little lower
      {10, 100, 400, 300},  // a list below both
  };
  EXPECT_EQ((std::vector<size_t>{3, 2, 1, 0, 4}), ReadingOrder(bounds));
  EXPECT_TRUE(ReadingOrder({}).empty());
}

TEST(ReadingOrder, ATallControlDoesNotPullTheNextRowIntoItsOwn) {
  // A tall list at the left and two buttons beside it lower down: the
  // buttons start below the list's top half, so they come after it.
  const std::vector<RECT> bounds = {{10, 10, 100, 200}, {120, 150, 200, 170}, {120, 20, 200, 40}};
  EXPECT_EQ((std::vector<size_t>{0, 2, 1}), ReadingOrder(bounds));
}

TEST(NextStop, WrapsBothWaysAndStartsWhereNothingHasTheFocus) {
  EXPECT_EQ(1, NextStop(3, 0, false));
  EXPECT_EQ(0, NextStop(3, 2, false));
  EXPECT_EQ(2, NextStop(3, 0, true));
  EXPECT_EQ(0, NextStop(3, -1, false));
  EXPECT_EQ(2, NextStop(3, -1, true));
  EXPECT_EQ(0, NextStop(1, 0, true));
  EXPECT_EQ(-1, NextStop(0, -1, false));
}

TEST(MnemonicOf, TheUnderlinedLetterInLowerCase) {
  EXPECT_EQ('p', MnemonicOf("&Print List"));
  EXPECT_EQ('c', MnemonicOf("Restore &Checked"));
  EXPECT_EQ('b', MnemonicOf("Save && &Back"));
  EXPECT_EQ(0, MnemonicOf("Save && Back"));
  EXPECT_EQ(0, MnemonicOf("Trailing &"));
  EXPECT_EQ(0, MnemonicOf(""));
}

// A top-level window that takes part, with real controls placed out of
// creation order.
class KeyboardNavigationTest : public ::testing::Test {
 protected:
  KeyboardNavigationTest() {
    SetWindowLongPtrA(host_.Hwnd(), GWL_EXSTYLE,
                      GetWindowLongPtrA(host_.Hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    SetForegroundWindow(host_.Hwnd());
  }
  ~KeyboardNavigationTest() override { Shift(false); }

  HWND Make(const char* type, const char* text, DWORD style, int x, int y, int w = 80, int h = 24) {
    HWND made = CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                host_.Hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(nullptr, made);
    return made;
  }
  // The key as the program's loop receives it: posted to the focus.
  void Press(UINT message, WPARAM key) {
    HWND target = GetFocus() ? GetFocus() : host_.Hwnd();
    PostMessageA(target, message, key, message == WM_SYSCHAR ? (1 << 29) : 0);
    PumpMessages();
  }
  static void Shift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }

  test::TestHost host_{420, 320};
};

TEST_F(KeyboardNavigationTest, TabWalksTheStopsInReadingOrderAndWraps) {
  HWND d = Make("BUTTON", "D", WS_TABSTOP, 200, 60);
  HWND c = Make("BUTTON", "C", WS_TABSTOP, 10, 60);
  HWND b = Make("BUTTON", "B", WS_TABSTOP, 200, 10);
  HWND a = Make("BUTTON", "A", WS_TABSTOP, 10, 10);
  HWND hidden = Make("BUTTON", "H", WS_TABSTOP, 100, 10);
  ShowWindow(hidden, SW_HIDE);
  HWND disabled = Make("BUTTON", "X", WS_TABSTOP | WS_DISABLED, 300, 10);
  Make("STATIC", "label", 0, 10, 120);  // no stop
  ASSERT_EQ((std::vector<HWND>{a, b, c, d}), TabStops(host_.Hwnd()));
  (void)disabled;
  SetFocus(a);
  std::vector<HWND> visited;
  for (int i = 0; i < 4; ++i) {
    Press(WM_KEYDOWN, VK_TAB);
    visited.push_back(GetFocus());
  }
  EXPECT_EQ((std::vector<HWND>{b, c, d, a}), visited);
  Shift(true);
  Press(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(d, GetFocus()) << "Shift+Tab goes back and wraps";
  Press(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(c, GetFocus());
}

TEST_F(KeyboardNavigationTest, AnEditReachedByTabHasItsTextSelected) {
  HWND first = Make("BUTTON", "A", WS_TABSTOP, 10, 10);
  HWND edit = Make("EDIT", "300", WS_TABSTOP | WS_BORDER, 120, 10);
  SetFocus(first);
  Press(WM_KEYDOWN, VK_TAB);
  ASSERT_EQ(edit, GetFocus());
  DWORD start = 1, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(0u, start);
  EXPECT_EQ(3u, end);
}

TEST_F(KeyboardNavigationTest, AltLetterPressesButtonsAndReachesTheControlALabelNames) {
  HWND start = Make("BUTTON", "Start", WS_TABSTOP, 10, 10);
  HWND keep = Make("BUTTON", "&Keep", WS_TABSTOP | BS_AUTOCHECKBOX, 120, 10);
  Make("STATIC", "&Name:", 0, 10, 60, 60);
  HWND name = Make("EDIT", "x", WS_TABSTOP | WS_BORDER, 80, 60);
  SetFocus(start);
  Press(WM_SYSCHAR, 'K');
  EXPECT_EQ(keep, GetFocus());
  EXPECT_EQ(BST_CHECKED, SendMessageA(keep, BM_GETCHECK, 0, 0)) << "pressed, as a click would";
  Press(WM_SYSCHAR, 'n');
  EXPECT_EQ(name, GetFocus()) << "the label's control takes the focus";
  // A letter nothing underlines changes nothing.
  Press(WM_SYSCHAR, 'z');
  EXPECT_EQ(name, GetFocus());
  EXPECT_EQ(BST_CHECKED, SendMessageA(keep, BM_GETCHECK, 0, 0));
}

TEST_F(KeyboardNavigationTest, TheWheelScrollsTheListUnderThePointerWithoutTheFocus) {
  HWND button = Make("BUTTON", "A", WS_TABSTOP, 10, 10);
  HWND list = Make("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | WS_BORDER, 10, 50, 200, 120);
  for (int i = 0; i < 100; ++i)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(i).c_str()));
  SetFocus(button);
  ASSERT_EQ(0, SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  RECT over{};
  GetWindowRect(list, &over);
  const POINT middle{(over.left + over.right) / 2, (over.top + over.bottom) / 2};
  PostMessageA(button, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(middle.x, middle.y));
  PumpMessages();
  EXPECT_GT(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_EQ(button, GetFocus()) << "the focus stays where it was";
}

TEST_F(KeyboardNavigationTest, AWindowThatIsNoControlParentKeepsItsTab) {
  SetWindowLongPtrA(host_.Hwnd(), GWL_EXSTYLE,
                    GetWindowLongPtrA(host_.Hwnd(), GWL_EXSTYLE) & ~WS_EX_CONTROLPARENT);
  HWND a = Make("BUTTON", "A", WS_TABSTOP, 10, 10);
  Make("BUTTON", "B", WS_TABSTOP, 200, 10);
  SetFocus(a);
  Press(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(a, GetFocus());
}

TEST_F(KeyboardNavigationTest, FocusFirstStopSaysWhenAContainerHasNone) {
  EXPECT_FALSE(FocusFirstStop(host_.Hwnd()));
  Make("BUTTON", "B", WS_TABSTOP, 200, 10);
  HWND a = Make("BUTTON", "A", WS_TABSTOP, 10, 10);
  EXPECT_TRUE(FocusFirstStop(host_.Hwnd()));
  EXPECT_EQ(a, GetFocus());
}

TEST_F(KeyboardNavigationTest, EnterPressesTheFocusedButtonOrElseTheDefaultOne) {
  Button other, main;
  ASSERT_TRUE(other.Create(host_.Hwnd(), {"Print", {10, 200, 90, 224}}));
  ASSERT_TRUE(main.Create(host_.Hwnd(), {"Restore", {200, 200, 290, 224}, {}, true}));
  std::vector<std::string> pressed;
  other.onClick = [&] { pressed.push_back("Print"); };
  main.onClick = [&] { pressed.push_back("Restore"); };
  HWND box = Make("BUTTON", "Keep", WS_TABSTOP | BS_AUTOCHECKBOX, 10, 10);
  HWND notes =
      Make("EDIT", "", WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_WANTRETURN, 10, 60, 200, 60);
  ASSERT_EQ(main.Hwnd(), DefaultButton(host_.Hwnd()));

  SetFocus(box);
  Press(WM_KEYDOWN, VK_RETURN);
  SetFocus(other.Hwnd());
  Press(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ((std::vector<std::string>{"Restore", "Print"}), pressed);
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(box, BM_GETCHECK, 0, 0));

  // A held key repeats its key-down: one press only. An edit that takes
  // Enter keeps it, and a disabled default button is not pressed.
  pressed.clear();
  SetFocus(box);
  PostMessageA(box, WM_KEYDOWN, VK_RETURN, 1 << 30);
  PumpMessages();
  SetFocus(notes);
  Press(WM_KEYDOWN, VK_RETURN);
  main.Enable(false);
  SetFocus(box);
  Press(WM_KEYDOWN, VK_RETURN);
  EXPECT_TRUE(pressed.empty());
  EXPECT_EQ(nullptr, DefaultButton(host_.Hwnd()));
}

// A control that records the context menus it is asked for.
class MenuRecorder : public Control {
 public:
  bool Create(HWND parent) {
    return CreateControl("LISTBOX", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, parent,
                         {10, 10, 200, 150}, 7);
  }
  std::vector<LPARAM> asked;

 protected:
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CONTEXTMENU) {
      asked.push_back(lParam);
      return 0;
    }
    return Default(message, wParam, lParam);
  }
};

TEST_F(KeyboardNavigationTest, ShiftFTenAndTheMenuKeyAskTheFocusForItsContextMenu) {
  MenuRecorder list;
  ASSERT_TRUE(list.Create(host_.Hwnd()));
  SetFocus(list.Hwnd());
  Shift(true);
  Press(WM_SYSKEYDOWN, VK_F10);
  Press(WM_SYSKEYUP, VK_F10);
  Shift(false);
  Press(WM_SYSKEYDOWN, VK_F10);  // F10 alone asks for nothing
  Press(WM_KEYDOWN, VK_APPS);
  Press(WM_KEYUP, VK_APPS);
  EXPECT_EQ((std::vector<LPARAM>{MAKELPARAM(-1, -1), MAKELPARAM(-1, -1)}), list.asked)
      << "once per press, at the control's own place";
}

}  // namespace
}  // namespace hvm::ui
