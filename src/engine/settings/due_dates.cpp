#include "engine/settings/due_dates.h"

#include <cstdint>

#include "engine/core/version_compare.h"

namespace hvm {

std::optional<CivilDate> ParseDueDate(std::string_view text) {
  // Only the first eight characters of a text without dots count, as the
  // settings file has always been read.
  if (text.find('.') == std::string_view::npos) return ParseDateText(text.substr(0, 8));
  size_t position = 0;
  const int64_t year = NextNumber(text, position, '.');
  const int64_t month = NextNumber(text, position, '.');
  const int64_t day = NextNumber(text, position, '.');
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    return std::nullopt;
  const CivilDate date{int(year), int(month), int(day)};
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
