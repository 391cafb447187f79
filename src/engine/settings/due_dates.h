// Due dates of the scheduled scan and the update check: "yyyymmdd" texts, or
// year, month and day separated by dots as in the fixed text "2099.12.31".
// Pure text: no Windows header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/core/civil_date.h"

namespace hvm {

// The date a due text names; nothing when it names no valid date.
std::optional<CivilDate> ParseDueDate(std::string_view text);
// The due text `days` after `today`; empty (due at once) when days is below 1.
std::string NextDueText(const CivilDate& today, int days);
// An empty text is due; a text naming no valid date never is; otherwise due
// from that date on.
bool IsDueOn(std::string_view text, const CivilDate& today);

}  // namespace hvm
