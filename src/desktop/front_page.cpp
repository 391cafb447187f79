#include "desktop/front_page.h"

namespace hvm {
namespace {

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
