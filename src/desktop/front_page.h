// What the front page shows: the health verdict (template 410 "Low" or 411
// "Good") and the figures filled into it, from the settings' counters and
// dates. No window here; the page renders what this decides.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/core/civil_date.h"
#include "engine/reports/placeholders.h"

namespace hvm {

inline constexpr int kFrontPageLow = 410;
inline constexpr int kFrontPageGood = 411;

struct FrontPageFacts {
  std::string lastOrganize;  // "yyyymmddhhnn" or empty
  std::string lastBackup;
  std::string lastScan;
  int lastErr = 0;
  int lastRepair = 0;
  int totalFound = 0;
  int totalRepaired = 0;
  bool optimized = false;
  bool monitoring = false;
};

// 410 when the registry was organized 90 days or more ago, backed up 31 days
// or more ago, scanned more than 7 days ago (a date never set counts as the
// earliest possible time), or more than 30 problems of the last scan are
// unrepaired; otherwise 411.
int FrontTemplateFor(const FrontPageFacts& facts, const LocalTime& now);

// The system's short date of a time, and with `withTime` its short time too.
using DateFormatter = std::function<std::string(const LocalTime& time, bool withTime)>;

// l1-l4, r1-r4 and lastscan for the front page template.
PlaceholderList FrontPageValues(const FrontPageFacts& facts, const DateFormatter& format);

}  // namespace hvm
