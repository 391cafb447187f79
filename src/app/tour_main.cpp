// hvmend-tour.exe OUTDIR: shows every page and dialog of the program one after
// another and saves a PNG of each into OUTDIR, for a person to review the
// look at each DPI (scripts/tour).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/environment.h"
#include "app/gui_startup.h"
#include "app/main_window.h"
#include "app/message_dialog.h"
#include "app/update_prompt.h"
#include "core/scoped_handle.h"
#include "reports/template_renderer.h"
#include "settings/program_settings.h"
#include "tweaks/vista_tweaks.h"
#include "ui/html_view.h"
#include "ui/picture_ids.h"
#include "ui/window_capture.h"

namespace hvm {
namespace {

struct DialogStop {
  std::string name;
  std::string text;
  int flags;
  DialogPrepareHook prepare;
};

const std::vector<DialogStop>& DialogStops() {
  static const std::vector<DialogStop> stops = {
      {"dialog-warning",
       "The registry could not be read completely. Some entries were skipped.",
       48,
       {}},
      {"dialog-question",
       "Registry Monitor is active. It must be stopped while the registry is scanned. Continue?",
       36,
       {}},
      {"dialog-stop", "The undo snapshot could not be written, so nothing was repaired.", 17, {}},
      {"dialog-information", "Selected Keys Restored", 64, {}},
      {"dialog-restart",
       "The registry was packed. Windows must restart before the packed registry is used.",
       9,
       {}},
      {"dialog-notice-long",
       "Hivemend found entries in the registry that point to files, folders and classes which no "
       "longer exist on this computer. Every entry is written to the day's undo snapshot before "
       "it is removed, so each repair can be undone later from the Restore page.",
       0,
       {}},
  };
  return stops;
}

// A window that shows one template the way its page will: the view at the
// page's size inside a frame of its own.
class TemplatePreview : public ui::Window {
 public:
  static constexpr int kWidth = 560, kHeight = 440;  // 96-dpi units
  bool Create() {
    CreateArgs args;
    icon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXSMICON));
    args.className = "HivemendTemplatePreview";
    args.smallIcon = icon_.Get();
    args.title = "Hivemend";
    args.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const ui::Dpi dpi = ui::Dpi::System();
    RECT frame = ui::MakeRect(0, 0, dpi.Scale(kWidth), dpi.Scale(kHeight));
    AdjustWindowRectEx(&frame, args.style, FALSE, 0);
    args.bounds = ui::MakeRect(40, 40, ui::Width(frame), ui::Height(frame));
    if (!CreateWindowOf(args)) return false;
    const RECT client = ClientRect();
    return view.Create(
        Hwnd(), {ui::MakeRect(dpi.Scale(16), dpi.Scale(16), ui::Width(client) - dpi.Scale(16),
                              ui::Height(client) - dpi.Scale(16))});
  }
  ui::HtmlView view;

 private:
  ui::ScopedIcon icon_;
};

// The front page's values as a user with a few scans behind him sees them.
PlaceholderList FrontPageValues(bool good) {
  const std::string on = "<font color=\"#2E5A7E\"><b>Yes</b></font>";
  const std::string off = "<font color=\"#2E5A7E\"><b>No</b></font>";
  if (good)
    return {{"l1", "12"},  {"l2", "12"},         {"l3", "148"},
            {"l4", "139"}, {"r1", "02/12/2026"}, {"r2", on},
            {"r3", on},    {"r4", "05/12/2026"}, {"lastscan", "09/12/2026 10:42"}};
  return {{"l1", "87"}, {"l2", "0"},  {"l3", "87"},
          {"l4", "0"},  {"r1", "No"}, {"r2", off},
          {"r3", off},  {"r4", "No"}, {"lastscan", "14/10/2026 18:05"}};
}

struct TemplateStop {
  std::string name;
  int number;
  PlaceholderList values;
};

const std::vector<TemplateStop>& TemplateStops() {
  static const std::vector<TemplateStop> stops = {
      {"page-front-low", 410, FrontPageValues(false)},
      {"page-front-good", 411, FrontPageValues(true)},
      {"page-optimize", 420, {}},
      {"page-optimize-undo", 421, {}},
      {"page-organize", 430, {}},
      {"page-vista-tweaks", 440, {}},
      {"page-monitor-off", 490, {}},
      {"page-monitor-on", 495, {}},
  };
  return stops;
}

bool Save(HWND window, const std::string& folder, const std::string& name) {
  const std::string path = folder + "\\" + name + ".png";
  const bool saved = ui::SaveWindowPicture(window, path);
  std::printf("%s %s\n", saved ? "saved" : "FAILED", path.c_str());
  return saved;
}

// Saves the help menu once it is open, then closes it: the menu runs a modal
// loop of its own, in which only timers reach the tour.
std::string gMenuFolder;
bool gMenuSaved = false;

void CALLBACK CaptureOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, timer);
  gMenuSaved = Save(menu, gMenuFolder, "help-menu");
  EndMenu();
}

// The scan page as a user sees it halfway: seven sections done, the eighth
// running, the status line on a key.
void StageScanHalfway(ScanPage& page) {
  const int counts[] = {0, 3, 0, 12, 1, 0, 2};
  int total = 0;
  for (int section = 1; section <= 7; ++section) {
    page.SetSectionCount(section, counts[section - 1]);
    page.SetSectionMark(section, counts[section - 1] ? SectionMark::Problem : SectionMark::Clean);
    total += counts[section - 1];
  }
  page.SetSectionRunning(8, true);
  page.SetTotalText(TotalLabelText(total));
  page.SetStatusText(
      "HKEY_CLASSES_ROOT\\CLSID\\{8BC3F05E-D86B-11D0-A075-00C04FB68820}\\InprocServer32");
  page.SetProgress(1840, 4200);
}

// The results as a user leaves them before repairing: a few problems of a
// caution section added to what the scan found, one item kept, one marked to
// be ignored.
void StageDecisions(MainWindow& main) {
  TResultsStore& results = main.Session().Results();
  results.AddProblem(23, "HKCU\\Software\\Tour\\Recent\\\\:File1 = C:\\Reports\\2019.doc");
  results.AddProblem(23, "HKCU\\Software\\Tour\\Recent\\\\:File2 = D:\\Old\\notes.txt");
  main.Results().ShowResults(true);
  ResultsTree& model = main.Results().Model();
  std::vector<int> opened{23};
  bool kept = false, ignored = false;
  for (int section : model.Sections()) {
    const int count = static_cast<int>(results.Section(section).size());
    if (!kept && count >= 2 && section < kFirstCautionSection) {
      model.ToggleItem(section, 1);
      opened.push_back(section);
      kept = true;
    } else if (!ignored && count >= 1 && section < kFirstCautionSection) {
      model.ToggleIgnore(section, 0);
      opened.push_back(section);
      ignored = true;
    }
  }
  // Only the sections decided on are opened, so that one screen shows them.
  ui::TreeView& tree = main.Results().Tree();
  for (HTREEITEM node = TreeView_GetRoot(tree.Hwnd()); node;
       node = TreeView_GetNextSibling(tree.Hwnd(), node)) {
    const int section = static_cast<int>(tree.DataOf(node) / 65536);
    tree.Expand(node, std::find(opened.begin(), opened.end(), section) != opened.end());
  }
  SendMessageA(tree.Hwnd(), WM_VSCROLL, SB_TOP, 0);
  InvalidateRect(tree.Hwnd(), nullptr, FALSE);
  ui::PumpMessages();
}

// An undo snapshot of today, so that the restore page has one to show.
void StageSnapshot() {
  const std::string path =
      Environment().dataFolder + "\\" + Environment().SnapshotName + ".reg";
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const std::string text =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{3F2A61C0-5B1D-4E8A-9C11-0A7E2D4B8F01}\\InprocServer32]\r\n"
      "@=\"C:\\\\Program Files\\\\Gone\\\\viewer.dll\"\r\n"
      "\"ThreadingModel\"=\"Apartment\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
      "\"Updater\"=\"C:\\\\Program Files\\\\Old Updater\\\\update.exe /quiet\"\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\.oldext]\r\n\r\n";
  CreateDirectoryA(Environment().dataFolder.c_str(), nullptr);
  ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) WriteFile(file.Get(), text.data(), DWORD(text.size()), &written, nullptr);
}

int RunTour(const std::string& folder) {
  StartGui();
  LoadSettings();
  CreateDirectoryA(folder.c_str(), nullptr);
  bool allSaved = true;

  AboutWindow splash;
  if (splash.Create(AboutWindow::Mode::kSplash, nullptr, Environment().VersionText)) {
    ShowWindow(splash.Hwnd(), SW_SHOWNOACTIVATE);
    allSaved &= Save(splash.Hwnd(), folder, "splash");
    splash.Destroy();
  }

  StageSnapshot();
  MainWindow main;
  if (!main.Create(StartWords{})) return 2;
  ShowWindow(main.Hwnd(), SW_SHOW);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-front-page");

  main.TurnPage(Page::kScan);
  StageScanHalfway(main.Scan());
  allSaved &= Save(main.Hwnd(), folder, "main-window-scan-running");
  main.HandleCommand(100, 0);  // a real scan of the tour's own prefix
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-scan-finished");
  StageDecisions(main);
  allSaved &= Save(main.Hwnd(), folder, "main-window-results-decided");
  // The progress window partway through a repair of ten items, then the report.
  ProgressWindow& progress = main.Progress();
  progress.Start(10);
  for (int item = 0; item < 4; ++item) progress.Advance();
  allSaved &= Save(progress.Hwnd(), folder, "progress-window");
  progress.Finish();
  RepairSummary summary;
  summary.found = 20;
  summary.repaired = 12;
  summary.skipped = 3;
  summary.ignored = 5;
  main.Report().Fill(summary);
  main.TurnPage(Page::kSummary);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-repair-report");
  main.HandleCommand(152, 0);
  ui::PumpMessages();
  main.HandleCommand(530, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-restore");
  // Show Key's caution, answered with Cancel.
  main.Restore().List().Select(1);
  SetDialogShownHook([&](MessageDialogWindow& dialog) {
    allSaved &= Save(dialog.Hwnd(), folder, "dialog-show-key-caution");
    PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  main.Restore().ShowKey();
  SetDialogShownHook({});
  // The optimize page in both states: a real run on the tour's own prefix,
  // undone again; then the Vista page (the tour runs as Windows Vista).
  main.HandleCommand(510, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-optimize");
  main.HandleCommand(160, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-optimize-undo");
  main.HandleCommand(165, 0);
  ui::PumpMessages();
  main.HandleCommand(550, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-vista-tweaks");
  // As a user without administrative rights sees it.
  main.VistaPage().ShowAccess(VistaAccessFor(false));
  allSaved &= Save(main.Hwnd(), folder, "main-window-vista-tweaks-standard-user");
  main.HandleCommand(500, 0);
  ui::PumpMessages();
  gMenuFolder = folder;
  SetTimer(nullptr, 0, 100, &CaptureOpenMenu);
  main.ShowHelpMenu();
  allSaved &= gMenuSaved;

  for (const DialogStop& stop : DialogStops()) {
    SetDialogShownHook([&](MessageDialogWindow& dialog) {
      allSaved &= Save(dialog.Hwnd(), folder, stop.name);
      PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
    });
    DialogOptions options;
    options.owner = main.Hwnd();
    ShowMessageDialog(stop.text, "Hivemend", stop.flags, stop.prepare, options);
  }
  // The update prompt with its reminder row, preselected at "in a week".
  SetDialogShownHook([&](MessageDialogWindow& dialog) {
    allSaved &= Save(dialog.Hwnd(), folder, "dialog-update");
    PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  UpdatePrompt(7, {}).Run(main.Hwnd());
  SetDialogShownHook({});

  // The download window partway through a package.
  main.Download().ShowProgress("hvmend-1.0.0.1.zip", 1843200, 4718592, 5);
  allSaved &= Save(main.Download().Hwnd(), folder, "download-window");
  main.Download().Show(false);

  {
    AboutWindow about;
    if (about.Create(AboutWindow::Mode::kAbout, main.Hwnd(), Environment().VersionText)) {
      ShowWindow(about.Hwnd(), SW_SHOW);
      allSaved &= Save(about.Hwnd(), folder, "about");
    }
  }

  TemplatePreview preview;
  if (!preview.Create()) return 2;
  ShowWindow(preview.Hwnd(), SW_SHOW);
  for (const TemplateStop& stop : TemplateStops()) {
    Templates().Render(preview.view, stop.number, stop.values);
    ui::PumpMessages();
    allSaved &= Save(preview.Hwnd(), folder, stop.name);
  }
  // The scan button of the front page as the mouse moves over and presses it.
  Templates().Render(preview.view, 411, FrontPageValues(true));
  if (ui::ImageButton* button = Templates().LastButton()) {
    SendMessageA(button->Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    allSaved &= Save(preview.Hwnd(), folder, "page-front-button-hover");
    SendMessageA(button->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    allSaved &= Save(preview.Hwnd(), folder, "page-front-button-pressed");
    ReleaseCapture();
    EnableWindow(button->Hwnd(), FALSE);
    allSaved &= Save(preview.Hwnd(), folder, "page-front-button-disabled");
  }
  Templates().Release(preview.view);
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
