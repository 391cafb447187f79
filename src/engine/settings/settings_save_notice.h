// Tells the user that the settings file could not be written. A file that
// refuses one save (read-only, locked, disk full) refuses the next ones too,
// so the user is told once, not at every save, until a save succeeds again.
// Unattended start modes stay quiet: nobody is there to read it.
#pragma once

#include <cstdint>
#include <string>

namespace hvm {

class DialogService;

class SettingsSaveNotice {
 public:
  explicit SettingsSaveNotice(DialogService& dialogs) : dialogs_(dialogs) {}

  // The Win32 `status` of a save of `path` (0: saved). True when it was saved.
  bool Saved(uint32_t status, const std::string& path, bool quiet);
  // Whether a failure has been told since the last successful save.
  bool Told() const { return told_; }

 private:
  DialogService& dialogs_;
  bool told_ = false;
};

// "The settings could not be saved to " + path + " [status]", as the settings
// page says it too; for a save refused because the file could not be read,
// that it could not be read, why, and that it was left as it is.
std::string SettingsNotSavedText(const std::string& path, uint32_t status);

}  // namespace hvm
