#include "ui/image_button.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "test_host.h"
#include "ui/picture_scaling.h"

namespace hvm::ui {
namespace {

using test::Point;
using test::TestHost;

// A strip of four 40 x 20 states (twice a 20 x 10 button), each its own colour.
Picture FourStateStrip() {
  const uint32_t colours[4] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF808080};
  std::vector<uint32_t> pixels;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 160; ++x) pixels.push_back(colours[x / 40]);
  // Round trip through a bitmap: a Picture is made by scaling pixels 1:1.
  std::string bmp;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = 160;
  info.biHeight = -20;
  info.biPlanes = 1;
  info.biBitCount = 32;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + pixels.size() * 4;
  bmp.append(reinterpret_cast<const char*>(&file), sizeof(file));
  bmp.append(reinterpret_cast<const char*>(&info), sizeof(info));
  bmp.append(reinterpret_cast<const char*>(pixels.data()), pixels.size() * 4);
  return Picture::Decode(bmp);
}

TEST(ImageButton, StripStatesAreEqualQuarters) {
  EXPECT_EQ(0, StripStateRect(ButtonState::kNormal, 640, 36).left);
  const RECT pressed = StripStateRect(ButtonState::kPressed, 640, 36);
  EXPECT_EQ(320, pressed.left);
  EXPECT_EQ(480, pressed.right);
  EXPECT_EQ(36, pressed.bottom);
  EXPECT_EQ(480, StripStateRect(ButtonState::kDisabled, 640, 36).left);
}

TEST(ImageButton, SizeIsOneStateHalvedAndScaled) {
  const Picture strip = FourStateStrip();
  ASSERT_FALSE(strip.IsEmpty());
  TestHost host;
  ImageButton button;
  ASSERT_TRUE(button.Create(host.Hwnd(), {&strip, 100, "", {5, 5}}));
  EXPECT_EQ(20, button.SizeAt(Dpi(96)).cx);
  EXPECT_EQ(10, button.SizeAt(Dpi(96)).cy);
  EXPECT_EQ(30, button.SizeAt(Dpi(144)).cx);
  EXPECT_EQ(15, button.SizeAt(Dpi(144)).cy);
}

TEST(ImageButton, MouseMovesThroughTheFourStatesAndClickHandsOverItsCommand) {
  const Picture strip = FourStateStrip();
  TestHost host;
  ImageButton button;
  ASSERT_TRUE(button.Create(host.Hwnd(), {&strip, 160, "Optimize", {5, 5}}));
  std::vector<int> clicked;
  button.onClick = [&](int command) { clicked.push_back(command); };
  EXPECT_EQ(ButtonState::kNormal, button.State());

  SendMessageA(button.Hwnd(), WM_MOUSEMOVE, 0, Point(3, 3));
  EXPECT_EQ(ButtonState::kHover, button.State());
  SendMessageA(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
  EXPECT_EQ(ButtonState::kPressed, button.State());
  // Dragged off while pressed: shown raised, and letting go there is no click.
  SendMessageA(button.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, Point(300, 3));
  EXPECT_NE(ButtonState::kPressed, button.State());
  SendMessageA(button.Hwnd(), WM_LBUTTONUP, 0, Point(300, 3));
  PumpMessages();
  EXPECT_TRUE(clicked.empty());

  SendMessageA(button.Hwnd(), WM_MOUSEMOVE, 0, Point(3, 3));
  SendMessageA(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
  SendMessageA(button.Hwnd(), WM_LBUTTONUP, 0, Point(3, 3));
  PumpMessages();
  EXPECT_EQ((std::vector<int>{160}), clicked);
  // The owner decides what a click does: the button itself posts nothing.
  EXPECT_TRUE(host.commands.empty());

  EnableWindow(button.Hwnd(), FALSE);
  EXPECT_EQ(ButtonState::kDisabled, button.State());
}

TEST(ImageButton, TabStopIsPressedFromTheKeyboardOncePerKeystroke) {
  const Picture strip = FourStateStrip();
  TestHost host;
  ImageButton button;
  ImageButton::CreateArgs args{&strip, 152, "", {5, 5}};
  args.caption = "&Continue";
  args.tabStop = true;
  ASSERT_TRUE(button.Create(host.Hwnd(), args));
  int clicks = 0;
  std::vector<int> commands;
  button.onClick = [&](int command) {
    ++clicks;
    commands.push_back(command);
  };
  EXPECT_TRUE(GetWindowLongA(button.Hwnd(), GWL_STYLE) & WS_TABSTOP);
  char text[32] = {};
  GetWindowTextA(button.Hwnd(), text, sizeof(text));
  EXPECT_STREQ("&Continue", text);
  EXPECT_EQ(DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, SendMessageA(button.Hwnd(), WM_GETDLGCODE, 0, 0));

  SendMessageA(button.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  // Held down: the repeats of the same key-down do not press it again.
  SendMessageA(button.Hwnd(), WM_KEYDOWN, VK_SPACE, 1 | (1 << 30));
  SendMessageA(button.Hwnd(), WM_KEYDOWN, VK_RETURN, 1);
  SendMessageA(button.Hwnd(), WM_KEYDOWN, 'A', 1);
  SendMessageA(button.Hwnd(), BM_CLICK, 0, 0);  // the dialog manager's mnemonic
  PumpMessages();
  EXPECT_EQ(3, clicks);
  EXPECT_EQ((std::vector<int>{152, 152, 152}), commands);

  // A click of the mouse leaves the keyboard focus on it.
  SendMessageA(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
  SendMessageA(button.Hwnd(), WM_LBUTTONUP, 0, Point(3, 3));
  EXPECT_EQ(button.Hwnd(), GetFocus());

  // Disabled, neither keys nor a pressing from code reach it.
  EnableWindow(button.Hwnd(), FALSE);
  SendMessageA(button.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  SendMessageA(button.Hwnd(), BM_CLICK, 0, 0);
  button.Click();
  PumpMessages();
  EXPECT_EQ(4, clicks);
}

TEST(ImageButton, WithoutTabStopTheKeyboardPassesItBy) {
  const Picture strip = FourStateStrip();
  TestHost host;
  ImageButton button;
  ASSERT_TRUE(button.Create(host.Hwnd(), {&strip, 160, "", {5, 5}}));
  int clicks = 0;
  std::vector<int> commands;
  button.onClick = [&](int command) {
    ++clicks;
    commands.push_back(command);
  };
  EXPECT_FALSE(GetWindowLongA(button.Hwnd(), GWL_STYLE) & WS_TABSTOP);
  SendMessageA(button.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  SendMessageA(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
  EXPECT_NE(button.Hwnd(), GetFocus());
  SendMessageA(button.Hwnd(), WM_LBUTTONUP, 0, Point(3, 3));
  // Code may still press it, as a test or a caller does.
  button.Click();
  PumpMessages();
  EXPECT_EQ(2, clicks);
  EXPECT_EQ((std::vector<int>{160, 160}), commands);
}

TEST(ImageButton, PaintsTheQuarterOfItsState) {
  const Picture strip = FourStateStrip();
  TestHost host;
  ImageButton button;
  ASSERT_TRUE(button.Create(host.Hwnd(), {&strip, 1, "", {5, 5}}));
  auto colourShown = [&] {
    RedrawWindow(button.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    WindowDc dc(button.Hwnd());
    return GetPixel(dc.Get(), 10, 5);
  };
  EXPECT_EQ(RGB(0, 0, 255), colourShown());
  SendMessageA(button.Hwnd(), WM_MOUSEMOVE, 0, Point(3, 3));
  EXPECT_EQ(RGB(0, 255, 0), colourShown());
  SendMessageA(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
  EXPECT_EQ(RGB(255, 0, 0), colourShown());
  SendMessageA(button.Hwnd(), WM_LBUTTONUP, 0, Point(300, 300));
  EnableWindow(button.Hwnd(), FALSE);
  EXPECT_EQ(RGB(128, 128, 128), colourShown());
}

}  // namespace
}  // namespace hvm::ui
