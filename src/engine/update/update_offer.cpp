#include "engine/update/update_offer.h"

#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "engine/update/update_check.h"

namespace hvm {
namespace {

constexpr int kWarning = 48;

ProgramSettings Load(const std::string& path) {
  ProgramSettings settings;
  LoadSettings(settings, path);
  return settings;
}

bool OfferAccepted(const UpdateOffer& offer, DialogService& dialogs,
                   const UpdateOfferHooks& hooks) {
  const PromptAnswer answer = hooks.prompt(Load(hooks.settingsPath).UpdateFreq, offer.notes);
  if (answer.result == dialog::kNo && hooks.post)
    hooks.post(Command::kRemindLater, answer.remindDays);
  return answer.result == dialog::kYes;
}

}  // namespace

std::string InstallFailureText(const InstallOutcome& outcome) {
  using Result = InstallOutcome::Result;
  switch (outcome.result) {
    case Result::kNotVerified: return update_text::kNotVerified;
    case Result::kBadPackage:
      return std::string(update_text::kBadPackage) +
             (outcome.detail.empty() ? "" : "\r\n\r\n" + outcome.detail + ".");
    case Result::kNoRestarter:
    case Result::kNotStarted:
      return std::string(update_text::kNotStarted) + " (error " + std::to_string(outcome.status) +
             ").";
    case Result::kStarted: break;
  }
  return {};
}

bool HandleCheckResult(int value, const std::optional<UpdateOffer>& offer, DialogService& dialogs,
                       const UpdateOfferHooks& hooks) {
  switch (value) {
    case update_result::kAutomaticNothingNewer: {
      ProgramSettings settings = Load(hooks.settingsPath);
      SetNextDue(settings, DueKind::update, settings.UpdateFreq, LocalToday());
      if (const uint32_t status = SaveSettings(settings, hooks.settingsPath);
          status && hooks.settingsNotSaved)
        hooks.settingsNotSaved(status);
      return false;
    }
    case update_result::kManualNothingNewer:
      dialogs.MessageDialog(update_text::kNoNewsText, update_text::kNoNewsTitle, dialog::kNotice);
      return false;
    case update_result::kNewerOffered: break;
    default: return false;
  }
  // Without a digest nothing could vouch for the package: the check makes no
  // offer of it, and one that comes anyway is neither put to the user nor
  // fetched.
  if (!offer || !IsSha256Text(offer->digest) || !OfferAccepted(*offer, dialogs, hooks))
    return false;
  const std::string file = hooks.download(offer->address);
  // A failed or cancelled download says nothing; the program goes on.
  if (file.empty()) return false;
  const InstallOutcome outcome = hooks.install(file, offer->digest);
  if (outcome.Started()) return true;
  dialogs.MessageDialog(InstallFailureText(outcome), update_text::kPromptTitle, kWarning);
  return false;
}

uint32_t RemindLater(const std::string& settingsPath, int days) {
  ProgramSettings settings = Load(settingsPath);
  SetNextDue(settings, DueKind::update, days < 0 ? 0 : days, LocalToday());
  return SaveSettings(settings, settingsPath);
}

}  // namespace hvm
