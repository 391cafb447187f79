#include "ui/html_view.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "test_host.h"

namespace hvm::ui {
namespace {

using test::TestHost;

class HtmlViewTest : public ::testing::Test {
 protected:
  HtmlViewTest() : host_(500, 400) {
    EXPECT_TRUE(view_.Create(host_.Hwnd(), {MakeRect(0, 0, 400, 300)}));
  }
  TestHost host_;
  HtmlView view_;
};

TEST_F(HtmlViewTest, TallPageGetsAScrollBarAndScrollingIsClamped) {
  std::string html = "<html><body>";
  for (int i = 0; i < 80; ++i) html += "<p>Line " + std::to_string(i) + "</p>";
  view_.LoadHtml(html + "</body></html>");
  const int height = view_.Layout().height;
  ASSERT_GT(height, 300);
  SCROLLINFO info{sizeof(info), SIF_ALL};
  ASSERT_TRUE(GetScrollInfo(view_.Hwnd(), SB_VERT, &info));
  EXPECT_EQ(height - 1, info.nMax);
  EXPECT_EQ(static_cast<UINT>(Height(view_.ClientRect())), info.nPage);
  view_.ScrollTo(100000);
  EXPECT_EQ(height - Height(view_.ClientRect()), view_.ScrollPosition());
  view_.ScrollTo(-5);
  EXPECT_EQ(0, view_.ScrollPosition());
  SendMessageA(view_.Hwnd(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(Height(view_.ClientRect()), view_.ScrollPosition());
  // The wheel scrolls back up.
  SendMessageA(view_.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 20), 0);
  EXPECT_EQ(0, view_.ScrollPosition());
}

TEST_F(HtmlViewTest, ShortPageNeedsNoScrolling) {
  view_.LoadHtml("<p>Short</p>");
  view_.ScrollTo(50);
  EXPECT_EQ(0, view_.ScrollPosition());
  EXPECT_EQ(400, view_.Layout().width);  // laid out over the whole width
}

TEST_F(HtmlViewTest, PicturesAreAskedForOnceAndAMissingOneLeavesItsBoxEmpty) {
  std::map<std::string, int> asked;
  view_.imageRequest = [&](std::string_view address) -> std::optional<std::string> {
    ++asked[std::string(address)];
    return std::nullopt;
  };
  view_.LoadHtml(
      "<img src=\"cid:a.png\" width=\"40\" height=\"30\"><img src=\"cid:a.png\" width=\"40\" "
      "height=\"30\"><p>after the pictures</p>");
  EXPECT_EQ(1, asked["cid:a.png"]);
  ASSERT_FALSE(view_.Layout().texts.empty());
  // The text comes below the 30-pixel boxes the pictures keep.
  EXPECT_GE(view_.Layout().texts.back().rect.top, 30);
  RedrawWindow(view_.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  WindowDc dc(view_.Hwnd());
  EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc.Get(), 20, 15));
}

TEST_F(HtmlViewTest, ControlsAreMadeThroughTheHookAndMoveWithTheScroll) {
  std::vector<EmbeddedControlRequest> requests;
  view_.createControl = [&](HtmlView& view, const EmbeddedControlRequest& request) -> HWND {
    requests.push_back(request);
    if (request.type != "user_progress") return nullptr;
    return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, -400, request.proposed.cx,
                           request.proposed.cy, view.Hwnd(), nullptr, GetModuleHandleA(nullptr),
                           nullptr);
  };
  std::string html =
      "<p>top</p><input type=\"user_progress\" width=\"200\"><input type=\"user\" name=\"1\">";
  for (int i = 0; i < 60; ++i) html += "<p>filler</p>";
  view_.LoadHtml(html);
  // Both custom inputs are asked for; the hook makes only the progress bar.
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("user_progress", requests[0].type);
  EXPECT_EQ("user", requests[1].type);
  EXPECT_EQ(200, requests[0].proposed.cx);
  EXPECT_EQ(20, requests[0].proposed.cy);  // no height: 20
  ASSERT_EQ(1u, view_.Controls().size());
  HWND bar = view_.Controls()[0];
  auto topOf = [&] {
    RECT r{};
    GetWindowRect(bar, &r);
    MapWindowPoints(nullptr, view_.Hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r.top;
  };
  const int before = topOf();
  EXPECT_GE(before, 0);
  view_.ScrollTo(40);
  EXPECT_EQ(before - 40, topOf());
  // A new page destroys the controls of the old one.
  view_.LoadHtml("<p>empty</p>");
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_TRUE(view_.Controls().empty());
}

TEST_F(HtmlViewTest, LinkClickReportsItsAddress) {
  std::vector<std::string> opened;
  view_.onLink = [&](const std::string& href) { opened.push_back(href); };
  view_.LoadHtml("<p><a href=\"https://example.org/help\">Read the help</a> plain text</p>");
  ASSERT_FALSE(view_.Layout().linkAreas.empty());
  const html::Rect link = view_.Layout().linkAreas[0].rect;
  SendMessageA(view_.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(link.left + 2, link.top + 2));
  SendMessageA(view_.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(390, 290));  // not on a link
  EXPECT_EQ((std::vector<std::string>{"https://example.org/help"}), opened);
}

TEST_F(HtmlViewTest, WiderViewLaysTheTextOutAgain) {
  std::string words;
  for (int i = 0; i < 60; ++i) words += "word ";
  view_.LoadHtml("<p>" + words + "</p>");
  const int narrowHeight = view_.Layout().height;
  SetWindowPos(view_.Hwnd(), nullptr, 0, 0, 480, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_LT(view_.Layout().height, narrowHeight);
  EXPECT_EQ(480, view_.Layout().width);
}

}  // namespace
}  // namespace hvm::ui
