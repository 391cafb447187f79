#include "desktop/pages/template_renderer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/reports/program_resource.h"
#include "ui/html_view.h"

namespace hvm {
namespace {

constexpr int kControlsTemplate = 901;  // tests/reports/templates/901

// A stand-in main window that records the commands posted to it, with an HTML
// view as its page.
class Host : public ui::Window {
 public:
  Host() {
    CreateArgs args;
    args.className = "HivemendTemplateHost";
    args.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    args.bounds = ui::MakeRect(0, 0, 700, 600);
    if (!CreateWindowOf(args)) throw std::runtime_error("no host window");
    if (!view.Create(Hwnd(), {ui::MakeRect(0, 0, 680, 560)})) throw std::runtime_error("no view");
  }
  ui::HtmlView view;
  std::vector<WPARAM> commands;
  std::vector<LPARAM> values;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER) {
      commands.push_back(wParam);
      values.push_back(lParam);
      return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
  }
};

class TemplateRendererTest : public ::testing::Test {
 protected:
  // The buttons' clicks come to the stand-in as the main window queues them.
  TemplateRendererTest() {
    Templates().SetCommandSink(
        [window = host_.Hwnd()](int number) { PostMessageA(window, WM_USER, WPARAM(number), 0); });
  }
  ~TemplateRendererTest() override {
    Templates().SetControlCreatedHook({});
    Templates().Release(host_.view);
  }
  void Click(HWND button) {
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    ui::PumpMessages();
  }
  Host host_;
};

TEST_F(TemplateRendererTest, ControlsAreMadeForTheThreeCustomTypesOnly) {
  std::vector<TemplateControl> made;
  Templates().SetControlCreatedHook([&](const TemplateControl& c) { made.push_back(c); });
  Templates().Render(host_.view, kControlsTemplate);
  ASSERT_EQ(4u, made.size());
  EXPECT_EQ(TemplateControlKind::kButton, made[0].kind);
  EXPECT_EQ(0, made[0].button->Command());
  EXPECT_EQ(130, made[1].button->Command());
  EXPECT_EQ(TemplateControlKind::kProgressBar, made[2].kind);
  EXPECT_EQ(TemplateControlKind::kPanel, made[3].kind);
  EXPECT_EQ(made[1].button, Templates().LastButton());
  EXPECT_EQ(made[2].progressBar, Templates().LastProgressBar());
  EXPECT_EQ(made[3].panel, Templates().LastPanel());
  EXPECT_EQ(4u, host_.view.Controls().size());

  // A progress bar without a height is 20 high; its width is the attribute's.
  RECT bar{};
  GetClientRect(made[2].window, &bar);
  EXPECT_EQ(200, bar.right);
  EXPECT_EQ(20, bar.bottom);
  // The view placed every control in the page, none is left out of sight.
  for (const TemplateControl& c : made) {
    RECT r{};
    GetWindowRect(c.window, &r);
    MapWindowPoints(nullptr, host_.view.Hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_GE(r.top, 0);
  }
}

TEST_F(TemplateRendererTest, ButtonsPostTheirCodeAndANonNumericNamePostsZero) {
  std::vector<TemplateControl> made;
  Templates().SetControlCreatedHook([&](const TemplateControl& c) { made.push_back(c); });
  Templates().Render(host_.view, kControlsTemplate);
  ASSERT_GE(made.size(), 2u);
  Click(made[1].window);
  Click(made[0].window);
  EXPECT_EQ((std::vector<WPARAM>{130, 0}), host_.commands);
  EXPECT_EQ((std::vector<LPARAM>{0, 0}), host_.values);
}

TEST_F(TemplateRendererTest, PanelHookRunsWhileLentControlsStillStandOnIt) {
  Templates().SetControlCreatedHook([](const TemplateControl&) {});
  Templates().Render(host_.view, kControlsTemplate);
  TemplatePanel* panel = Templates().LastPanel();
  ASSERT_NE(nullptr, panel);
  // A page lends a check box to the panel and takes it back in the hook.
  HWND lent = CreateWindowExA(0, "BUTTON", "lent", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 4, 4,
                              100, 20, panel->Hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
  bool childStoodOnPanel = false;
  panel->beforeDestroy = [&](TemplatePanel& p) {
    childStoodOnPanel = IsWindow(lent) && GetParent(lent) == p.Hwnd();
    SetParent(lent, host_.Hwnd());
  };
  Templates().Render(host_.view, kControlsTemplate);  // replaces the page
  EXPECT_TRUE(childStoodOnPanel);
  EXPECT_TRUE(IsWindow(lent));
  EXPECT_NE(nullptr, Templates().LastPanel());
  DestroyWindow(lent);
}

TEST_F(TemplateRendererTest, ReleaseForgetsTheControlsOfItsView) {
  Templates().Render(host_.view, kControlsTemplate);
  EXPECT_NE(nullptr, Templates().LastButton());
  Templates().Release(host_.view);
  EXPECT_EQ(nullptr, Templates().LastButton());
  EXPECT_EQ(nullptr, Templates().LastProgressBar());
  EXPECT_EQ(nullptr, Templates().LastPanel());
  EXPECT_TRUE(host_.view.Controls().empty());
}

TEST_F(TemplateRendererTest, MissingTemplateRaisesItsNumber) {
  try {
    Templates().Render(host_.view, 31001);
    FAIL() << "no error for a missing template";
  } catch (const EOutOfResources& error) {
    EXPECT_STREQ("Missing resource 31001", error.what());
  }
}

TEST_F(TemplateRendererTest, MonitorPageIsLaidOutAtTheTemplateWidth) {
  // Rendered without a list: the renderer's own "width" makes the tables
  // 515 wide at 96 dpi.
  Templates().Render(host_.view, 490);
  ASSERT_EQ(96, host_.view.CurrentDpi().Value());
  int widest = 0;
  for (const html::FillItem& fill : host_.view.Layout().fills)
    widest = std::max(widest, fill.rect.Width());
  EXPECT_EQ(515, widest);
  EXPECT_EQ("The registry is an important part of Windows", host_.view.Title());
}

TEST_F(TemplateRendererTest, EveryProgramTemplateRendersWithItsControls) {
  const std::map<int, std::vector<TemplateControlKind>> expected = {
      {410, {TemplateControlKind::kButton}},
      {411, {TemplateControlKind::kButton}},
      {420, {TemplateControlKind::kButton, TemplateControlKind::kProgressBar}},
      {421, {TemplateControlKind::kButton, TemplateControlKind::kProgressBar}},
      {430, {TemplateControlKind::kButton, TemplateControlKind::kProgressBar}},
      {440,
       {TemplateControlKind::kButton, TemplateControlKind::kProgressBar,
        TemplateControlKind::kPanel}},
      {490,
       {TemplateControlKind::kButton, TemplateControlKind::kProgressBar,
        TemplateControlKind::kPanel}},
      {495,
       {TemplateControlKind::kButton, TemplateControlKind::kProgressBar,
        TemplateControlKind::kPanel}},
  };
  const std::map<int, int> buttons = {{410, 100}, {411, 100}, {420, 160}, {421, 165},
                                      {430, 130}, {440, 180}, {490, 190}, {495, 195}};
  for (const auto& [number, kinds] : expected) {
    std::vector<TemplateControlKind> made;
    int code = -1;
    Templates().SetControlCreatedHook([&](const TemplateControl& c) {
      made.push_back(c.kind);
      if (c.button) code = c.button->Command();
    });
    Templates().Render(host_.view, number);
    EXPECT_EQ(kinds, made) << number;
    EXPECT_EQ(buttons.at(number), code) << number;
    // Every picture the page shows is a part of its template.
    EXPECT_FALSE(host_.view.Layout().images.empty()) << number;
    for (const html::ImageItem& image : host_.view.Layout().images)
      EXPECT_TRUE(host_.view.imageRequest(image.source).has_value()) << number << image.source;
  }
}

TEST_F(TemplateRendererTest, EveryProgramTemplateStartsAtTheSameInsetFromThePageEdges) {
  // So that the content does not touch the page's edges, nor jump sideways
  // from one page to the next: 16 pixels from the left, 12 from the top at 96 dpi.
  ASSERT_EQ(96, host_.view.CurrentDpi().Value());
  for (int number : {410, 411, 420, 421, 430, 440, 490, 495}) {
    Templates().Render(host_.view, number);
    const html::DisplayList& page = host_.view.Layout();
    std::vector<html::Rect> parts;
    for (const html::FillItem& fill : page.fills) parts.push_back(fill.rect);
    for (const html::ImageItem& image : page.images) parts.push_back(image.rect);
    ASSERT_FALSE(parts.empty()) << number;
    int left = parts.front().left, top = parts.front().top;
    for (const html::Rect& part : parts) {
      left = std::min(left, part.left);
      top = std::min(top, part.top);
    }
    EXPECT_EQ(16, left) << number;
    EXPECT_EQ(12, top) << number;
  }
}

}  // namespace
}  // namespace hvm
