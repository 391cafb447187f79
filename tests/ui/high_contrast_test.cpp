// High contrast: the theme answers the system's colours while it is on, and
// windows draw with them, follow a change while they run, and keep states
// apart without colour. Wine always reports high contrast off, so the tests
// switch it on through the theme, as the tour does.
#include "ui/theme.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "test_host.h"
#include "ui/controls.h"
#include "ui/progress_bar.h"
#include "ui/tree_view.h"

namespace hvm::ui {
namespace {

class HighContrastTest : public ::testing::Test {
 protected:
  ~HighContrastTest() override {
    ForceHighContrast(std::nullopt);
    RefreshHighContrast();
  }
  static void SwitchOn(bool on) {
    ForceHighContrast(on);
    RefreshHighContrast();
  }
  // The colour painted at a point of a window, once it has painted.
  static COLORREF PixelAt(HWND window, int x, int y) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    WindowDc dc(window);
    return GetPixel(dc.Get(), x, y);
  }
  test::TestHost host_{420, 320};
};

TEST_F(HighContrastTest, TheThemeAnswersSystemColoursWhileItIsOn) {
  SwitchOn(false);
  EXPECT_FALSE(HighContrast());
  EXPECT_EQ(kCaptionColour, ForeColour(kCaptionColour));
  EXPECT_EQ(kBandTint, BackColour(kBandTint));
  EXPECT_EQ(GetStockObject(WHITE_BRUSH), PageBrush());

  SwitchOn(true);
  EXPECT_TRUE(HighContrast());
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), ForeColour(kCaptionColour));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), ForeColour(kWarningColour));
  EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), ForeColour(kGreyTextColour));
  EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), ForeColour(kDimTextColour));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), BackColour(kBandTint));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), BackColour(kPageColour));
  EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), PageBrush());
}

TEST_F(HighContrastTest, TheSettingIsReadAgainOnlyWhenAWindowHearsOfAChange) {
  SwitchOn(false);
  ProgressBar bar;
  ASSERT_TRUE(bar.Create(host_.Hwnd(), {{10, 10, 210, 30}, 100}));
  bar.SetPosition(50);
  const POINT filled{40, 10};  // inside the done half
  ASSERT_EQ(kCaptionColour, PixelAt(bar.Hwnd(), filled.x, filled.y));

  ForceHighContrast(true);
  EXPECT_FALSE(HighContrast()) << "nothing told the windows yet";
  EXPECT_EQ(kCaptionColour, PixelAt(bar.Hwnd(), filled.x, filled.y));
  SendMessageA(host_.Hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_TRUE(HighContrast());
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), PixelAt(bar.Hwnd(), filled.x, filled.y));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), PixelAt(bar.Hwnd(), 180, 10)) << "the track";

  ForceHighContrast(false);
  SendMessageA(host_.Hwnd(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_FALSE(HighContrast());
  EXPECT_EQ(kCaptionColour, PixelAt(bar.Hwnd(), filled.x, filled.y));
}

TEST_F(HighContrastTest, LabelsTakeTheWindowTextOnTheWindowColour) {
  Label label;
  ASSERT_TRUE(label.Create(host_.Hwnd(),
                           {"Restore Changes", {10, 10, 200, 30}, {}, kCaptionColour, kBandTint}));
  ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  auto colours = [&] {
    SendMessageA(host_.Hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                 reinterpret_cast<LPARAM>(label.Hwnd()));
    return std::pair{GetTextColor(dc.Get()), GetBkColor(dc.Get())};
  };
  SwitchOn(false);
  EXPECT_EQ(std::pair(kCaptionColour, kBandTint), colours());
  SwitchOn(true);
  EXPECT_EQ(std::pair(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)), colours());
}

// Three rows, one in each check state, the middle one selected: in high
// contrast the states differ by shape (an empty box, a tick, a filled
// square), not only by colour, and the selected row is in the highlight.
TEST_F(HighContrastTest, TreeRowsShowChecksByShapeAndTheSelectionInTheHighlight) {
  SwitchOn(true);
  TreeView tree;
  ASSERT_TRUE(tree.Create(host_.Hwnd(), {{0, 0, 380, 260}}));
  tree.rowLook = [](HTREEITEM, LPARAM data) {
    RowLook look;
    look.text = "row";
    look.check = static_cast<CheckGlyph>(data);
    return look;
  };
  HTREEITEM unchecked = tree.AddRow(nullptr, static_cast<LPARAM>(CheckGlyph::kUnchecked));
  HTREEITEM partial = tree.AddRow(nullptr, static_cast<LPARAM>(CheckGlyph::kPartial));
  HTREEITEM checked = tree.AddRow(nullptr, static_cast<LPARAM>(CheckGlyph::kChecked));
  tree.Select(checked);
  auto glyphCentre = [&](HTREEITEM item) {
    const RowGeometry g =
        LayoutRow(tree.RowRect(item), 0, tree.rowLook(item, tree.DataOf(item)), tree.CurrentDpi());
    return POINT{(g.check.left + g.check.right) / 2, (g.check.top + g.check.bottom) / 2};
  };
  const POINT empty = glyphCentre(unchecked), square = glyphCentre(partial);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), PixelAt(tree.Hwnd(), empty.x, empty.y));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), PixelAt(tree.Hwnd(), square.x, square.y));
  const RECT row = tree.RowRect(checked);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), PixelAt(tree.Hwnd(), row.right - 4, row.top + 2));
  const RECT other = tree.RowRect(unchecked);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), PixelAt(tree.Hwnd(), other.right - 4, other.top + 2));
}

}  // namespace
}  // namespace hvm::ui
