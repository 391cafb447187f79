#include "engine/settings/next_due.h"

namespace hvm {
namespace {

constexpr char kNeverDue[] = "2099.12.31";

}  // namespace

void SetNextDue(ProgramSettings& settings, DueKind kind, int days, const CivilDate& today) {
  const std::string due = NextDueText(today, days);
  if (kind == DueKind::update) {
    settings.UpdateFreq = days;
    settings.update = due;
  } else {
    settings.autorun = due;
  }
}

bool IsDue(const ProgramSettings& settings, DueKind kind, const CivilDate& today) {
  if (kind == DueKind::scan) return IsDueOn(settings.autorun, today);
  return IsDueOn(settings.UpdateFreq == 0 ? kNeverDue : settings.update, today);
}

uint32_t SetNextDue(DueKind kind, int days) {
  LoadSettings();
  SetNextDue(CurrentSettings(), kind, days, LocalToday());
  return SaveSettings();
}

bool IsDue(DueKind kind) {
  LoadSettings();
  return IsDue(CurrentSettings(), kind, LocalToday());
}

}  // namespace hvm
