#include "ui/secondary_button.h"

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include "support/accessible_probe.h"
#include "test_host.h"
#include "ui/keyboard_navigation.h"

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

uint32_t At(const std::vector<uint32_t>& pixels, int width, int x, int y) {
  return pixels[static_cast<size_t>(y) * width + x];
}

// Whether an opaque pixel lies between two colours, channel by channel, as a
// gradient's pixel does.
bool Between(uint32_t pixel, COLORREF from, COLORREF to) {
  const int channels[3][3] = {
      {static_cast<int>(pixel >> 16 & 0xFF), GetRValue(from), GetRValue(to)},
      {static_cast<int>(pixel >> 8 & 0xFF), GetGValue(from), GetGValue(to)},
      {static_cast<int>(pixel & 0xFF), GetBValue(from), GetBValue(to)}};
  for (const auto& c : channels)
    if (c[0] < std::min(c[1], c[2]) || c[0] > std::max(c[1], c[2])) return false;
  return pixel >> 24 == 0xFF;
}

uint32_t Opaque(COLORREF colour) {
  return 0xFF000000u | GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

TEST(SecondaryFace, ARoundedBoxInItsRimClearAtTheCornersAndBelow) {
  const SecondaryLook look = SecondaryLookFor(ButtonState::kNormal, false);
  const int width = 100, height = 36;
  const std::vector<uint32_t> face = SecondaryFacePixels(width, height, 1.0, look);
  ASSERT_EQ(static_cast<size_t>(width * height), face.size());
  EXPECT_EQ(0u, At(face, width, 0, 0) >> 24) << "outside the rounded corner";
  EXPECT_EQ(0u, At(face, width, 1, 1) >> 24) << "the corner is rounded, not square";
  EXPECT_EQ(0u, At(face, width, 0, 18) >> 24) << "a unit is left free at the side";
  EXPECT_EQ(Opaque(look.rim), At(face, width, 1, 18)) << "the rim, a pixel wide";
  EXPECT_TRUE(Between(At(face, width, 50, 2), look.faceTop, look.faceBottom));
  EXPECT_TRUE(Between(At(face, width, 50, 17), look.faceTop, look.faceBottom));
  EXPECT_NE(At(face, width, 50, 2), At(face, width, 50, 32)) << "a gradient from top to bottom";
  // The soft shadow under the face, then nothing.
  EXPECT_GT(At(face, width, 50, 34) >> 24, 0u);
  EXPECT_LT(At(face, width, 50, 34) >> 24, 0xFFu);
  EXPECT_EQ(0u, At(face, width, 50, 35) >> 24);

  // The default button's rim is twice as heavy; at 144 dpi everything grows.
  const SecondaryLook heavy = SecondaryLookFor(ButtonState::kNormal, true);
  EXPECT_EQ(2, heavy.rimWidth);
  EXPECT_EQ(Opaque(heavy.rim), At(SecondaryFacePixels(width, height, 1.0, heavy), width, 2, 18));
  EXPECT_NE(Opaque(look.rim), At(face, width, 2, 18));
  const std::vector<uint32_t> large = SecondaryFacePixels(150, 54, 1.5, look);
  EXPECT_EQ(0u, At(large, 150, 2, 2) >> 24);
  EXPECT_EQ(Opaque(look.rim), At(large, 150, 1, 27));

  EXPECT_TRUE(SecondaryFacePixels(0, 36, 1.0, look).empty());
  EXPECT_TRUE(SecondaryFacePixels(100, 36, 0.0, look).empty());
}

TEST(SecondaryFace, EachStateLooksItsOwnAndOnlyPressingSinksTheCaption) {
  const SecondaryLook normal = SecondaryLookFor(ButtonState::kNormal, false);
  const SecondaryLook hover = SecondaryLookFor(ButtonState::kHover, false);
  const SecondaryLook pressed = SecondaryLookFor(ButtonState::kPressed, false);
  const SecondaryLook disabled = SecondaryLookFor(ButtonState::kDisabled, true);
  EXPECT_NE(normal.faceTop, hover.faceTop);
  EXPECT_NE(hover.faceTop, pressed.faceTop);
  EXPECT_NE(normal.caption, disabled.caption);
  EXPECT_EQ(1, pressed.sink);
  EXPECT_EQ(0, normal.sink + hover.sink + disabled.sink);
  EXPECT_EQ(0, pressed.shadowAlpha) << "a pressed button lies flat";
  EXPECT_EQ(1, disabled.rimWidth) << "a disabled default button is not marked as default";
  EXPECT_EQ(ButtonState::kDisabled, StateOfButton(false, true, true));
  EXPECT_EQ(ButtonState::kPressed, StateOfButton(true, false, true));
  EXPECT_EQ(ButtonState::kHover, StateOfButton(true, true, false));
  EXPECT_EQ(ButtonState::kNormal, StateOfButton(true, false, false));
}

class SecondaryButtonTest : public ::testing::Test {
 protected:
  SecondaryButtonTest() {
    SetForegroundWindow(host_.Hwnd());
    EXPECT_TRUE(print_.Create(host_.Hwnd(), {"&Print List", MakeRect(10, 10, 120, 36)}));
    EXPECT_TRUE(
        restore_.Create(host_.Hwnd(), {"Restore &Checked", MakeRect(140, 10, 150, 36), true}));
    print_.onClick = [this] { ++printed_; };
    restore_.onClick = [this] { ++restored_; };
  }
  ~SecondaryButtonTest() override {
    ForceHighContrast(std::nullopt);
    RefreshHighContrast();
  }
  // The client area's pixels, as drawn now.
  static std::vector<COLORREF> Shown(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(window, &client);
    WindowDc dc(window);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) pixels.push_back(GetPixel(dc.Get(), x, y));
    return pixels;
  }
  // Sends a key through the keyboard loop the main window runs, as the message loop would.
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
  SecondaryButton print_, restore_;
  int printed_ = 0, restored_ = 0;
};

TEST_F(SecondaryButtonTest, TheMouseHoversPressesAndClicksOnlyWhereItLetsGo) {
  HWND button = print_.Hwnd();
  EXPECT_EQ(ButtonState::kNormal, print_.State());
  SendMessageA(button, WM_MOUSEMOVE, 0, Point(5, 5));
  EXPECT_EQ(ButtonState::kHover, print_.State());
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  EXPECT_EQ(ButtonState::kPressed, print_.State());
  EXPECT_EQ(button, GetFocus());
  // Dragged off while held: raised again, and letting go there is no click.
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, Point(300, 5));
  EXPECT_EQ(ButtonState::kNormal, print_.State());
  SendMessageA(button, WM_LBUTTONUP, 0, Point(300, 5));
  PumpMessages();
  EXPECT_EQ(0, printed_);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  SendMessageA(button, WM_LBUTTONUP, 0, Point(5, 5));
  // A quick second click is a click too, not a double click of another kind.
  SendMessageA(button, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(5, 5));
  SendMessageA(button, WM_LBUTTONUP, 0, Point(5, 5));
  PumpMessages();
  EXPECT_EQ(2, printed_);
  EXPECT_TRUE(host_.commands.empty()) << "the owner decides what a click does";

  // Disabled, it shows so and no click of the mouse or of code reaches it.
  print_.Enable(false);
  EXPECT_EQ(ButtonState::kDisabled, print_.State());
  SendMessageA(button, WM_MOUSEMOVE, 0, Point(5, 5));
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  SendMessageA(button, WM_LBUTTONUP, 0, Point(5, 5));
  SendMessageA(button, BM_CLICK, 0, 0);
  print_.Click();
  PumpMessages();
  EXPECT_EQ(2, printed_);
  EXPECT_EQ(ButtonState::kDisabled, print_.State());
}

TEST_F(SecondaryButtonTest, SpaceEnterAndTheAccessLetterPressItOncePerKeystroke) {
  EXPECT_TRUE(GetWindowLongA(print_.Hwnd(), GWL_STYLE) & WS_TABSTOP);
  // Tab reaches the buttons in reading order.
  SetFocus(host_.Hwnd());
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(print_.Hwnd(), GetFocus());
  Key(WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(ButtonState::kPressed, print_.State()) << "held down by the space bar";
  Key(WM_KEYUP, VK_SPACE);
  EXPECT_EQ(1, printed_);
  Key(WM_KEYDOWN, VK_RETURN);
  MSG repeat{print_.Hwnd(), WM_KEYDOWN, VK_RETURN, 1 | (1 << 30)};
  DispatchMessageA(&repeat);
  EXPECT_EQ(2, printed_) << "Enter presses the focused button, a held key once";
  EXPECT_EQ(0, restored_);

  // The focused button is the one Enter presses; elsewhere the default is.
  EXPECT_TRUE(SendMessageA(print_.Hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
  SetFocus(host_.Hwnd());
  EXPECT_TRUE(SendMessageA(print_.Hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);
  EXPECT_EQ(restore_.Hwnd(), DefaultButton(host_.Hwnd()));

  // Alt+C: the button whose caption underlines it.
  Key(WM_SYSCHAR, 'c');
  EXPECT_EQ(1, restored_);
  EXPECT_EQ(restore_.Hwnd(), GetFocus());
  // The dialog manager may ask it to become a plain default button: it keeps its look.
  SendMessageA(print_.Hwnd(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(static_cast<LONG>(BS_OWNERDRAW),
            GetWindowLongA(print_.Hwnd(), GWL_STYLE) & BS_TYPEMASK);
}

// The window's keyboard-cue state as the system would answer it; Wine always
// shows the cues (its keyboard-cues setting is on), so the test answers.
LRESULT CALLBACK AnswerUiState(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR state) {
  if (message == WM_QUERYUISTATE) return *reinterpret_cast<LRESULT*>(state);
  return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(SecondaryButtonTest, TheAccessLetterShowsOnlyWhileTheSystemShowsKeyboardCues) {
  LRESULT cues = UISF_HIDEACCEL;
  SetWindowSubclass(print_.Hwnd(), &AnswerUiState, 1, reinterpret_cast<DWORD_PTR>(&cues));
  const std::vector<COLORREF> hidden = Shown(print_.Hwnd());
  cues = 0;
  const std::vector<COLORREF> shown = Shown(print_.Hwnd());
  RemoveWindowSubclass(print_.Hwnd(), &AnswerUiState, 1);
  ASSERT_EQ(hidden.size(), shown.size());
  // Only the underline under the letter was added: a few pixels below the
  // caption's middle, in its left half ("P" begins the caption).
  int changed = 0, highest = 36, rightmost = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == hidden[i]) continue;
    ++changed;
    highest = std::min(highest, static_cast<int>(i / 120));
    rightmost = std::max(rightmost, static_cast<int>(i % 120));
  }
  EXPECT_GT(changed, 2);
  EXPECT_GT(highest, 18);
  EXPECT_LT(rightmost, 60);
}

TEST_F(SecondaryButtonTest, ScreenReadersHearAPushButtonWithItsNameKeyAndStates) {
  ComPtr<IAccessible> object = AccessibleOf(restore_.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Restore Checked", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Alt+C", hvm::test::ShortcutOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Press", DefaultActionOf(object.Get(), CHILDID_SELF));
  long state = StateOf(object.Get(), CHILDID_SELF);
  EXPECT_TRUE(state & STATE_SYSTEM_DEFAULT);
  EXPECT_TRUE(state & STATE_SYSTEM_FOCUSABLE);
  EXPECT_FALSE(StateOf(AccessibleOf(print_.Hwnd()).Get(), CHILDID_SELF) & STATE_SYSTEM_DEFAULT);
  SendMessageA(restore_.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  EXPECT_TRUE(StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_PRESSED);
  EXPECT_TRUE(StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_FOCUSED);
  SendMessageA(restore_.Hwnd(), WM_LBUTTONUP, 0, Point(300, 5));
  EXPECT_EQ(S_OK, object->accDoDefaultAction(Part(CHILDID_SELF)));
  EXPECT_EQ(1, restored_);
  restore_.Enable(false);
  EXPECT_TRUE(StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_TRUE(FAILED(object->accDoDefaultAction(Part(CHILDID_SELF))));
  EXPECT_EQ(1, restored_);
}

TEST_F(SecondaryButtonTest, HighContrastDrawsWithTheSystemsButtonColours) {
  const SecondaryLook look = SecondaryLookFor(ButtonState::kNormal, false);
  const COLORREF face = Shown(print_.Hwnd())[4 * 120 + 100];
  EXPECT_TRUE(Between(Opaque(face), look.faceTop, look.faceBottom));
  ForceHighContrast(true);
  RefreshHighContrast();
  std::vector<COLORREF> pixels = Shown(print_.Hwnd());
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), pixels[4 * 120 + 100]);
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), pixels[18 * 120]) << "a frame in the text colour";
  SendMessageA(print_.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), Shown(print_.Hwnd())[4 * 120 + 100]);
  SendMessageA(print_.Hwnd(), WM_LBUTTONUP, 0, Point(300, 5));
}

}  // namespace
}  // namespace hvm::ui
