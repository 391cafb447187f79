#include "engine/core/civil_date.h"

#include <cstdio>

namespace hvm {
namespace {

// A fixed-width field of digits only; -1 otherwise.
int Digits(std::string_view text, size_t from, size_t count) {
  if (text.size() < from + count) return -1;
  int value = 0;
  for (char c : text.substr(from, count)) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(const CivilDate& date) {
  return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
         date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

// Counted in eras of 400 years (146097 days) from 1 March of year 0, so that
// the leap day is the last day of its year; 719468 days lie between that day
// and 1 January 1970.
int64_t DayNumber(const CivilDate& date) {
  const int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CivilDate DateOfDayNumber(int64_t dayNumber) {
  const int64_t days = dayNumber + 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const int month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  const int year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

CivilDate AddDays(const CivilDate& date, int days) {
  return DateOfDayNumber(DayNumber(date) + days);
}

int64_t DaysBetween(const CivilDate& from, const CivilDate& to) {
  return DayNumber(to) - DayNumber(from);
}

std::string DateText(const CivilDate& date) {
  char text[16];
  std::snprintf(text, sizeof(text), "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}

std::optional<CivilDate> ParseDateText(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  const CivilDate date{Digits(text, 0, 4), Digits(text, 4, 2), Digits(text, 6, 2)};
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::string StampText(const LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d", time.year, time.month, time.day,
                time.hour, time.minute);
  return text;
}

std::optional<LocalTime> ParseStamp(std::string_view text) {
  if (text.size() != 12) return std::nullopt;
  const LocalTime time{Digits(text, 0, 4), Digits(text, 4, 2), Digits(text, 6, 2),
                       Digits(text, 8, 2), Digits(text, 10, 2)};
  // A field that is not all digits reads as -1 and fails its range.
  if (time.year < 1 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 ||
      time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59)
    return std::nullopt;
  return time;
}

int64_t MinutesOf(const LocalTime& time) {
  return (DayNumber(time.Date()) * 24 + time.hour) * 60 + time.minute;
}

}  // namespace hvm
