#include "engine/settings/settings_store.h"

namespace hvm {

ProgramSettings SettingsStore::Load() const {
  ProgramSettings settings;
  LoadSettings(settings, path_);
  return settings;
}

bool SettingsStore::Save(const ProgramSettings& settings) {
  return notice_.Saved(SaveSettings(settings, path_), path_, quiet_);
}

bool SettingsStore::Change(const std::function<void(ProgramSettings&)>& change) {
  ProgramSettings settings = Load();
  change(settings);
  return Save(settings);
}

void SettingsStore::Told(uint32_t status) {
  if (status) notice_.Saved(status, path_, quiet_);
}

}  // namespace hvm
