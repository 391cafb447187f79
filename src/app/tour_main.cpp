// hvmend-tour.exe OUTDIR: shows every page and dialog of the program one after
// another and saves a PNG of each into OUTDIR, for a person to review the
// look at each DPI (scripts/tour).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/gui_startup.h"
#include "app/main_window.h"
#include "app/message_dialog.h"
#include "ui/window_capture.h"

namespace hvm {
namespace {

struct DialogStop {
  std::string name;
  std::string text;
  int flags;
  DialogPrepareHook prepare;
};

// The update reminder's row between the text and the buttons, as the update
// prompt will add it.
void ReminderRow(MessageDialogWindow& dialog, int y) {
  const ui::Dpi dpi = dialog.CurrentDpi();
  HWND box = CreateWindowExA(0, "BUTTON", "&Remind me: ", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                             dpi.Scale(80), y, dpi.Scale(120), dpi.Scale(18), dialog.Hwnd(),
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(box, WM_SETFONT, SendMessageA(dialog.TextWindow(), WM_GETFONT, 0, 0), TRUE);
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  dialog.SetExtraHeight(dpi.Scale(30));
}

const std::vector<DialogStop>& DialogStops() {
  static const std::vector<DialogStop> stops = {
      {"dialog-warning", "The registry could not be read completely. Some entries were skipped.",
       48, {}},
      {"dialog-question",
       "Registry Monitor is active. It must be stopped while the registry is scanned. Continue?",
       36, {}},
      {"dialog-stop", "The undo snapshot could not be written, so nothing was repaired.", 17, {}},
      {"dialog-information", "Selected Keys Restored", 64, {}},
      {"dialog-restart",
       "The registry was packed. Windows must restart before the packed registry is used.", 9,
       {}},
      {"dialog-notice-long",
       "Hivemend found entries in the registry that point to files, folders and classes which no "
       "longer exist on this computer. Every entry is written to the day's undo snapshot before "
       "it is removed, so each repair can be undone later from the Restore page.",
       0, {}},
      {"dialog-update", "A newer version of Hivemend is available. Download it now?", 74,
       &ReminderRow},
  };
  return stops;
}

bool Save(HWND window, const std::string& folder, const std::string& name) {
  const std::string path = folder + "\\" + name + ".png";
  const bool saved = ui::SaveWindowPicture(window, path);
  std::printf("%s %s\n", saved ? "saved" : "FAILED", path.c_str());
  return saved;
}

int RunTour(const std::string& folder) {
  StartGui();
  CreateDirectoryA(folder.c_str(), nullptr);
  MainWindow main;
  if (!main.Create()) return 2;
  ShowWindow(main.Hwnd(), SW_SHOW);
  ui::PumpMessages();
  bool allSaved = Save(main.Hwnd(), folder, "main-window");
  for (const DialogStop& stop : DialogStops()) {
    SetDialogShownHook([&](MessageDialogWindow& dialog) {
      allSaved &= Save(dialog.Hwnd(), folder, stop.name);
      PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
    });
    DialogOptions options;
    options.owner = main.Hwnd();
    ShowMessageDialog(stop.text, "Hivemend", stop.flags, stop.prepare, options);
  }
  SetDialogShownHook({});
  return allSaved ? 0 : 1;
}

}  // namespace
}  // namespace hvm

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) {
    std::fprintf(stderr, "usage: hvmend-tour OUTDIR\n");
    return 2;
  }
  return hvm::RunTour(__argv[1]);
}
