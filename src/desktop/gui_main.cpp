// hvmend.exe: the desktop program. Start-up in its order: environment and
// settings, the splash, the log-on scan decision, a running instance, then
// the main window and its message loop.
#include <windows.h>

#include <string>
#include <vector>

#include "desktop/about_window.h"
#include "desktop/gui_startup.h"
#include "desktop/main_window.h"
#include "desktop/message_dialog.h"
#include "desktop/startup.h"
#include "engine/core/environment.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "engine/update/install_update.h"
#include "engine/update/update_offer.h"

namespace {

// HVMEND_DATA_FOLDER keeps settings, snapshots and lists in another folder
// (a portable copy, or a test that must not share the user's).
std::string DataFolder() {
  char folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("HVMEND_DATA_FOLDER", folder, sizeof(folder));
  if (length > 0 && length < sizeof(folder)) {
    CreateDirectoryA(folder, nullptr);
    return folder;
  }
  return hvm::Environment().dataFolder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  using namespace hvm;
  StartGui();
  const std::string dataFolder = DataFolder();
  const std::string settingsPath = dataFolder + "\\hvmend.ini";
  std::vector<std::string> arguments(__argv + 1, __argv + __argc);
  const StartWords words = ParseStartWords(arguments);

  // A log-on start with nothing due, and a second start, end before any
  // window of their own, the splash included, so that nothing flashes up.
  // A due scan whose next date cannot be stored (a read-only settings file)
  // would be due again at every log-on: it is left to the user's own start,
  // which tells why the settings are not kept.
  if (words.mode == StartMode::kBootup) {
    ProgramSettings settings;
    LoadSettings(settings, settingsPath);
    if (!ScheduledScanDue(settings, LocalToday())) return 0;
    if (SaveSettings(settings, settingsPath) != 0) return 0;
  }
  if (HWND running = FindRunningInstance(MainWindow::kClassName, MainWindow::kTitle)) {
    ActivateInstance(running);
    return 0;
  }

  AboutWindow splash;
  if (splash.Create(AboutWindow::Mode::kSplash, nullptr, Environment().VersionText)) {
    ShowWindow(splash.Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(splash.Hwnd());
  }
  MainWindow window;
  if (!window.Create(words, dataFolder)) return 1;
  window.onStarted = [&splash] { splash.Destroy(); };
  ShowWindow(window.Hwnd(), window.FirstShowCommand(showCommand));
  UpdateWindow(window.Hwnd());
  window.Shown();
  // Started again by the restarter after its copy failed: this is still the
  // old version, and the user is told so.
  if (!arguments.empty() && arguments[0] == "/updatefailed") {
    DialogOptions options;
    options.owner = window.Hwnd();
    ShowMessageDialog(update_text::kInstallFailed, update_text::kPromptTitle, 48, {}, options);
  }
  const int exitCode = ui::RunMessageLoop();
  RemoveRestartLibrary(arguments, Environment().programFolder);
  return exitCode;
}
