#include "engine/settings/settings_stamps.h"

namespace hvm {

std::string StampNow(Clock& clock) {
  return StampText(clock.LocalNow());
}

template <class Change>
void SettingsStamps::Update(Change change) {
  ProgramSettings settings;
  LoadSettings(settings, path_);
  change(settings);
  // A settings file that cannot be written (read-only, disk full) must not
  // stop a scan; the statistics are then not kept, and the failure waits to
  // be told once the scan is over.
  const uint32_t status = SaveSettings(settings, path_);
  if (status && !saveFailure_) saveFailure_ = status;
}

void SettingsStamps::StampOrganized() {
  // Every problem a scan reports stamps it; the file is written once per
  // minute the stamp can tell apart, not once per problem.
  const std::string now = StampNow(clock_);
  if (now == lastOrganized_) return;
  Update([&now](ProgramSettings& s) { s.last_organize = now; });
  lastOrganized_ = now;
}

void SettingsStamps::StoreScanTotals(int found) {
  Update([this, found](ProgramSettings& s) {
    s.last_scan = StampNow(clock_);
    s.last_repair = 0;
    s.last_err = found;
    s.total_error_found += found;
  });
}

void SettingsStamps::StoreRepairTotals(int repaired) {
  Update([this, repaired](ProgramSettings& s) {
    s.last_scan = StampNow(clock_);
    s.last_repair = repaired;
    s.total_error_repaired += repaired;
  });
}

SettingsSectionSwitches::SettingsSectionSwitches(const std::string& settingsPath) {
  LoadSettings(settings_, settingsPath);
}

}  // namespace hvm
