#include "desktop/front_page.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

const LocalTime kNow{2026, 12, 9, 12, 0};

// Everything recent and repaired: the good page.
FrontPageFacts Healthy() {
  FrontPageFacts facts;
  facts.lastOrganize = "202611010800";
  facts.lastBackup = "202612010800";
  facts.lastScan = "202612081000";
  return facts;
}

std::string Format(const LocalTime& t, bool withTime) {
  std::string text =
      std::to_string(t.day) + "." + std::to_string(t.month) + "." + std::to_string(t.year);
  if (withTime) text += " " + std::to_string(t.hour) + ":" + std::to_string(t.minute);
  return text;
}

std::string ValueOf(const PlaceholderList& list, const std::string& name) {
  for (const Placeholder& p : list)
    if (p.name == name) return p.value;
  return "<none>";
}

TEST(FrontPage, TemplateChoiceFollowsEachRule) {
  EXPECT_EQ(kFrontPageGood, FrontTemplateFor(Healthy(), kNow));

  FrontPageFacts facts = Healthy();
  facts.lastBackup.clear();  // never backed up: always the low page
  EXPECT_EQ(kFrontPageLow, FrontTemplateFor(facts, kNow));

  facts = Healthy();
  facts.lastErr = 31;
  EXPECT_EQ(kFrontPageLow, FrontTemplateFor(facts, kNow));
  facts.lastErr = 30;
  EXPECT_EQ(kFrontPageGood, FrontTemplateFor(facts, kNow));
  facts.lastErr = 60;
  facts.lastRepair = 30;
  EXPECT_EQ(kFrontPageGood, FrontTemplateFor(facts, kNow));

  facts = Healthy();
  facts.lastOrganize = "202609101200";  // exactly 90 days
  EXPECT_EQ(kFrontPageLow, FrontTemplateFor(facts, kNow));
  facts.lastOrganize = "202609101201";  // a minute less
  EXPECT_EQ(kFrontPageGood, FrontTemplateFor(facts, kNow));

  facts = Healthy();
  facts.lastBackup = "202611081200";  // 31 days
  EXPECT_EQ(kFrontPageLow, FrontTemplateFor(facts, kNow));

  facts = Healthy();
  facts.lastScan = "202612021200";  // exactly 7 days is not more than 7
  EXPECT_EQ(kFrontPageGood, FrontTemplateFor(facts, kNow));
  facts.lastScan = "202612021159";
  EXPECT_EQ(kFrontPageLow, FrontTemplateFor(facts, kNow));
  facts.lastScan = "garbage";  // unreadable counts as never
  EXPECT_EQ(kFrontPageLow, FrontTemplateFor(facts, kNow));
}

TEST(FrontPage, ValuesShowFiguresDatesAndBoldYesNo) {
  FrontPageFacts facts = Healthy();
  facts.lastErr = 12;
  facts.lastRepair = 10;
  facts.totalFound = 148;
  facts.totalRepaired = 139;
  facts.optimized = true;
  const PlaceholderList values = FrontPageValues(facts, Format);
  EXPECT_EQ("12", ValueOf(values, "l1"));
  EXPECT_EQ("10", ValueOf(values, "l2"));
  EXPECT_EQ("148", ValueOf(values, "l3"));
  EXPECT_EQ("139", ValueOf(values, "l4"));
  EXPECT_EQ("1.11.2026", ValueOf(values, "r1"));
  EXPECT_EQ("<font color=\"#2E5A7E\"><b>Yes</b></font>", ValueOf(values, "r2"));
  EXPECT_EQ("<font color=\"#2E5A7E\"><b>No</b></font>", ValueOf(values, "r3"));
  EXPECT_EQ("1.12.2026", ValueOf(values, "r4"));
  EXPECT_EQ("8.12.2026 10:0", ValueOf(values, "lastscan"));
}

TEST(FrontPage, UnsetDatesReadNoAndLastScanIsCut) {
  const PlaceholderList none = FrontPageValues(FrontPageFacts{}, Format);
  EXPECT_EQ("No", ValueOf(none, "r1"));
  EXPECT_EQ("No", ValueOf(none, "r4"));
  EXPECT_EQ("", ValueOf(none, "lastscan"));
  FrontPageFacts facts = Healthy();
  const PlaceholderList longDate =
      FrontPageValues(facts, [](const LocalTime&, bool) { return std::string(80, 'd'); });
  EXPECT_EQ(50u, ValueOf(longDate, "lastscan").size());
}

}  // namespace
}  // namespace hvm
