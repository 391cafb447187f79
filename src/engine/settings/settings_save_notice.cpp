#include "engine/settings/settings_save_notice.h"

#include "engine/core/dialog_service.h"
#include "engine/settings/file_text.h"

namespace hvm {

std::string SettingsNotSavedText(const std::string& path, uint32_t status) {
  if (IsUnreadableFileStatus(status))
    return "The settings could not be saved: " + path + " could not be read (" +
           UnreadableReason(status) +
           "). It was left as it is: the program goes on with the default settings, " +
           "and changes are not kept [" + std::to_string(ReadStatusOf(status)) + "]";
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
