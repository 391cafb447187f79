// hvmend.exe: the desktop program. Its main window opens with the top band;
// the pages join as they are built.
#include <windows.h>
#include <commctrl.h>

#include "app/environment.h"
#include "app/gui_startup.h"
#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  hvm::StartGui();
  hvm::MainWindow window;
  if (!window.Create()) return 1;
  ShowWindow(window.Hwnd(), showCommand);
  UpdateWindow(window.Hwnd());

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
