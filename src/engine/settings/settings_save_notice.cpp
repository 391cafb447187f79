#include "engine/settings/settings_save_notice.h"

#include "engine/core/dialog_service.h"

namespace hvm {

std::string SettingsNotSavedText(const std::string& path, uint32_t status) {
  return "The settings could not be saved to " + path + " [" + std::to_string(status) + "]";
}

bool SettingsSaveNotice::Saved(uint32_t status, const std::string& path, bool quiet) {
  if (status == 0) {
    told_ = false;
    return true;
  }
  if (told_ || quiet) return false;
  told_ = true;
  dialogs_.MessageDialog(SettingsNotSavedText(path, status), "Settings", dialog::kWarningNotice);
  return false;
}

}  // namespace hvm
