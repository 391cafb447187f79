// When the scheduled scan and the update check are due next, kept in the
// settings file as "yyyymmdd" texts.
#pragma once

#include <string>

#include "engine/core/clock.h"
#include "engine/settings/due_dates.h"
#include "engine/settings/program_settings.h"

namespace hvm {

enum class DueKind { scan = 0, update = 1 };

// Stores `days` after `today` (empty when days is below 1) as the due date of
// `kind`; for the update check `days` also becomes UpdateFreq.
void SetNextDue(ProgramSettings& settings, DueKind kind, int days, const CivilDate& today);
// Whether `kind` is due on `today`. The update check with UpdateFreq 0 is due
// on 31 December 2099 only.
bool IsDue(const ProgramSettings& settings, DueKind kind, const CivilDate& today);

// The same on the settings file: load, change, save; and load, then decide.
uint32_t SetNextDue(DueKind kind, int days);
bool IsDue(DueKind kind);

}  // namespace hvm
