#include "engine/results/results_tree.h"

#include <gtest/gtest.h>

#include <set>

namespace hvm {
namespace {

class Switches : public SectionSwitches {
 public:
  explicit Switches(std::set<int> on) : on_(std::move(on)) {}
  bool Enabled(int section) const override { return on_.count(section) > 0; }

 private:
  std::set<int> on_;
};

TEST(ResultsRows, RowTextsFollowTheLine) {
  EXPECT_EQ("HKCR\\X,Name = abc", ProblemRowText("HKCR\\X\\\\:Name = abc"));
  EXPECT_EQ("HKCR\\X,Name", ProblemRowText("HKCR\\X\\\\:Name = **-the-value-is-not-a-string-**"));
  EXPECT_EQ("HKCR\\X", ProblemRowText("HKCR\\X\\\\: = **-the-value-is-not-a-string-**"));
  EXPECT_EQ("HKCR\\CLSID\\{A}", ProblemRowText("HKCR\\CLSID\\{A}"));
  EXPECT_EQ("HKLM\\Run,App = C:\\gone.exe", ProblemRowText("HKLM\\Run\\\\:App = C:\\gone.exe"));
}

TEST(ResultsRows, CountsAndColours) {
  EXPECT_EQ(" 1 Problem Found", ResultsCountLabel(1));
  EXPECT_EQ(" 0 Problems Found!", ResultsCountLabel(0));
  EXPECT_EQ(" 25 Problems Found!", ResultsCountLabel(25));
  EXPECT_EQ("", SectionCountText(0, 0));
  EXPECT_EQ("1 of 1 Item", SectionCountText(1, 1));
  EXPECT_EQ("0 of 3 Items", SectionCountText(0, 3));
  EXPECT_EQ(0xF2FBFDu, SectionRowColour(0));
  EXPECT_EQ(0xDEF3F8u, SectionRowColour(1));
  EXPECT_EQ(0xF2FBFDu, SectionRowColour(4));
}

class ResultsTreeTest : public ::testing::Test {
 protected:
  ResultsTreeTest() : tree_(store_) {
    for (const char* line : {"HKCR\\A", "HKCR\\B", "HKCR\\C"}) store_.AddProblem(4, line);
    store_.AddProblem(23, "HKLM\\Caution");  // caution entries arrive unchecked
    tree_.Build(Switches({1, 4, 7, 23}));
  }
  ResultsStore store_;
  ResultsTree tree_;
};

TEST_F(ResultsTreeTest, SwitchedOnSectionsAreShownEmptyOrNot) {
  EXPECT_EQ((std::vector<int>{1, 4, 7, 23}), tree_.Sections());
  EXPECT_EQ(1, tree_.OrdinalOf(4));
  EXPECT_EQ(-1, tree_.OrdinalOf(5));
  EXPECT_EQ(RowCheck::kUnchecked, tree_.SectionState(1));  // empty: no count, unchecked
}

TEST_F(ResultsTreeTest, SectionGlyphFollowsItsItems) {
  EXPECT_EQ(RowCheck::kChecked, tree_.SectionState(4));
  tree_.ToggleItem(4, 1);
  EXPECT_EQ(RowCheck::kPartial, tree_.SectionState(4));
  EXPECT_EQ(RowCheck::kUnchecked, tree_.ItemState(4, 1));
  tree_.ToggleItem(4, 0);
  tree_.ToggleItem(4, 2);
  EXPECT_EQ(RowCheck::kUnchecked, tree_.SectionState(4));
  EXPECT_EQ(RowCheck::kUnchecked, tree_.SectionState(23));
  EXPECT_EQ(0, tree_.CheckedCount(4));
}

TEST_F(ResultsTreeTest, TogglingAPartlyCheckedSectionUnchecksAll) {
  tree_.ToggleItem(4, 0);
  ASSERT_EQ(RowCheck::kPartial, tree_.SectionState(4));
  tree_.ToggleSection(4);
  EXPECT_EQ(RowCheck::kUnchecked, tree_.SectionState(4));
  tree_.ToggleSection(4);
  EXPECT_EQ(RowCheck::kChecked, tree_.SectionState(4));
  EXPECT_EQ(3, tree_.CheckedCount(4));
}

TEST_F(ResultsTreeTest, IgnoreMarkUnchecksAndSurvivesSelectAll) {
  tree_.ToggleIgnore(4, 1);
  EXPECT_TRUE(store_.Section(4)[1].IgnoreMarked());
  EXPECT_FALSE(store_.Section(4)[1].Checked());
  tree_.SetSectionChecked(4, true);  // "Select All"
  EXPECT_FALSE(store_.Section(4)[1].Checked());
  tree_.ToggleItem(4, 1);  // a click on a marked row changes nothing
  EXPECT_FALSE(store_.Section(4)[1].Checked());
  tree_.ToggleIgnore(4, 1);  // unmarking leaves it unchecked
  EXPECT_FALSE(store_.Section(4)[1].IgnoreMarked());
  EXPECT_FALSE(store_.Section(4)[1].Checked());
  EXPECT_EQ(RowCheck::kPartial, tree_.SectionState(4));
  // Deselect All touches only its own section.
  tree_.SetSectionChecked(23, true);
  tree_.SetSectionChecked(4, false);
  EXPECT_EQ(RowCheck::kChecked, tree_.SectionState(23));
  EXPECT_EQ(RowCheck::kUnchecked, tree_.SectionState(4));
}

TEST_F(ResultsTreeTest, IndexesOutsideTheListAreIgnored) {
  tree_.ToggleItem(4, 7);
  tree_.ToggleIgnore(4, -1);
  EXPECT_EQ(RowCheck::kUnchecked, tree_.ItemState(4, 9));
  EXPECT_EQ(3, tree_.CheckedCount(4));
}

}  // namespace
}  // namespace hvm
