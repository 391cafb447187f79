// The main window's side of the update check: starting it, and the answer
// (Command::kUpdateCheckResult) with the prompt, the download and the restarter.
#include "desktop/main_window.h"

#include <algorithm>
#include <utility>

#include "desktop/update_prompt.h"
#include "engine/core/environment.h"
#include "engine/core/shell_open.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
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

bool MainWindow::UpdateCheckDue() const {
  ProgramSettings settings;
  LoadSettings(settings, SettingsPath());
  return IsDue(settings, DueKind::update, LocalToday());
}

void MainWindow::StartUpdateCheck(CheckMode mode) {
  const CivilDate today = LocalToday();
  const std::string address = UpdateRequestAddress(UpdateServerFrom(SettingsPath()),
                                                   DaySerial(today.year, today.month, today.day));
  updates_.Start(
      windowThread_.Shared(),
      [this](int answer) { HandleCommand(Command::kUpdateCheckResult, answer); }, mode, address,
      Environment().VersionText);
}

void MainWindow::OnUpdateCheckResult(int value) {
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
  hooks.settingsNotSaved = [this](uint32_t status) { TellSettingsNotSaved(status); };
  // The restarter waits for this window to go before it replaces the files.
  if (HandleCheckResult(value, offer, dialogs_, hooks)) PostCommand(Command::kQuit);
}

// Told in the middle of a scan or repair, an answer would take its page and
// unlock the menu: a message or an offer waits for the operation's end. The
// automatic check's "nothing newer" only moves the due date and goes at once.
bool MainWindow::HoldCheckResultWhileBusy(int value) {
  if (!Busy() || value == update_result::kAutomaticNothingNewer) return false;
  // An offer outweighs "no news" should both be waiting.
  heldCheckResult_ = std::max(heldCheckResult_.value_or(value), value);
  return true;
}

// Posted rather than told here: the operation that just ended may still be on
// the stack below.
void MainWindow::ReleaseHeldCheckResult() {
  if (heldCheckResult_ && !Busy())
    windowThread_.Queue().Post(
        [this, value = *std::exchange(heldCheckResult_, {})] { OnHeldCheckResult(value); });
}

// The held answer is told, but the user stays on the page the operation ended
// on (its results or its report) instead of being sent to the front page.
void MainWindow::OnHeldCheckResult(int value) {
  if (HoldCheckResultWhileBusy(value)) return;  // another operation began meanwhile
  OnUpdateCheckResult(value);
  CommonEnding(false);
}

}  // namespace hvm
