// hvmend.exe: the desktop program. Start-up in its order: environment and
// settings, the splash, the log-on scan decision, a running instance, then
// the main window and its message loop.
#include <windows.h>

#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/environment.h"
#include "app/gui_startup.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "settings/next_due.h"
#include "settings/program_settings.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  using namespace hvm;
  StartGui();
  LoadSettings();
  std::vector<std::string> arguments(__argv + 1, __argv + __argc);
  const StartWords words = ParseStartWords(arguments);

  AboutWindow splash;
  if (splash.Create(AboutWindow::Mode::kSplash, nullptr, Environment().VersionText)) {
    ShowWindow(splash.Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(splash.Hwnd());
  }
  if (words.mode == StartMode::kBootup) {
    tProgramSettings& settings = ProgramSettings();
    if (!ScheduledScanDue(settings, LocalToday())) return 0;
    SaveSettings();
  }
  if (HWND running = FindRunningInstance(MainWindow::kClassName, MainWindow::kTitle)) {
    ActivateInstance(running);
    return 0;
  }

  MainWindow window;
  if (!window.Create(words)) return 1;
  window.onStarted = [&splash] { splash.Destroy(); };
  ShowWindow(window.Hwnd(), showCommand);
  UpdateWindow(window.Hwnd());
  window.Shown();
  return ui::RunMessageLoop();
}
