#include "ui/tree_view.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "test_host.h"

namespace hvm::ui {
namespace {

using test::Point;
using test::TestHost;

TEST(TreeRowGeometry, PartsFollowEachOtherAndIndentByLevel) {
  RowLook look;
  look.arrow = true;
  look.check = CheckGlyph::kChecked;
  const RowGeometry top = LayoutRow({0, 0, 300, 20}, 0, look, Dpi(96));
  EXPECT_EQ(4, top.arrow.left);
  EXPECT_EQ(20, top.arrow.right);
  EXPECT_EQ(24, top.check.left);
  EXPECT_EQ(44, top.text.left);
  EXPECT_EQ(2, top.check.top);  // centred in the row
  look.arrow = false;
  const RowGeometry child = LayoutRow({0, 20, 300, 40}, 1, look, Dpi(96));
  EXPECT_EQ(0, child.arrow.right - child.arrow.left);
  // The arrow's place is kept: checks of rows with and without one line up.
  EXPECT_EQ(4 + 18 + 20, child.check.left);
  EXPECT_EQ(top.check.left, LayoutRow({0, 0, 300, 20}, 0, look, Dpi(96)).check.left);
  const RowGeometry scaled = LayoutRow({0, 0, 450, 30}, 1, look, Dpi(144));
  EXPECT_EQ(6 + 27 + 30, scaled.check.left);
  EXPECT_EQ(24, scaled.check.right - scaled.check.left);
}

TEST(TreeRowGeometry, HitTestFindsEachPart) {
  RowLook look;
  look.arrow = true;
  look.check = CheckGlyph::kPartial;
  const RowGeometry g = LayoutRow({0, 0, 300, 20}, 0, look, Dpi(96));
  EXPECT_EQ(RowPart::kArrow, HitTestRow(g, look, {10, 10}));
  EXPECT_EQ(RowPart::kCheck, HitTestRow(g, look, {30, 10}));
  EXPECT_EQ(RowPart::kCheck, HitTestRow(g, look, {23, 10}));  // just outside still counts
  EXPECT_EQ(RowPart::kText, HitTestRow(g, look, {200, 10}));
  EXPECT_EQ(RowPart::kNothing, HitTestRow(g, look, {1, 10}));
  look.check = CheckGlyph::kNone;
  EXPECT_NE(RowPart::kCheck, HitTestRow(g, look, {30, 10}));
}

// A two-level tree where the page keeps the check states, as the results page does.
class TreeFixture : public ::testing::Test {
 protected:
  TreeFixture() {
    EXPECT_TRUE(tree_.Create(host_.Hwnd(), {{0, 0, 380, 260}, {}, 20, {}, 1}));
    tree_.rowLook = [this](HTREEITEM item, LPARAM data) {
      RowLook look;
      look.text = "row " + std::to_string(data);
      look.arrow = data < 10;
      look.check = checked_[data] ? CheckGlyph::kChecked : CheckGlyph::kUnchecked;
      return look;
    };
    tree_.onClick = [this](HTREEITEM item, RowPart part) {
      clicks_.push_back({tree_.DataOf(item), part});
    };
    section_ = tree_.AddRow(nullptr, 1);
    first_ = tree_.AddRow(section_, 11);
    second_ = tree_.AddRow(section_, 12);
    tree_.Expand(section_, true);
  }
  POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  RowGeometry GeometryOf(HTREEITEM item) {
    return LayoutRow(tree_.RowRect(item), tree_.LevelOf(item),
                     tree_.rowLook(item, tree_.DataOf(item)), tree_.CurrentDpi());
  }
  void Click(POINT p) {
    SendMessageA(tree_.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(p.x, p.y));
    SendMessageA(tree_.Hwnd(), WM_LBUTTONUP, 0, Point(p.x, p.y));
  }

  TestHost host_;
  TreeView tree_;
  std::map<LPARAM, bool> checked_;
  std::vector<std::pair<LPARAM, RowPart>> clicks_;
  HTREEITEM section_{}, first_{}, second_{};
};

TEST_F(TreeFixture, ClicksReportTheRowAndPartUnderTheMessagePoint) {
  Click(Centre(GeometryOf(second_).check));
  Click(Centre(GeometryOf(section_).arrow));
  Click(Centre(GeometryOf(first_).text));
  ASSERT_EQ(3u, clicks_.size());
  EXPECT_EQ(12, clicks_[0].first);
  EXPECT_EQ(RowPart::kCheck, clicks_[0].second);
  EXPECT_EQ(1, clicks_[1].first);
  EXPECT_EQ(RowPart::kArrow, clicks_[1].second);
  EXPECT_EQ(11, clicks_[2].first);
  EXPECT_EQ(RowPart::kText, clicks_[2].second);
  // A click on the text selects the row; one on a glyph does not move the selection.
  EXPECT_EQ(first_, tree_.Selected());
}

TEST_F(TreeFixture, GlyphClickKeepsSelectionAndEmptyAreaReportsNothing) {
  tree_.Select(first_);
  Click(Centre(GeometryOf(second_).check));
  EXPECT_EQ(first_, tree_.Selected());
  clicks_.clear();
  Click({100, 250});  // below the last row
  EXPECT_TRUE(clicks_.empty());
}

TEST_F(TreeFixture, KeysGoToThePageForTheSelectedRow) {
  std::vector<std::pair<LPARAM, WORD>> keys;
  tree_.onKey = [&](HTREEITEM item, WORD key) {
    keys.push_back({tree_.DataOf(item), key});
    return key == 'S';
  };
  tree_.Select(second_);
  SendMessageA(tree_.Hwnd(), WM_KEYDOWN, 'S', 1);
  SendMessageA(tree_.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
  ASSERT_EQ(2u, keys.size());
  EXPECT_EQ(12, keys[0].first);
  EXPECT_EQ('S', keys[0].second);
  EXPECT_EQ(VK_SPACE, keys[1].second);
}

TEST_F(TreeFixture, HoverReportsRowChangesOnly) {
  std::vector<HTREEITEM> hovered;
  tree_.onHover = [&](HTREEITEM item) { hovered.push_back(item); };
  const POINT a = Centre(GeometryOf(first_).text);
  SendMessageA(tree_.Hwnd(), WM_MOUSEMOVE, 0, Point(a.x, a.y));
  SendMessageA(tree_.Hwnd(), WM_MOUSEMOVE, 0, Point(a.x + 5, a.y));
  const POINT b = Centre(GeometryOf(second_).text);
  SendMessageA(tree_.Hwnd(), WM_MOUSEMOVE, 0, Point(b.x, b.y));
  SendMessageA(tree_.Hwnd(), WM_MOUSEMOVE, 0, Point(b.x, 250));
  EXPECT_EQ((std::vector<HTREEITEM>{first_, second_, nullptr}), hovered);
}

TEST_F(TreeFixture, RowsArePaintedFromTheirLook) {
  tree_.rowLook = [](HTREEITEM, LPARAM data) {
    RowLook look;
    look.background = data == 12 ? RGB(200, 0, 0) : RGB(0, 0, 200);
    return look;
  };
  RedrawWindow(tree_.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  WindowDc dc(tree_.Hwnd());
  const RECT second = tree_.RowRect(second_);
  const RECT first = tree_.RowRect(first_);
  EXPECT_EQ(RGB(200, 0, 0), GetPixel(dc.Get(), 300, (second.top + second.bottom) / 2));
  EXPECT_EQ(RGB(0, 0, 200), GetPixel(dc.Get(), 300, (first.top + first.bottom) / 2));
}

}  // namespace
}  // namespace hvm::ui
