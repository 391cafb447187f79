#include "engine/settings/due_dates.h"

#include <gtest/gtest.h>

#include "engine/settings/next_due.h"

namespace hvm {
namespace {

constexpr CivilDate k1March2007{2007, 3, 1};

TEST(DueDates, NextDueTextIsEmptyBelowOneDay) {
  EXPECT_EQ("20070308", NextDueText(k1March2007, 7));
  EXPECT_EQ("20070302", NextDueText(k1March2007, 1));
  EXPECT_EQ("", NextDueText(k1March2007, 0));
  EXPECT_EQ("", NextDueText(k1March2007, -5));
}

TEST(DueDates, BothTextFormsAreRead) {
  EXPECT_EQ(k1March2007, ParseDueDate("20070301"));
  EXPECT_EQ((CivilDate{2099, 12, 31}), ParseDueDate("2099.12.31"));
  EXPECT_EQ(k1March2007, ParseDueDate("2007.3.1"));
  EXPECT_EQ(k1March2007, ParseDueDate("20070301trailing"));
}

TEST(DueDates, TextsThatNameNoDate) {
  for (const char* text :
       {"abc", "2007", "200703", "20071301", "20070230", "20070229", "2007.03", "2007..1",
        "0000.1.1", "10000.1.1", "-2007.3.1", "2007.3.1x", "2007-3-1", "99999999999.1.1"}) {
    EXPECT_FALSE(ParseDueDate(text).has_value()) << text;
  }
}

TEST(DueDates, DueOnAndAfterTheDateNeverForANonDate) {
  EXPECT_TRUE(IsDueOn("", k1March2007));
  EXPECT_TRUE(IsDueOn("20070301", k1March2007));
  EXPECT_TRUE(IsDueOn("20070301", {2007, 3, 2}));
  EXPECT_TRUE(IsDueOn("20070301", {2008, 1, 1}));
  EXPECT_FALSE(IsDueOn("20070301", {2007, 2, 28}));
  EXPECT_FALSE(IsDueOn("abc", {9999, 12, 31}));
}

TEST(NextDue, TheScheduledScanFollowsAutorun) {
  ProgramSettings settings;
  settings.autorun = "20070301";
  EXPECT_TRUE(IsDue(settings, DueKind::scan, k1March2007));
  EXPECT_FALSE(IsDue(settings, DueKind::scan, {2007, 2, 28}));
  SetNextDue(settings, DueKind::scan, 7, k1March2007);
  EXPECT_EQ("20070308", settings.autorun);
  EXPECT_FALSE(IsDue(settings, DueKind::scan, {2007, 3, 7}));
  EXPECT_TRUE(IsDue(settings, DueKind::scan, {2007, 3, 8}));
  EXPECT_EQ(1, settings.UpdateFreq);
}

TEST(NextDue, AnUpdateIntervalOfZeroIsDueOnlyAtTheEndOf2099) {
  ProgramSettings settings;
  settings.update = "";
  settings.UpdateFreq = 0;
  EXPECT_FALSE(IsDue(settings, DueKind::update, k1March2007));
  EXPECT_FALSE(IsDue(settings, DueKind::update, {2099, 12, 30}));
  EXPECT_TRUE(IsDue(settings, DueKind::update, {2099, 12, 31}));
  settings.UpdateFreq = 1;
  EXPECT_TRUE(IsDue(settings, DueKind::update, k1March2007));
}

TEST(NextDue, SettingTheUpdateDueDateAlsoSetsTheInterval) {
  ProgramSettings settings;
  SetNextDue(settings, DueKind::update, 14, k1March2007);
  EXPECT_EQ(14, settings.UpdateFreq);
  EXPECT_EQ("20070315", settings.update);
  EXPECT_EQ("", settings.autorun);
  SetNextDue(settings, DueKind::update, 0, k1March2007);
  EXPECT_EQ(0, settings.UpdateFreq);
  EXPECT_EQ("", settings.update);
  EXPECT_FALSE(IsDue(settings, DueKind::update, k1March2007));
}

}  // namespace
}  // namespace hvm
