// What the main window does with the answer of an update check
// (Command::kUpdateCheckResult) and with a declined offer's reminder
// (Command::kRemindLater). No window here: the
// prompt, the download and the install come in as hooks, so that every path
// is tested with stand-ins.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/core/commands.h"
#include "engine/core/dialog_service.h"
#include "engine/update/install_update.h"
#include "engine/update/update_response.h"

namespace hvm {

namespace update_text {
inline constexpr char kNoNewsText[] = "There are no new updates.  You have the latest version";
inline constexpr char kNoNewsTitle[] = "Updates";
inline constexpr char kPromptTitle[] = "Hivemend Update";
inline constexpr char kPromptText[] =
    "A newer version of Hivemend has been released.  Would you like this update downloaded and "
    "installed?";
inline constexpr char kNotVerified[] =
    "The update could not be verified against the digest its server published, so it was not "
    "installed.";
inline constexpr char kBadPackage[] =
    "The update package is damaged or unsafe, so it was not installed.";
inline constexpr char kNotStarted[] = "The update could not be started";
// Said by the program the restarter starts again after a failed copy.
inline constexpr char kInstallFailed[] = "The update could not be installed";
}  // namespace update_text

struct PromptAnswer {
  int result = dialog::kCancel;  // 6 yes, 7 no, 2 closed
  int remindDays = 1;            // the chosen reminder when the answer is "&No"
};

struct UpdateOfferHooks {
  // The settings file the due date and interval live in.
  std::string settingsPath;
  // Shows the update prompt, preselected for the present interval.
  std::function<PromptAnswer(int updateFreq, const std::string& notes)> prompt;
  // Posts a command to the main window (kRemindLater with the reminder's days).
  std::function<void(Command command, long value)> post;
  // Downloads with the progress window; the file's path, or empty text.
  std::function<std::string(const std::string& address)> download;
  std::function<InstallOutcome(const std::string& file, const std::string& digest)> install;
  // Told the Win32 status when the next due date could not be saved.
  std::function<void(uint32_t status)> settingsNotSaved;
};

// Command::kUpdateCheckResult with `value` (an update_result) and the offer the check stored. True
// when the restarter was started and the program is to end.
bool HandleCheckResult(int value, const std::optional<UpdateOffer>& offer, DialogService& dialogs,
                       const UpdateOfferHooks& hooks);

// Command::kRemindLater: the next check is due `days` from today, and `days` is the new
// interval ("never", 0, turns the automatic check off). The status of the
// settings file's save (0: saved).
[[nodiscard]] uint32_t RemindLater(const std::string& settingsPath, int days);

// The message a refused install is told with.
std::string InstallFailureText(const InstallOutcome& outcome);

}  // namespace hvm
