#include "engine/reports/placeholders.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

PlaceholderList Rendered(PlaceholderList list, int dpi) {
  SetRendererPlaceholders(list, "Tahoma", dpi);
  return list;
}

TEST(TemplateWidth, Is515At96DpiAndScalesDown) {
  EXPECT_EQ(515, TemplateWidth(96));
  EXPECT_EQ(643, TemplateWidth(120));  // 61800 / 96 = 643.75, cut to 643
  EXPECT_EQ(772, TemplateWidth(144));
}

TEST(FillPlaceholders, RendererEntriesFillAnyCaseOfTheirNames) {
  const PlaceholderList list = Rendered({}, 96);
  EXPECT_EQ("<table width=\"515\">", FillPlaceholders("<table width=\"%width%\">", list));
  EXPECT_EQ("515 515", FillPlaceholders("%Width% %WIDTH%", list));
  EXPECT_EQ("Tahoma #2E5A7E", FillPlaceholders("%font% %color%", list));
}

TEST(FillPlaceholders, RendererEntriesReplaceTheCallersOwn) {
  const PlaceholderList list =
      Rendered({{"FONT", "Comic"}, {"lastscan", "today"}, {" width ", "1"}}, 96);
  EXPECT_EQ("Tahoma today 515", FillPlaceholders("%font% %lastscan% %width%", list));
  EXPECT_EQ(4u, list.size());
}

TEST(FillPlaceholders, UnknownNamesDisappearAndLoneSignsStay) {
  const PlaceholderList list = {{"l1", "7"}};
  EXPECT_EQ("a  b", FillPlaceholders("a %nosuch% b", list));
  EXPECT_EQ("width=50%", FillPlaceholders("width=50%", list));
  EXPECT_EQ("50% of 7", FillPlaceholders("50% of %l1%", list));
  EXPECT_EQ("%", FillPlaceholders("%", list));
  EXPECT_EQ("%l1", FillPlaceholders("%l1", list));
}

TEST(FillPlaceholders, TwoAdjacentPercentSignsDisappear) {
  EXPECT_EQ("ab", FillPlaceholders("a%%b", {}));
  EXPECT_EQ("50", FillPlaceholders("50%%", {}));
  EXPECT_EQ("%", FillPlaceholders("%%%", {}));
}

TEST(FillPlaceholders, OnlyLettersAndDigitsMakeAName) {
  const PlaceholderList list = {{"a_b", "x"}, {"a b", "y"}, {"r4", "z"}};
  EXPECT_EQ("%a_b%", FillPlaceholders("%a_b%", list));
  EXPECT_EQ("%a b%", FillPlaceholders("%a b%", list));
  // Scanning goes on after the sign that stayed, so a later name still counts.
  EXPECT_EQ("100% z", FillPlaceholders("100% %r4%", list));
  EXPECT_EQ("%-z", FillPlaceholders("%-%R4%", list));
}

TEST(FillPlaceholders, LastMatchingEntryWinsAndValuesAreNotScannedAgain) {
  const PlaceholderList list = {{"r1", "first"}, {" R1", "%r2%"}, {"r2", "no"}};
  EXPECT_EQ("[%r2%]", FillPlaceholders("[%r1%]", list));
  EXPECT_EQ("caf\xe9 ok", FillPlaceholders("caf\xe9 %x%", {{"x", "ok"}}));
}

}  // namespace
}  // namespace hvm
