#include "engine/settings/due_dates.h"

#include <cstdint>
#include <cstdio>

#include "engine/core/version_compare.h"

namespace hvm {
namespace {

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 and back (the proleptic Gregorian calendar).
int64_t DaysFromCivil(const CivilDate& date) {
  const int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
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

bool IsValidDate(const CivilDate& date) {
  return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
         date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

CivilDate AddDays(const CivilDate& date, int days) {
  return CivilFromDays(DaysFromCivil(date) + days);
}

std::string DateText(const CivilDate& date) {
  char text[16];
  std::snprintf(text, sizeof(text), "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}

std::optional<CivilDate> ParseDueDate(std::string_view text) {
  CivilDate date;
  if (text.find('.') == std::string_view::npos) {
    date = {Digits(text, 0, 4), Digits(text, 4, 2), Digits(text, 6, 2)};
  } else {
    size_t position = 0;
    const int64_t year = NextNumber(text, position, '.');
    const int64_t month = NextNumber(text, position, '.');
    const int64_t day = NextNumber(text, position, '.');
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
      return std::nullopt;
    date = {int(year), int(month), int(day)};
  }
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::string NextDueText(const CivilDate& today, int days) {
  return days < 1 ? std::string() : DateText(AddDays(today, days));
}

bool IsDueOn(std::string_view text, const CivilDate& today) {
  if (text.empty()) return true;
  // A text that names no date stands for the present moment, which today's
  // date never reaches: such a text is never due.
  const std::optional<CivilDate> due = ParseDueDate(text);
  return due && today >= *due;
}

}  // namespace hvm
