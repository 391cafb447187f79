// hvmend-tour.exe OUTDIR: shows every page and dialog of the program one after
// another and saves a PNG of each into OUTDIR, for a person to review the
// look at each DPI (scripts/tour).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/about_window.h"
#include "desktop/gui_startup.h"
#include "desktop/main_window.h"
#include "desktop/message_dialog.h"
#include "desktop/pages/template_renderer.h"
#include "desktop/update_prompt.h"
#include "engine/backup/full_backup.h"
#include "engine/core/environment.h"
#include "engine/core/registry.h"
#include "engine/core/scoped_handle.h"
#include "engine/monitor/watch_points.h"
#include "engine/results/snapshot_file.h"
#include "engine/results/snapshot_note.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/setting_policies.h"
#include "engine/tweaks/vista_tweaks.h"
#include "ui/html_view.h"
#include "ui/keyboard_navigation.h"
#include "ui/picture_ids.h"
#include "ui/theme.h"
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

// The main window with the keyboard on `control`, its focus mark shown as
// after a key press.
bool SaveFocused(MainWindow& main, HWND control, const std::string& folder,
                 const std::string& name) {
  SetFocus(control);
  SendMessageA(main.Hwnd(), WM_CHANGEUISTATE,
               MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  RedrawWindow(main.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ui::PumpMessages();
  return Save(main.Hwnd(), folder, "focus-" + name);
}

// High contrast as the tour's prefix sets it (the user's accessibility
// setting, with a high-contrast colour scheme): Wine keeps the colours but
// always answers "off" when asked, so the tour tells the theme itself.
void FollowPrefixContrast() {
  RegistrySession registry;
  registry.SetRoot(HKEY_CURRENT_USER);
  if (!registry.OpenKey("Control Panel\\Accessibility\\HighContrast", false)) return;
  const std::string flags = registry.ReadText("Flags");
  if (!flags.empty() && (std::strtoul(flags.c_str(), nullptr, 10) & HCF_HIGHCONTRASTON)) {
    ui::ForceHighContrast(true);
    ui::RefreshHighContrast();
  }
}

// Saves the help menu once it is open, then closes it: the menu runs a modal
// loop of its own, in which only timers reach the tour.
std::string gMenuFolder;
std::string gMenuName = "help-menu";
bool gMenuSaved = false;

void CALLBACK CaptureOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, timer);
  gMenuSaved = Save(menu, gMenuFolder, gMenuName);
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

// The tour's machine: hives are really saved into the tour's own prefix, but
// nothing is scheduled to replace them and Windows is never restarted.
class TourMachine : public PlatformMachineControl {
 public:
  LONG ReplaceKey(HKEY, const std::string&, const std::string&, const std::string&) override {
    return ERROR_SUCCESS;
  }
  bool RestartWindows() override { return false; }
};

// Photographs each dialog of a run as it comes up and answers it by pressing
// the chosen button (1 to 3, left to right).
struct DialogAnswer {
  std::string name;
  int slot;
};
void AnswerDialogs(const std::string& folder, std::vector<DialogAnswer> answers, bool& allSaved) {
  auto next = std::make_shared<size_t>(0);
  SetDialogShownHook([folder, answers, next, &allSaved](MessageDialogWindow& dialog) {
    if (*next >= answers.size()) {
      PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
      return;
    }
    const DialogAnswer& answer = answers[(*next)++];
    allSaved &= Save(dialog.Hwnd(), folder, answer.name);
    dialog.Press(answer.slot);
  });
}

// The organize page before and after a pack, with every question the pack
// asks; then a full backup from the main window and its completion messages.
void TourBackupAndPack(MainWindow& main, const std::string& folder, bool& allSaved) {
  main.HandleCommand(Command::kPackPage, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-organize");
  AnswerDialogs(folder, {{"dialog-organize-start", 1}, {"dialog-organize-completed", 2}}, allSaved);
  main.HandleCommand(Command::kPack, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-organize-done");
  AnswerDialogs(folder, {{"dialog-backup-start", 1}, {"dialog-backup-made", 1}}, allSaved);
  main.HandleCommand(Command::kBackupNow, 0);
  ui::PumpMessages();
  GuiDialogs dialogs(main.Hwnd());
  AnswerDialogs(folder, {{"dialog-backup-not-finished", 1}}, allSaved);
  ShowBackupCompletion(dialogs, kBackupNotFinished);

  // The full backups window over the restore page, with the backup just made
  // chosen and the warning before it would be put back.
  main.HandleCommand(Command::kRestorePage, 0);
  ui::PumpMessages();
  main.onFullBackupsShown = [&](FullBackupsWindow& window) {
    ui::PumpMessages();
    if (window.List().RowCount() > 0) {
      LVITEMA item{};
      item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(window.List().Hwnd(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
      ui::PumpMessages();
    }
    allSaved &= Save(window.Hwnd(), folder, "full-backups");
    AnswerDialogs(folder, {{"dialog-put-back-warning", 2}}, allSaved);
    window.PutBackButton().Click();
    window.Close();
  };
  main.Restore().FullBackupsButton().Click();
  main.onFullBackupsShown = {};
  SetDialogShownHook({});
}

// Runs messages until `done` holds or `patienceMs` passed; the tour waits on
// other processes (the notification area) too, so it looks rather than waits.
bool PumpUntil(const std::function<bool()>& done, DWORD patienceMs) {
  const ULONGLONG deadline = GetTickCount64() + patienceMs;
  for (;;) {
    ui::PumpMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(std::min<ULONGLONG>(deadline - now, 50)),
                              QS_ALLINPUT);
  }
}

// The notification area with the program's icon and, where the platform
// draws it there, the balloon. Under Xvfb Wine's stand-alone tray window holds
// the icons and shows no balloon; without it the whole screen is taken.
bool SaveTray(const std::string& folder, const std::string& name) {
  HWND tray = nullptr;
  PumpUntil(
      [&] {
        tray = FindWindowA("__winex11_standalone_tray", nullptr);
        return tray && IsWindowVisible(tray);
      },
      3000);
  if (HWND balloon = FindWindowA("tooltips_class32", nullptr); balloon && IsWindowVisible(balloon))
    Save(balloon, folder, name + "-balloon");
  return Save(tray ? tray : GetDesktopWindow(), folder, name);
}

// The tray menu, saved once open, as the help menu is.
bool gTrayMenuSaved = false;
void CALLBACK CaptureTrayMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, timer);
  gTrayMenuSaved = Save(menu, gMenuFolder, "monitor-tray-menu");
  EndMenu();
}

// The monitor page off, then on with rows it really captured from changes
// the tour makes under a watched key of its own prefix (taken back after),
// the notification, and the program in the notification area.
bool TourMonitor(MainWindow& main, const std::string& folder) {
  bool allSaved = true;
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  RegistrySession registry;
  registry.SetRoot(HKEY_CURRENT_USER);
  if (!registry.OpenKey(run, true)) return false;
  MonitorPage& page = main.Monitor();
  main.HandleCommand(Command::kMonitorPage, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-monitor-off");

  main.HandleCommand(Command::kMonitorOn, 0);
  int watched = 0;
  for (int i = 0; i < kWatchPointCount; ++i) watched += page.Monitor().Slot(i) != nullptr;
  PumpUntil([&] { return page.Monitor().ActiveCount() == watched; }, 30000);
  const char* names[] = {"Cloud Sync Helper", "Updater",
                         "\xD0\xA1\xD0\xB8\xD0\xBD\xD1\x85\xD1\x80\xD0\xBE\xD0\xBD\xD0\xB8"
                         "\xD0\xB7\xD0\xB0\xD1\x86\xD0\xB8\xD1\x8F",  // Cyrillic
                         "PrinterAgent"};
  const int before = page.ChangeList().RowCount();
  int expected = before;
  for (const char* name : names) {
    registry.WriteText(name, std::string("C:\\Program Files\\") + name + "\\start.exe");
    ++expected;
    PumpUntil([&] { return page.ChangeList().RowCount() >= expected; }, 30000);
  }
  registry.RemoveValue("MediaCenter Tray");
  PumpUntil([&] { return page.ChangeList().RowCount() >= before + 5; }, 30000);
  allSaved &= Save(main.Hwnd(), folder, "main-window-monitor-on");

  // The next captured event tells the user.
  page.Model().ResetPrompt(page.ChangeList().RowCount() + 1);
  bool notified = false;
  SetDialogShownHook([&](MessageDialogWindow& dialog) {
    notified = Save(dialog.Hwnd(), folder, "monitor-notification");
    PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  registry.WriteText("Backup Scheduler", "C:\\Program Files\\Backup\\scheduler.exe");
  PumpUntil([&] { return notified; }, 30000);
  SetDialogShownHook({});
  allSaved &= notified;

  main.Tray().HideWindow();
  // The balloon belongs to the notification area's own process: the whole
  // screen is taken once a tooltip shows (or after a while without one).
  allSaved &= SaveTray(folder, "monitor-tray-on");
  SetTimer(nullptr, 0, 100, &CaptureTrayMenu);
  main.Tray().ShowMenu();
  allSaved &= gTrayMenuSaved;
  main.Tray().RestoreWindow();

  main.HandleCommand(Command::kMonitorOff, 0);
  PumpUntil([&] { return page.Monitor().ActiveCount() == 0; }, 30000);
  // Off and hidden: the grey image.
  main.Tray().HideWindow();
  allSaved &= SaveTray(folder, "monitor-tray-off");
  main.Tray().RestoreWindow();
  for (const char* name : names) registry.RemoveValue(name);
  registry.RemoveValue("Backup Scheduler");
  ui::PumpMessages();
  return allSaved;
}

// The results as a user leaves them before repairing: a few problems of a
// caution section added to what the scan found, one item kept, one marked to
// be ignored.
void StageDecisions(MainWindow& main) {
  ResultsStore& results = main.Session().Results();
  const auto addRecent = [&](const std::string& name, const std::string& file) {
    results.AddProblem(23, "HKCU\\Software\\Tour\\Recent\\\\:" + name + " = " + file,
                       {"file missing", file});
  };
  addRecent("File1", "C:\\Reports\\2019.doc");
  addRecent("File2", "D:\\Old\\notes.txt");
  // Names beyond ASCII are shown as themselves.
  addRecent("\xD7\xA7\xD7\x95\xD7\x91\xD7\xA5", "C:\\Reports\\\xD7\x93\xD7\x95\xD7\x97 2019.doc");
  addRecent("\xE6\x96\x87\xE4\xBB\xB6",
            "D:\\\xE6\x97\xA7\\\xE7\xAC\x94\xE8\xAE\xB0 caf\xC3\xA9.txt");
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
    const int section = ResultsPage::SectionOf(tree.DataOf(node));
    tree.Expand(node, std::find(opened.begin(), opened.end(), section) != opened.end());
  }
  SendMessageA(tree.Hwnd(), WM_VSCROLL, SB_TOP, 0);
  InvalidateRect(tree.Hwnd(), nullptr, FALSE);
  ui::PumpMessages();
}

// One finding added to the results and chosen in the tree as the user
// chooses it, its section alone open, so that the detail band tells about it.
void ChooseFinding(MainWindow& main, int section, const std::string& line,
                   const ProblemReason& reason) {
  ResultsStore& results = main.Session().Results();
  results.AddProblem(section, line, reason);
  main.Results().ShowResults(true);
  const int index = static_cast<int>(results.Section(section).size()) - 1;
  ui::TreeView& tree = main.Results().Tree();
  HTREEITEM chosen = nullptr;
  for (HTREEITEM node = TreeView_GetRoot(tree.Hwnd()); node;
       node = TreeView_GetNextSibling(tree.Hwnd(), node)) {
    const bool open = ResultsPage::SectionOf(tree.DataOf(node)) == section;
    tree.Expand(node, open);
    if (!open) continue;
    for (HTREEITEM item = TreeView_GetChild(tree.Hwnd(), node); item;
         item = TreeView_GetNextSibling(tree.Hwnd(), item))
      if (ResultsPage::IndexOf(tree.DataOf(item)) == index) chosen = item;
  }
  SendMessageA(tree.Hwnd(), WM_VSCROLL, SB_TOP, 0);
  if (chosen) {
    tree.Select(chosen);
    TreeView_EnsureVisible(tree.Hwnd(), chosen);
  }
  SetFocus(tree.Hwnd());
  ui::PumpMessages();
}

// An undo snapshot of today, so that the restore page has one to show, with
// names beyond ASCII among its entries.
void StageSnapshot() {
  const std::string path = Environment().dataFolder + "\\" + Environment().SnapshotName + ".reg";
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const auto text = [](std::string_view value) {
    return Utf16LeFromUtf8(value) + std::string(2, '\0');
  };
  // Each block noted with the section that removed it, as a repair notes it.
  const auto note = [](int section, bool byScan) {
    return "\r\n" + SnapshotNoteLine({section, byScan});
  };
  const std::string block =
      note(4, false) +
      KeyLine("HKEY_CLASSES_ROOT\\CLSID\\{3F2A61C0-5B1D-4E8A-9C11-0A7E2D4B8F01}\\InprocServer32") +
      ValueLines(kSnapshotDialect, "", regtype::kString,
                 text("C:\\Program Files\\Gone\\viewer.dll")) +
      ValueLines(kSnapshotDialect, "ThreadingModel", regtype::kString, text("Apartment")) +
      note(15, true) +
      KeyLine("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run") +
      ValueLines(kSnapshotDialect, "Updater", regtype::kString,
                 text("C:\\Program Files\\Old Updater\\update.exe /quiet")) +
      ValueLines(kSnapshotDialect, "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8", regtype::kString,
                 text("C:\\\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8\\tray.exe")) +
      note(3, false) + KeyLine("HKEY_CLASSES_ROOT\\.oldext") + note(23, false) +
      KeyLine("HKEY_CURRENT_USER\\Software\\\xE6\x96\x87\xE4\xBB\xB6 \xF0\x9F\x93\x81");
  CreateDirectoryA(Environment().dataFolder.c_str(), nullptr);
  AppendToSnapshot(path, block, kSnapshotDialect);
}

// A choice in a drop-down as the user makes it: selected, then announced.
void ChooseInDropDown(ui::DropDownList& box, int index) {
  box.Select(index);
  SendMessageA(GetParent(box.Hwnd()), WM_COMMAND, MAKEWPARAM(box.Id(), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box.Hwnd()));
}

// The settings page's four tabs, and the general tab with the scan frequency
// shown (the action is put back afterwards).
bool SettingsStops(MainWindow& main, const std::string& folder) {
  main.HandleCommand(Command::kSettingsPage, 0);
  ui::PumpMessages();
  SettingsPage& page = main.Settings();
  const int action = page.ActionBox().Selected();
  bool saved = Save(main.Hwnd(), folder, "main-window-settings-general");
  saved &= SaveFocused(main, page.Tabs().Hwnd(), folder, "tabs");
  ChooseInDropDown(page.ActionBox(), 1);
  ui::PumpMessages();
  saved &= Save(main.Hwnd(), folder, "main-window-settings-general-scheduled");
  ChooseInDropDown(page.ActionBox(), action < 0 ? 0 : action);
  const char* names[] = {"custom-scan", "ignore-list", "monitor"};
  for (int tab = 1; tab <= 3; ++tab) {
    page.SelectTab(static_cast<SettingsTab>(tab));
    ui::PumpMessages();
    saved &= Save(main.Hwnd(), folder, std::string("main-window-settings-") + names[tab - 1]);
  }
  // The ignore list's context menu on a selected row.
  page.SelectTab(SettingsTab::kIgnoreList);
  ui::ListView& list = page.IgnoreList();
  list.SelectRow(2);
  saved &= SaveFocused(main, list.Hwnd(), folder, "list-view");
  RECT row{};
  ListView_GetItemRect(list.Hwnd(), 2, &row, LVIR_LABEL);
  POINT at{row.left + 40, row.bottom};
  ClientToScreen(list.Hwnd(), &at);
  gMenuFolder = folder;
  gMenuName = "settings-ignore-list-menu";
  gMenuSaved = false;
  SetTimer(nullptr, 0, 100, &CaptureOpenMenu);
  SendMessageA(GetParent(list.Hwnd()), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.Hwnd()),
               MAKELPARAM(at.x, at.y));
  saved &= gMenuSaved;
  gMenuName = "help-menu";
  gMenuSaved = false;
  return saved;
}

// The settings page and the menu as a user of a managed computer sees them:
// policies of the user's own policy key (the tour's prefix is its own) hold
// some settings and take the Optimize page away; they are removed after.
bool PolicyStops(MainWindow& main, const std::string& folder) {
  RegistrySession registry;
  registry.SetRoot(HKEY_CURRENT_USER);
  if (!registry.OpenKey(kPolicyKeyPath, true)) return false;
  const std::pair<const char*, uint32_t> held[] = {
      {"AutoAction", 1},         {"AutoFreq", 1},          {"BackupBeforeScan", 1},
      {"ConfigurationCache", 0}, {"FilePathReferences", 1}, {"MonitorPrompt", 500},
      {"AllowOptimize", 0}};
  for (const auto& [name, value] : held) registry.WriteDword(name, value);
  registry.CloseKey();
  auto rebuildMenu = [&main] {
    main.Menu().Build(MenuRowsFor(Environment().WindowsVersionCode, PagesAllowedNow()));
    main.Menu().Highlight(CommandOf(main.CurrentPage()));
  };
  rebuildMenu();
  main.HandleCommand(Command::kScanPage, 0);
  main.HandleCommand(Command::kSettingsPage, 0);
  ui::PumpMessages();
  SettingsPage& page = main.Settings();
  bool saved = Save(main.Hwnd(), folder, "main-window-settings-policy-general");
  const char* names[] = {"custom-scan", "ignore-list", "monitor"};
  for (SettingsTab tab : {SettingsTab::kCustomScan, SettingsTab::kMonitor}) {
    page.SelectTab(tab);
    ui::PumpMessages();
    saved &= Save(main.Hwnd(), folder,
                  std::string("main-window-settings-policy-") + names[int(tab) - 1]);
  }
  registry.DeleteKeyTree(kPolicyKeyPath);
  main.HandleCommand(Command::kScanPage, 0);
  rebuildMenu();
  ui::PumpMessages();
  return saved;
}

int RunTour(const std::string& folder) {
  StartGui();
  LoadSettings();
  FollowPrefixContrast();
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
  main.SetMachineControl(std::make_unique<TourMachine>());
  if (!main.Create(StartWords{})) return 2;
  ShowWindow(main.Hwnd(), SW_SHOW);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-front-page");
  allSaved &= SaveFocused(main, main.Menu().Hwnd(), folder, "menu");
  // The front page's own button (the last made may be a hidden page's).
  const std::vector<HWND> frontStops = ui::TabStops(main.FrontView().Hwnd());
  if (!frontStops.empty())
    allSaved &= SaveFocused(main, frontStops.front(), folder, "image-button");

  main.TurnPage(Page::kScan);
  StageScanHalfway(main.Scan());
  allSaved &= Save(main.Hwnd(), folder, "main-window-scan-running");
  main.HandleCommand(Command::kScan, 0);  // a real scan of the tour's own prefix
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-scan-finished");
  StageDecisions(main);
  allSaved &= Save(main.Hwnd(), folder, "main-window-results-decided");
  allSaved &= SaveFocused(main, main.Results().Tree().Hwnd(), folder, "tree");
  allSaved &= SaveFocused(main, main.Results().ScanAgainLink().Hwnd(), folder, "link");
  // The detail band of a missing file (its folder there to open) and of a
  // class that is not registered.
  ChooseFinding(main, 4, "HKCR\\CLSID\\{3F2A61C0-5B1D-4E8A-9C11-0A7E2D4B8F01}\\InprocServer32",
                {"file missing", Environment().systemFolder + "viewer32.dll"});
  allSaved &= Save(main.Hwnd(), folder, "main-window-results-file-finding");
  ChooseFinding(main, 5,
                "HKCR\\Interface\\{7C1E04A2-3D5B-4F60-9A1B-2E8C6D4F9A17}\\ProxyStubClsid32",
                {"class not registered", "HKCR\\CLSID\\{A94F2B36-81C7-4E0D-B5A2-6F3E1C7D8B40}"});
  allSaved &= Save(main.Hwnd(), folder, "main-window-results-class-finding");
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
  allSaved &= SaveFocused(main, main.Report().ContinueButton().Hwnd(), folder, "report-button");
  main.HandleCommand(Command::kContinue, 0);
  ui::PumpMessages();
  main.HandleCommand(Command::kRestorePage, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-restore");
  main.Restore().List().Select(1);
  allSaved &= SaveFocused(main, main.Restore().List().Hwnd(), folder, "check-list");
  allSaved &= SaveFocused(main, main.Restore().Chooser().Hwnd(), folder, "drop-down");
  allSaved &= SaveFocused(main, main.Restore().CheckAll().Hwnd(), folder, "check-box");
  allSaved &= SaveFocused(main, main.Restore().RestoreButton().Hwnd(), folder, "button");
  // An entry chosen with the keyboard: the band tells which repair removed it.
  SetFocus(main.Restore().List().Hwnd());
  SendMessageA(main.Restore().List().Hwnd(), WM_KEYDOWN, VK_HOME, 1);
  SendMessageA(main.Restore().List().Hwnd(), WM_KEYDOWN, VK_DOWN, 1);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-restore-entry");
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
  main.HandleCommand(Command::kOptimizePage, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-optimize");
  main.HandleCommand(Command::kOptimize, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-optimize-undo");
  main.HandleCommand(Command::kUndoOptimize, 0);
  ui::PumpMessages();
  main.HandleCommand(Command::kVistaPage, 0);
  ui::PumpMessages();
  allSaved &= Save(main.Hwnd(), folder, "main-window-vista-tweaks");
  // As a user without administrative rights sees it.
  main.VistaPage().ShowAccess(VistaAccessFor(false));
  allSaved &= Save(main.Hwnd(), folder, "main-window-vista-tweaks-standard-user");
  allSaved &= SettingsStops(main, folder);
  allSaved &= PolicyStops(main, folder);
  TourBackupAndPack(main, folder, allSaved);
  gMenuFolder = folder;
  allSaved &= TourMonitor(main, folder);
  main.HandleCommand(Command::kScanPage, 0);
  ui::PumpMessages();
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
