#include "desktop/front_page.h"

#include <cctype>

namespace hvm {
namespace {

// Days from 0001-01-01 in the proleptic Gregorian calendar.
int64_t DaysOf(int year, int month, int day) {
  const int64_t y = month <= 2 ? year - 1 : year;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

// A setting that is not set counts as the earliest possible time.
int64_t MinutesOrEarliest(const std::string& stamp) {
  const std::optional<LocalTime> time = ParseStamp(stamp);
  return time ? MinutesOf(*time) : INT64_MIN / 2;
}

std::string YesNo(bool yes) {
  return std::string("<font color=\"") + std::string(kTemplateTextColor) + "\"><b>" +
         (yes ? "Yes" : "No") + "</b></font>";
}

std::string DateOrNo(const std::string& stamp, const DateFormatter& format) {
  const std::optional<LocalTime> time = ParseStamp(stamp);
  return time ? format(*time, false) : "No";
}

}  // namespace

std::optional<LocalTime> ParseStamp(const std::string& text) {
  if (text.size() != 12) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  auto number = [&](size_t at, size_t length) { return std::stoi(text.substr(at, length)); };
  LocalTime time{number(0, 4), number(4, 2), number(6, 2), number(8, 2), number(10, 2)};
  if (time.year < 1 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 ||
      time.hour > 23 || time.minute > 59)
    return std::nullopt;
  return time;
}

int64_t MinutesOf(const LocalTime& time) {
  return (DaysOf(time.year, time.month, time.day) * 24 + time.hour) * 60 + time.minute;
}

int FrontTemplateFor(const FrontPageFacts& facts, const LocalTime& now) {
  constexpr int64_t kDay = 24 * 60;
  const int64_t minutes = MinutesOf(now);
  const bool organizeOld = minutes - MinutesOrEarliest(facts.lastOrganize) >= 90 * kDay;
  const bool backupOld = minutes - MinutesOrEarliest(facts.lastBackup) >= 31 * kDay;
  const bool scanOld = minutes - MinutesOrEarliest(facts.lastScan) > 7 * kDay;
  const bool manyLeft = static_cast<int64_t>(facts.lastErr) - facts.lastRepair > 30;
  return organizeOld || backupOld || scanOld || manyLeft ? kFrontPageLow : kFrontPageGood;
}

PlaceholderList FrontPageValues(const FrontPageFacts& facts, const DateFormatter& format) {
  std::string lastScan;
  if (const std::optional<LocalTime> time = ParseStamp(facts.lastScan))
    lastScan = format(*time, true).substr(0, 50);
  return {
      {"l1", std::to_string(facts.lastErr)},
      {"l2", std::to_string(facts.lastRepair)},
      {"l3", std::to_string(facts.totalFound)},
      {"l4", std::to_string(facts.totalRepaired)},
      {"r1", DateOrNo(facts.lastOrganize, format)},
      {"r2", YesNo(facts.optimized)},
      {"r3", YesNo(facts.monitoring)},
      {"r4", DateOrNo(facts.lastBackup, format)},
      {"lastscan", lastScan},
  };
}

}  // namespace hvm
