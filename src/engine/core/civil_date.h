// Dates and local times of the Gregorian calendar, and the digit texts the
// program stores them as: "yyyymmdd" (due dates, snapshot names) and
// "yyyymmddhhnn" (the settings' time stamps). The one calendar arithmetic of
// the program: due dates, the front page's ages and the update check's day
// number all count days here. Pure text: no Windows header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hvm {

struct CivilDate {
  int year = 0;
  int month = 0;
  int day = 0;
  friend auto operator<=>(const CivilDate&, const CivilDate&) = default;
};

// A local time of day on a date, to the second.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  CivilDate Date() const { return {year, month, day}; }
};

bool IsLeapYear(int year);
// Days of a month 1..12 of `year`.
int DaysInMonth(int year, int month);
// Years 1 to 9999 of the Gregorian calendar.
bool IsValidDate(const CivilDate& date);

// Days since 1 January 1970 (negative before), in the proleptic Gregorian
// calendar; a day past the end of its month counts on into the next.
int64_t DayNumber(const CivilDate& date);
CivilDate DateOfDayNumber(int64_t dayNumber);
// `date` moved by `days` (either direction); `date` must be valid.
CivilDate AddDays(const CivilDate& date, int days);
// Days from `from` to `to`: negative when `to` comes first.
int64_t DaysBetween(const CivilDate& from, const CivilDate& to);

// "yyyymmdd".
std::string DateText(const CivilDate& date);
// A text of exactly eight digits naming a valid date; nothing otherwise.
std::optional<CivilDate> ParseDateText(std::string_view text);

// "yyyymmddhhnn".
std::string StampText(const LocalTime& time);
// A text of exactly twelve digits with a month 1..12, a day 1..31, an hour
// 0..23 and a minute 0..59; nothing for anything else. The day is not held
// to its month's length: such a stamp counts on into the next month.
std::optional<LocalTime> ParseStamp(std::string_view text);
// Minutes on one scale (from 1 January 1970), for differences; seconds are
// not counted.
int64_t MinutesOf(const LocalTime& time);

}  // namespace hvm
