#include "ui/menu_button.h"

#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include "support/accessible_probe.h"
#include "test_host.h"
#include "ui/keyboard_navigation.h"
#include "ui/secondary_button.h"

namespace hvm::ui {
namespace {

using hvm::test::AccessibleOf;
using hvm::test::DefaultActionOf;
using hvm::test::NameOf;
using hvm::test::Part;
using hvm::test::RoleOf;
using hvm::test::StateOf;
using test::Point;
using test::TestHost;

class MenuButtonTest : public ::testing::Test {
 protected:
  MenuButtonTest() {
    SetForegroundWindow(host_.Hwnd());
    EXPECT_TRUE(other_.Create(host_.Hwnd(), {"&Print List", MakeRect(10, 60, 120, 36)}));
    EXPECT_TRUE(help_.Create(host_.Hwnd(), {"&Help", MakeRect(300, 6, 80, 24), {9}}));
    help_.onOpen = [this](const RECT& screen) {
      opened_.push_back(screen);
      stateWhileOpen_ = help_.State();
      openWhileOpen_ = help_.IsOpen();
    };
  }
  // A key through the keyboard loop the main window runs, as its message loop would.
  void Key(UINT message, WPARAM key) {
    MSG msg{GetFocus(), message, key, 1};
    if (!NavigateByKeyboard(host_.Hwnd(), msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    PumpMessages();
  }

  ComScope com_;
  TestHost host_{420, 200};
  SecondaryButton other_;
  MenuButton help_;
  std::vector<RECT> opened_;
  ButtonState stateWhileOpen_ = ButtonState::kNormal;
  bool openWhileOpen_ = false;
};

TEST_F(MenuButtonTest, AClickDropsTheMenuBelowTheButtonShownPressedWhileItIsOpen) {
  SendMessageA(help_.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  ASSERT_EQ(1u, opened_.size()) << "a menu opens as the button goes down";
  RECT screen{};
  GetWindowRect(help_.Hwnd(), &screen);
  EXPECT_TRUE(EqualRect(&screen, &opened_[0])) << "the owner gets the button's place";
  EXPECT_EQ(ButtonState::kPressed, stateWhileOpen_);
  EXPECT_TRUE(openWhileOpen_);
  EXPECT_FALSE(help_.IsOpen());
  SendMessageA(help_.Hwnd(), WM_LBUTTONUP, 0, Point(5, 5));
  PumpMessages();
  EXPECT_EQ(1u, opened_.size()) << "letting go opens nothing more";
  EXPECT_TRUE(host_.commands.empty());

  // It shows what it is while the mouse is over it, and only then.
  SendMessageA(help_.Hwnd(), WM_MOUSEMOVE, 0, Point(5, 5));
  EXPECT_EQ(ButtonState::kHover, help_.State());
  SendMessageA(help_.Hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(ButtonState::kNormal, help_.State());

  // Disabled, nothing opens it.
  EnableWindow(help_.Hwnd(), FALSE);
  SendMessageA(help_.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  help_.Open();
  help_.TakeKeyboard();
  EXPECT_NE(help_.Hwnd(), GetFocus());
  EXPECT_EQ(1u, opened_.size());
  EXPECT_EQ(ButtonState::kDisabled, help_.State());
}

TEST_F(MenuButtonTest, TheKeyboardOpensItByItsLetterOrWhenHandedOverAndGetsTheFocusBack) {
  // No Tab stop, as a menu bar is none.
  EXPECT_FALSE(GetWindowLongA(help_.Hwnd(), GWL_STYLE) & WS_TABSTOP);
  SetFocus(other_.Hwnd());
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(other_.Hwnd(), GetFocus()) << "Tab comes round to the only stop";

  // Alt+H opens it, and the keyboard goes back where it was.
  Key(WM_SYSCHAR, 'h');
  EXPECT_EQ(1u, opened_.size());
  EXPECT_EQ(other_.Hwnd(), GetFocus());

  // Handed the keyboard (as F10 does), Enter, Space, Down and F4 each open it
  // once per keystroke; a held key does not open it again.
  for (const WPARAM key : {VK_RETURN, VK_SPACE, VK_DOWN, VK_F4}) {
    const size_t before = opened_.size();
    help_.TakeKeyboard();
    EXPECT_EQ(help_.Hwnd(), GetFocus());
    Key(WM_KEYDOWN, key);
    EXPECT_EQ(before + 1, opened_.size()) << key;
    EXPECT_EQ(other_.Hwnd(), GetFocus()) << key;
  }
  help_.TakeKeyboard();
  MSG repeat{help_.Hwnd(), WM_KEYDOWN, VK_RETURN, 1 | (1 << 30)};
  DispatchMessageA(&repeat);
  EXPECT_EQ(5u, opened_.size());

  // Esc gives the keyboard back without opening it.
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(other_.Hwnd(), GetFocus());
  EXPECT_EQ(5u, opened_.size());

  // The window that had the keyboard is gone meanwhile: the top window gets it.
  help_.TakeKeyboard();
  DestroyWindow(other_.Hwnd());
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(host_.Hwnd(), GetFocus());
}

TEST_F(MenuButtonTest, ScreenReadersHearAMenuButtonWithAPopUp) {
  ComPtr<IAccessible> object = AccessibleOf(help_.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Help", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_BUTTONMENU, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Alt+H", hvm::test::ShortcutOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Open", DefaultActionOf(object.Get(), CHILDID_SELF));
  EXPECT_TRUE(StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_HASPOPUP);
  // The menu runs a loop of its own: it opens after the reader's call returns.
  EXPECT_EQ(S_OK, object->accDoDefaultAction(Part(CHILDID_SELF)));
  EXPECT_TRUE(opened_.empty());
  PumpMessages();
  EXPECT_EQ(1u, opened_.size());
  EnableWindow(help_.Hwnd(), FALSE);
  EXPECT_TRUE(StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_TRUE(FAILED(object->accDoDefaultAction(Part(CHILDID_SELF))));
  PumpMessages();
  EXPECT_EQ(1u, opened_.size());
}

}  // namespace
}  // namespace hvm::ui
