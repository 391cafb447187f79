#include "engine/core/civil_date.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

constexpr CivilDate k1March2007{2007, 3, 1};

TEST(CivilDate, AddingDaysCrossesMonthsYearsAndLeapDays) {
  EXPECT_EQ("20070308", DateText(AddDays(k1March2007, 7)));
  EXPECT_EQ("20070331", DateText(AddDays(k1March2007, 30)));
  EXPECT_EQ("20070301", DateText(AddDays({2007, 2, 28}, 1)));
  EXPECT_EQ("20080229", DateText(AddDays({2008, 2, 28}, 1)));
  EXPECT_EQ("20000101", DateText(AddDays({1999, 12, 31}, 1)));
  EXPECT_EQ("21000301", DateText(AddDays({2100, 2, 28}, 1)));
  EXPECT_EQ("20070215", DateText(AddDays(k1March2007, -14)));
  EXPECT_EQ("20001231", DateText(AddDays({2001, 1, 1}, -1)));
  EXPECT_EQ("20000229", DateText(AddDays({2000, 3, 1}, -1)));
}

TEST(CivilDate, LeapYearsFollowTheGregorianRule) {
  EXPECT_TRUE(IsLeapYear(2000));   // divisible by 400
  EXPECT_FALSE(IsLeapYear(2100));  // by 100 but not 400
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(29, DaysInMonth(2000, 2));
  EXPECT_EQ(28, DaysInMonth(2100, 2));
  EXPECT_EQ(31, DaysInMonth(2023, 12));
  EXPECT_EQ(30, DaysInMonth(2023, 4));
  EXPECT_TRUE(IsValidDate({2000, 2, 29}));
  EXPECT_FALSE(IsValidDate({2100, 2, 29}));
  EXPECT_FALSE(IsValidDate({2023, 4, 31}));
  EXPECT_FALSE(IsValidDate({2023, 13, 1}));
  EXPECT_FALSE(IsValidDate({0, 1, 1}));
  EXPECT_FALSE(IsValidDate({10000, 1, 1}));
}

TEST(CivilDate, DaysBetweenCountsAcrossYearEndsAndCenturies) {
  EXPECT_EQ(0, DayNumber({1970, 1, 1}));
  EXPECT_EQ(-1, DayNumber({1969, 12, 31}));
  EXPECT_EQ(1, DaysBetween({2023, 12, 31}, {2024, 1, 1}));
  EXPECT_EQ(-1, DaysBetween({2024, 1, 1}, {2023, 12, 31}));
  EXPECT_EQ(366, DaysBetween({2000, 1, 1}, {2001, 1, 1}));
  EXPECT_EQ(365, DaysBetween({2100, 1, 1}, {2101, 1, 1}));
  EXPECT_EQ(146097, DaysBetween({1600, 3, 1}, {2000, 3, 1}));  // one era
  // Every day of four centuries goes there and back again.
  for (int64_t n = DayNumber({1899, 12, 30}); n <= DayNumber({2300, 1, 1}); ++n) {
    const CivilDate date = DateOfDayNumber(n);
    ASSERT_TRUE(IsValidDate(date)) << n;
    ASSERT_EQ(n, DayNumber(date)) << DateText(date);
  }
}

TEST(CivilDate, DateTextsOfEightDigitsNamingARealDate) {
  EXPECT_EQ("00010101", DateText({1, 1, 1}));
  EXPECT_EQ(k1March2007, ParseDateText("20070301"));
  EXPECT_EQ((CivilDate{2000, 2, 29}), ParseDateText("20000229"));
  for (const char* text : {"", "2007030", "200703011", "20070230", "21000229", "20071301",
                           "20070001", "00000101", "2007-3-1", "2007030x", " 2007030", "-2007031"})
    EXPECT_FALSE(ParseDateText(text).has_value()) << text;
}

TEST(CivilDate, StampsParseOnlyWhenWellFormed) {
  ASSERT_TRUE(ParseStamp("202612091530").has_value());
  EXPECT_EQ(15, ParseStamp("202612091530")->hour);
  EXPECT_FALSE(ParseStamp("").has_value());
  EXPECT_FALSE(ParseStamp("20261209").has_value());
  EXPECT_FALSE(ParseStamp("2026120915301").has_value());
  EXPECT_FALSE(ParseStamp("20261309x530").has_value());
  EXPECT_FALSE(ParseStamp("202613091530").has_value());  // month 13
  EXPECT_FALSE(ParseStamp("202612092460").has_value());
  EXPECT_FALSE(ParseStamp("000012091530").has_value());
  EXPECT_FALSE(ParseStamp("2026-2091530").has_value());
  EXPECT_EQ("202402292359", StampText(*ParseStamp("202402292359")));
  // Across a year end and a leap day the minutes keep counting.
  EXPECT_EQ(24 * 60, MinutesOf({2025, 1, 1, 0, 0}) - MinutesOf({2024, 12, 31, 0, 0}));
  EXPECT_EQ(2 * 24 * 60, MinutesOf({2024, 3, 1, 0, 0}) - MinutesOf({2024, 2, 28, 0, 0}));
  EXPECT_EQ(24 * 60, MinutesOf({2100, 3, 1, 0, 0}) - MinutesOf({2100, 2, 28, 0, 0}));
  EXPECT_EQ(0, MinutesOf({2024, 1, 1, 0, 0, 59}) - MinutesOf({2024, 1, 1, 0, 0, 0}));
}

TEST(CivilDate, AStampOfADayPastItsMonthCountsOnIntoTheNext) {
  const std::optional<LocalTime> time = ParseStamp("202302310000");
  ASSERT_TRUE(time.has_value());
  EXPECT_EQ(MinutesOf({2023, 3, 3, 0, 0}), MinutesOf(*time));
}

}  // namespace
}  // namespace hvm
