// The scan and repair statistics and the section switches, as the settings
// file keeps them. Every stamp is a load, change and save of the whole file,
// so nothing is cached between operations.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/core/clock.h"
#include "engine/core/results_store.h"
#include "engine/scan/sections.h"
#include "engine/settings/program_settings.h"

namespace hvm {

// The local time by `clock` as "yyyymmddhhnn".
std::string StampNow(Clock& clock = ProgramClock());

class SettingsStamps : public ResultsStamps {
 public:
  explicit SettingsStamps(std::string settingsPath, Clock& clock = ProgramClock())
      : path_(std::move(settingsPath)), clock_(clock) {}
  void StampOrganized() override;
  void StoreScanTotals(int found) override;
  void StoreRepairTotals(int repaired) override;
  // The status of the first save that failed since the last call (0: none),
  // for whoever tells the user.
  uint32_t TakeSaveFailure() { return std::exchange(saveFailure_, 0u); }

 private:
  template <class Change>
  void Update(Change change);
  std::string path_;
  Clock& clock_;
  std::string lastOrganized_;  // the stamp this object last wrote
  uint32_t saveFailure_ = 0;
};

// The section switches of the settings file as they were when it was read.
class SettingsSectionSwitches : public SectionSwitches {
 public:
  explicit SettingsSectionSwitches(const std::string& settingsPath);
  bool Enabled(int section) const override { return settings_.SectionOn(section); }

 private:
  ProgramSettings settings_;
};

}  // namespace hvm
