// The main window's side of the update check: starting it, and telling the
// answer the controller lets through, with the prompt, the download and the
// restarter.
#include "desktop/main_window.h"

#include <utility>

#include "desktop/update_prompt.h"
#include "engine/core/environment.h"
#include "engine/core/shell_open.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/setting_policies.h"
#include "engine/update/update_offer.h"
#include "engine/update/update_server.h"

namespace hvm {
namespace {

std::string OwnProgramPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

}  // namespace

void MainWindow::StartUpdateCheck(CheckMode mode) {
  // The menu item is greyed then, but a policy may have come since it opened.
  if (!UpdateCheckAllowed(Policies::Read())) return;
  const CivilDate today = LocalToday();
  const std::string address = UpdateRequestAddress(UpdateServerFrom(SettingsPath()),
                                                   DaySerial(today.year, today.month, today.day));
  updates_.Start(
      windowThread_.Shared(),
      [this](int answer) { controller_->HandleCommand(Command::kUpdateCheckResult, answer); }, mode,
      address, Environment().VersionText);
}

bool MainWindow::TellUpdateResult(int value) {
  const std::optional<UpdateOffer> offer = updates_.Offer();
  UpdateOfferHooks hooks;
  hooks.settingsPath = SettingsPath();
  hooks.prompt = [this, &offer](int updateFreq, const std::string& notes) {
    UpdatePrompt prompt(updateFreq, [this, notes] {
      if (!notes.empty()) ShellOpen(dialogs_, notes);
    });
    return prompt.Run(Hwnd());
  };
  hooks.post = [this](Command command, long days) { PostCommand(command, days); };
  hooks.download = [this](const std::string& address) { return download_.DownloadFile(address); };
  hooks.install = [this](const std::string& file, const std::string& digest) {
    return InstallUpdate(file, digest, {OwnProgramPath(), Hwnd()});
  };
  hooks.settingsNotSaved = [this](uint32_t status) { settingsStore_->Told(status); };
  return HandleCheckResult(value, offer, dialogs_, hooks);
}

}  // namespace hvm
