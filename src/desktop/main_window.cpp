#include "desktop/main_window.h"

#include <oleacc.h>
#include <windowsx.h>

#include <cstdio>
#include <exception>

#include "desktop/about_window.h"
#include "desktop/front_page.h"
#include "desktop/pages/template_renderer.h"
#include "engine/backup/backup_folders.h"
#include "engine/core/clock.h"
#include "engine/core/environment.h"
#include "engine/core/shell_open.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/startup_shortcut.h"
#include "engine/settings/window_placement.h"
#include "engine/update/update_offer.h"
#include "ui/gdi_text.h"
#include "ui/keyboard_navigation.h"
#include "ui/picture_ids.h"

namespace hvm {
namespace {

constexpr UINT_PTR kStatusTimer = 2;
constexpr UINT kStatusMilliseconds = 250;
constexpr int kMenuWidth = LeftMenu::kWidth;

enum HelpMenuItem : UINT { kHelpItem = 1, kUpdatesItem, kWebItem, kAboutItem };
constexpr char kWebSite[] = "https://hivemend.example.org/";
constexpr char kNoRestorePointsText[] =
    "No backup was made: System Restore is not available on this computer.";
constexpr char kNotAdministratorText[] =
    "No backup was made: only an administrator can make a restore point.";

LocalTime Now() {
  return ProgramClock().LocalNow();
}

// The system's short date, and short time.
std::string SystemDate(const LocalTime& time, bool withTime) {
  SYSTEMTIME when{};
  when.wYear = static_cast<WORD>(time.year);
  when.wMonth = static_cast<WORD>(time.month);
  when.wDay = static_cast<WORD>(time.day);
  when.wHour = static_cast<WORD>(time.hour);
  when.wMinute = static_cast<WORD>(time.minute);
  char text[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, sizeof(text));
  std::string result = text;
  if (withTime) {
    char clock[64] = {};
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, clock, sizeof(clock));
    result += std::string(" ") + clock;
  }
  return result;
}

// HtmlHelpA from HHCTRL.OCX, loaded once; WinHelp on the ".hlp" file when
// HTML Help is missing or refuses.
bool ShowHtmlHelp(const std::string& location) {
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  static HMODULE library = LoadLibraryA("HHCTRL.OCX");
  static auto htmlHelp =
      library ? reinterpret_cast<HtmlHelpFunction>(GetProcAddress(library, "HtmlHelpA")) : nullptr;
  constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
  return htmlHelp && htmlHelp(GetDesktopWindow(), location.c_str(), kDisplayTopic, 0) != nullptr;
}

void ShowWinHelp(HWND owner, const std::string& chm, const std::string& topic) {
  const std::string hlp = WinHelpFile(chm);
  WinHelpA(owner, hlp.c_str(), HELP_CONTENTS, 0);
  const std::string macro = WinHelpMacro(topic);
  WinHelpA(owner, hlp.c_str(), HELP_COMMAND, reinterpret_cast<ULONG_PTR>(macro.c_str()));
}

}  // namespace

class MainWindow::BandParts : public ui::AccessibleModel {
 public:
  static constexpr long kVersion = 1, kHelp = 2;
  explicit BandParts(MainWindow& window) : window_(window) {}
  std::vector<long> Parts() const override { return {kVersion, kHelp}; }
  bool HasPart(long part) const override { return part == kVersion || part == kHelp; }
  ui::AccessibleInfo Describe(long part) const override {
    ui::AccessibleInfo info;
    if (part == ui::kSelf) return info;  // the window's own: "Hivemend"
    if (part == kVersion) {
      info.name = "Version: " + Environment().VersionText;
      info.role = ROLE_SYSTEM_STATICTEXT;
      info.state = STATE_SYSTEM_READONLY;
      return info;
    }
    info.name = "Help";
    info.role = ROLE_SYSTEM_LINK;
    info.state = STATE_SYSTEM_LINKED | STATE_SYSTEM_HASPOPUP;
    info.defaultAction = "Open";
    info.bounds = ui::ClientOnScreen(window_.Hwnd(), window_.HelpLinkRect());
    return info;
  }
  bool DoDefaultAction(long part) override {
    if (part != kHelp) return false;
    // The menu runs a loop of its own: not inside the reader's call.
    window_.windowThread_.Queue().Post([this] { window_.ShowHelpMenu(); });
    return true;
  }
  long PartAt(POINT screen) const override {
    ScreenToClient(window_.Hwnd(), &screen);
    const RECT help = window_.HelpLinkRect();
    return PtInRect(&help, screen) ? kHelp : ui::kSelf;
  }

 private:
  MainWindow& window_;
};

MainWindow::MainWindow() : helpViewer_(&ShowHtmlHelp) {}

ui::AccessibleModel* MainWindow::Accessibility() {
  if (!bandParts_) bandParts_ = std::make_unique<BandParts>(*this);
  return bandParts_.get();
}

MainWindow::~MainWindow() {
  // Nothing posted may run into a window half taken down.
  windowThread_.WindowGone();
  Templates().Release(front_);
  Templates().SetCommandSink({});
  ui::SetMessageFilter({});
}

bool MainWindow::Create(const StartWords& words, const std::string& dataFolder) {
  words_ = words;
  dataFolder_ = dataFolder.empty() ? Environment().dataFolder : dataFolder;
  settingsStore_ = std::make_unique<SettingsStore>(SettingsPath(), dialogs_);
  controller_ = std::make_unique<DesktopController>(static_cast<DesktopShell&>(*this),
                                                    *settingsStore_, windowThread_.Queue(), words);
  band_ = ui::Picture::FromResource(pictures::kTopBand);
  const ui::Dpi dpi = ui::Dpi::System();
  largeIcon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXICON));
  smallIcon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXSMICON));
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(kWidth), dpi.Scale(kHeight));
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
  CreateArgs args;
  args.className = kClassName;
  args.title = kTitle;
  args.style = style;
  // A control parent: the program's message loop moves Tab and Alt+letter
  // through the menu and the shown page as a dialog would.
  args.exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  args.bounds = ui::MakeRect(CW_USEDEFAULT, 0, ui::Width(frame), ui::Height(frame));
  args.largeIcon = largeIcon_.Get();
  args.smallIcon = smallIcon_.Get();
  if (!windowThread_.Create() || !CreateWindowOf(args)) return false;
  poster_.SetTarget(windowThread_.Queue(), [this](Command command, intptr_t value) {
    controller_->HandleCommand(command, value);
  });
  SetWindowPos(Hwnd(), nullptr, 0, 0, ui::Width(frame), ui::Height(frame),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  dialogs_.SetOwner(Hwnd());
  // Template buttons and menu rows queue their command: a click handler must
  // return before the command replaces the page it stands on.
  auto postNumber = [this](int number) {
    if (const std::optional<Command> command = CommandFromNumber(number)) PostCommand(*command);
  };
  Templates().SetCommandSink(postNumber);
  menu_.onClick = [this](Command command) { PostCommand(command); };

  const RECT area = PageArea();
  if (!menu_.Create(Hwnd(), ui::MakeRect(0, dpi.Scale(kBandHeight), dpi.Scale(kMenuWidth),
                                         ui::Height(ClientRect()) - dpi.Scale(kBandHeight))) ||
      !front_.Create(Hwnd(), {area}) || !download_.Create(Hwnd()) || !progress_.Create(Hwnd()))
    return false;
  ReportPage::Hooks reportHooks;
  reportHooks.facts = [this] { return ReportFacts(); };
  reportHooks.continueClicked = [this] { PostCommand(Command::kContinue); };
  if (!report_.Create(Hwnd(), area, reportHooks)) return false;
  ScanPage::Hooks hooks;
  hooks.showScanPage = [this] { TurnPage(Page::kScan); };
  hooks.showResultsPage = [this] { TurnPage(Page::kResults); };
  hooks.showSummaryPage = [this] { ShowSummaryAfterScan(); };
  hooks.stopClicked = [this] { session_->Stop(); };
  hooks.terminating = [this] { return controller_->Terminating(); };
  if (!scanPage_.Create(Hwnd(), area, hooks)) return false;
  front_.onLink = [this](const std::string& href) { ShellOpen(dialogs_, href); };

  if (!systemRestore_)
    systemRestore_ = std::make_unique<PlatformSystemRestore>(Environment().systemFolder);
  RepairRestorePoint::Hooks restoreHooks;
  restoreHooks.wanted = [this] { return settingsStore_->Load().BackupBeforeScan; };
  restoreHooks.administrator = [] { return Environment().IsAdministrator; };
  restoreHooks.made = [this] { controller_->StampLastBackup(); };
  if (!machine_) machine_ = std::make_unique<PlatformMachineControl>();
  restoreHooks.registryChecker = RegistryCheckerHere();
  restorePoint_ = std::make_unique<RepairRestorePoint>(*systemRestore_, dialogs_, restoreHooks);
  GuiScanSession::Hooks sessionHooks;
  sessionHooks.totalsRecorded = [this] { PostCommand(Command::kRefreshFrontPage); };
  session_ = std::make_unique<GuiScanSession>(dataFolder_, scanPage_, dialogs_, *this, progress_,
                                              report_, *restorePoint_, sessionHooks);
  results_ = std::make_unique<ResultsPage>(session_->Results());
  ResultsPage::Hooks resultsHooks;
  resultsHooks.repair = [this] { controller_->Repair(); };
  resultsHooks.backup = [this] { MakeBackup(); };
  resultsHooks.scanAgain = [this] {
    session_->Results().ClearTotal();
    PostCommand(Command::kScanPage);
  };
  resultsHooks.switches = [this]() -> const SectionSwitches& { return session_->Switches(); };
  resultsHooks.lastScanDate = [this] {
    const std::optional<LocalTime> time = ParseStamp(settingsStore_->Load().last_scan);
    return time ? SystemDate(*time, false) : std::string();
  };
  resultsHooks.openFolder = [this](const std::string& folder) { ShellOpen(dialogs_, folder); };
  if (!results_->Create(Hwnd(), PageArea(), resultsHooks)) return false;
  restore_ = std::make_unique<RestorePage>(session_->Suppression(), dialogs_);
  RestorePage::Hooks snapshotHooks;
  snapshotHooks.dataFolder = dataFolder_;
  snapshotHooks.todayName = [] { return Environment().SnapshotName; };
  snapshotHooks.deleteAfterWeek = [this] { return settingsStore_->Load().DeleteAfterWeek; };
  snapshotHooks.setDeleteAfterWeek = [this](bool on) {
    settingsStore_->Change([on](ProgramSettings& settings) { settings.DeleteAfterWeek = on; });
  };
  snapshotHooks.restored = [this] { session_->Results().ClearTotal(); };
  snapshotHooks.showFullBackups = [this] { ShowFullBackups(); };
  if (!restore_->Create(Hwnd(), PageArea(), snapshotHooks)) return false;
  optimize_ = std::make_unique<OptimizePage>();
  OptimizePage::Hooks optimizeHooks;
  optimizeHooks.settingsPath = SettingsPath();
  optimizeHooks.frontRefresh = [this] { PostCommand(Command::kRefreshFrontPage); };
  optimizeHooks.dialogs = &dialogs_;
  if (!optimize_->Create(Hwnd(), PageArea(), optimizeHooks)) return false;
  vista_ = std::make_unique<VistaTweaksPage>();
  if (!vista_->Create(Hwnd(), PageArea(), {[] { return Environment().IsAdministrator; }}))
    return false;
  if (!CreateSettingsPage()) return false;
  if (!CreateBackupAndPack()) return false;
  // The settings page's "&Backup Registry" starts the full backup and shows
  // it running until the worker's end comes back as kBackupFinished.
  settingsBackupView_.page = settings_.get();
  backup_->SetView(&settingsBackupView_);
  settings_->SetBackupHandler([this] { backup_->StartFromSettingsPage(); });
  settings_->EnableBackup(true);
  monitor_ = std::make_unique<MonitorPage>(dialogs_, windowThread_.Queue());
  MonitorPage::Hooks monitorHooks;
  ProgramTray::Actions trayActions;
  // Queued like any command, so that the menu has closed and a running
  // scan or repair gates them as it gates the window's own buttons.
  trayActions.setMonitoring = [this](bool on) {
    PostCommand(on ? Command::kMonitorOn : Command::kMonitorOff);
  };
  // As the title bar's close: a running scan is stopped and the window's
  // place is kept.
  trayActions.exitProgram = [this] { PostMessageA(Hwnd(), WM_CLOSE, 0, 0); };
  tray_.Attach(Hwnd(), [this] { return Active(); }, std::move(trayActions));
  monitorHooks.programHidden = [this] { return tray_.WindowHidden(); };
  monitorHooks.restoreProgram = [this] { tray_.RestoreWindow(); };
  monitorHooks.showTray = [this](bool monitoring) { tray_.ShowMonitoring(monitoring); };
  monitorHooks.monitorPrompt = [this] { return settingsStore_->Load().MonitorPrompt; };
  if (!monitor_->Create(Hwnd(), PageArea(), monitorHooks)) return false;

  // A hot key another program holds does not stop the start: the program
  // goes on without it.
  hotKeys_ = (RegisterHotKey(Hwnd(), kQuitHotKey, MOD_CONTROL, 'Q') ? 1 : 0) +
             (RegisterHotKey(Hwnd(), kHelpHotKey, 0, VK_F1) ? 1 : 0);

  menu_.Build(MenuRowsFor(Environment().WindowsVersionCode, PagesAllowedNow()));
  menu_.Highlight(CommandOf(Page::kFront));
  RenderFrontPage();
  if (!words_.silent) {
    ProgramSettings settings = settingsStore_->Load();
    restoredState_ = RestorePlacement(Hwnd(), PlacementSetting(settings, dpi.Value()),
                                      ui::Width(frame), ui::Height(frame));
  }
  ui::SetMessageFilter([this](MSG& message) { return FilterMessage(message); });
  SetTimer(Hwnd(), kStatusTimer, kStatusMilliseconds, nullptr);
  PostCommand(Command::kStarted);
  return true;
}

bool MainWindow::CreateSettingsPage() {
  if (!startupEntry_)
    startupEntry_ = std::make_unique<StartupShortcut>(UserStartupFolder(),
                                                      Environment().programFolder + "\\hvmend.exe");
  SettingsPageModel::Services services;
  services.settingsPath = SettingsPath();
  services.dataFolder = dataFolder_;
  services.startup = startupEntry_.get();
  services.dialogs = &dialogs_;
  services.restorePointsAvailable = [this] { return systemRestore_->Available(); };
  services.windowsVersionCode = Environment().WindowsVersionCode;
  settings_ = std::make_unique<SettingsPage>(std::move(services));
  if (!settings_->Create(Hwnd(), PageArea())) return false;
  settings_->ReadSettings();
  return true;
}

int MainWindow::FirstShowCommand(int requested) const {
  if (restoredState_ == RestoredPlacement::State::kMaximised) return SW_SHOWMAXIMIZED;
  if (restoredState_ == RestoredPlacement::State::kMinimised) return SW_SHOWMINIMIZED;
  return requested;
}

void MainWindow::Shown() {
  RefreshSnapshotName();
  monitor_->ReadSettings(settingsStore_->Load().MonitorPrompt);
  controller_->Shown();
}

RECT MainWindow::PageArea() const {
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  return {dpi.Scale(kMenuWidth), dpi.Scale(kBandHeight) + 1, client.right, client.bottom};
}

void MainWindow::LayOut() {
  const RECT area = PageArea();
  for (ui::Window* page :
       {static_cast<ui::Window*>(&front_), static_cast<ui::Window*>(&report_),
        static_cast<ui::Window*>(&scanPage_), static_cast<ui::Window*>(results_.get()),
        static_cast<ui::Window*>(restore_.get()), static_cast<ui::Window*>(optimize_.get()),
        static_cast<ui::Window*>(vista_.get()), static_cast<ui::Window*>(settings_.get()),
        static_cast<ui::Window*>(&packPage_.View()), static_cast<ui::Window*>(monitor_.get())})
    if (page) page->SetBounds(area);
  const ui::Dpi dpi = CurrentDpi();
  menu_.SetBounds(ui::MakeRect(0, dpi.Scale(kBandHeight) + 1, dpi.Scale(kMenuWidth),
                               ui::Height(ClientRect()) - dpi.Scale(kBandHeight) - 1));
}

void MainWindow::OnDpiChanged(ui::Dpi dpi) {
  scaledBand_ = band_.Scaled(dpi.Scale(band_.Width() / 2), dpi.Scale(kBandHeight));
  ui::FontSpec title;
  title.points = 18;
  title.bold = true;
  titleFont_ = ui::CreateUiFont(title, dpi);
  versionFont_ = ui::CreateUiFont({}, dpi);
  if (menu_.Hwnd()) LayOut();
}

ui::Window* MainWindow::PageWindow(Page page) {
  switch (page) {
    case Page::kFront: return &front_;
    case Page::kScan: return &scanPage_;
    case Page::kResults: return results_.get();
    case Page::kSummary: return &report_;
    case Page::kRestore: return restore_.get();
    case Page::kOptimize: return optimize_.get();
    case Page::kVista: return vista_.get();
    case Page::kSettings: return settings_.get();
    case Page::kPack: return &packPage_.View();
    case Page::kMonitor: return monitor_.get();
    default: return nullptr;  // joins with its page
  }
}

// After a page turn the keyboard is on the page's first control, or on the
// menu when the page has none, never on a window that went away. Only while
// this window is the active one: a turn made hidden in the notification area
// must not take the activation from another program.
void MainWindow::FocusPage(ui::Window& page) {
  if (GetActiveWindow() != Hwnd()) return;
  if (!ui::FocusFirstStop(page.Hwnd())) SetFocus(menu_.Hwnd());
}

void MainWindow::KeepFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(Hwnd(), focus)) keptFocus_ = focus;
}

// Activation hands the focus to the frame itself, where no key does
// anything: it goes on to the control that had it, or to the page.
void MainWindow::GiveFocusBack() {
  HWND kept = std::exchange(keptFocus_, nullptr);
  if (kept && IsWindow(kept) && IsChild(Hwnd(), kept) && IsWindowVisible(kept) &&
      IsWindowEnabled(kept)) {
    SetFocus(kept);
    return;
  }
  if (ui::Window* page = PageWindow(navigator_.Current())) FocusPage(*page);
}

void MainWindow::TurnPage(Page page) {
  ui::Window* target = PageWindow(page);
  if (!target) return;
  ui::Window* previous = PageWindow(navigator_.Current());
  const PageTurn turn = navigator_.TurnPage(page);
  if (!turn.changed) return;
  if (turn.highlightCommand) menu_.Highlight(turn.highlightCommand);
  if (turn.clearStatusRefresh) session_->Driver().SetStatusRefresh(false);
  if (turn.postFrontRefresh) PostCommand(Command::kRefreshFrontPage);
  if (turn.refreshSnapshotList) restore_->LoadSnapshotList();
  menu_.EnableRows(turn.menuEnabled);
  if (previous && previous != target) previous->Show(false);
  target->Show(true);
  settings_->ShowSettings(page == Page::kSettings);
  results_->ShowResults(page == Page::kResults);
  monitor_->PageShown(page == Page::kMonitor);
  if (page == Page::kSummary) report_.PageShown();
  // The template pages make their buttons as they are shown: the focus goes
  // to the page once they stand.
  if (page == Page::kOptimize) optimize_->PageShown();
  if (page == Page::kVista) vista_->PageShown();
  FocusPage(*target);
}

// A scan that found nothing ends on the report page, filled with no
// problems found and none repaired.
void MainWindow::ShowSummaryAfterScan() {
  report_.Fill(RepairSummary{});
  TurnPage(Page::kSummary);
}

RepairReportFacts MainWindow::ReportFacts() {
  const ProgramSettings settings = settingsStore_->Load();
  auto date = [](const std::string& stamp) {
    const std::optional<LocalTime> time = ParseStamp(stamp);
    return time ? SystemDate(*time, false) : std::string();
  };
  RepairReportFacts facts;
  facts.optimized = IsOptimized(settings);
  facts.foundToDate = settings.total_error_found;
  facts.repairedToDate = settings.total_error_repaired;
  facts.lastScan = date(settings.last_scan);
  facts.lastBackup = date(settings.last_backup);
  facts.lastOrganize = date(settings.last_organize);
  return facts;
}

void MainWindow::RunRepair() {
  // The repair fills the report page itself (its report hook); how its
  // restore point went is said there too.
  report_.SetRestorePoint("");
  session_->Repair().RunRepair();
}

void MainWindow::ShowRepairReport() {
  restore_->ShowSnapshot(Environment().SnapshotName + ".reg");
  if (restorePoint_->Last()) report_.SetRestorePoint(restorePoint_->Last()->Describe());
  TurnPage(Page::kSummary);
  report_.PageShown();
}

void MainWindow::ShowWaitCursor(bool on) {
  if (on) {
    cursorBeforeWait_ = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  } else {
    SetCursor(std::exchange(cursorBeforeWait_, nullptr));
  }
}

void MainWindow::MakeBackup() {
  if (dialogs_.MessageDialog("Continue with Backup?", "Hivemend", dialog::kOkCancel) != dialog::kOk)
    return;
  // The same protection as before a repair: a restore point, when System
  // Restore is there and the user may make one, or on Windows 98 the
  // registry checker's backup.
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const RestorePointOutcome outcome = ProtectRegistry(
      *systemRestore_, dialogs_, Environment().IsAdministrator, RegistryCheckerHere());
  if (outcome.result == RestorePointOutcome::Result::kMade) {
    EndRestorePoint(*systemRestore_, outcome);
    controller_->StampLastBackup();
  }
  SetCursor(previous);
  // The user asked for a backup: one that could not be made is said, not
  // passed over (a refusal has told its own status already).
  if (outcome.result == RestorePointOutcome::Result::kNotAvailable)
    dialogs_.MessageDialog(kNoRestorePointsText, "Restore Point", dialog::kNotice);
  else if (outcome.result == RestorePointOutcome::Result::kNotAdministrator)
    dialogs_.MessageDialog(kNotAdministratorText, "Restore Point", dialog::kNotice);
}

RegistryChecker MainWindow::RegistryCheckerHere() const {
  return {Environment().WindowsVersionCode, machine_.get(), Environment().windowsFolder};
}

BackupEnvironment MainWindow::BackupSettings() const {
  BackupEnvironment environment;
  environment.windowsVersionCode = Environment().WindowsVersionCode;
  environment.is64BitWindows = Environment().Is64BitWindows;
  environment.windowsFolder = Environment().windowsFolder;
  environment.backupRoot =
      backupRoot_.empty() ? BackupRootFor(Environment().systemFolder) : backupRoot_;
  environment.dataFolder = dataFolder_;
  environment.settingsPath = SettingsPath();
  return environment;
}

bool MainWindow::CreateBackupAndPack() {
  if (!machine_) machine_ = std::make_unique<PlatformMachineControl>();
  auto waitCursor = [](bool on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); };
  FullBackup::Hooks backupHooks;
  backupHooks.busy = [this] { return Busy(); };
  backupHooks.setBusy = [this](bool on) { controller_->SetBusy(on); };
  backupHooks.enableMenu = [this](bool on) { menu_.EnableRows(on); };
  backupHooks.waitCursor = waitCursor;
  backupHooks.pumpMessages = [] { ui::PumpMessages(); };
  backup_ =
      std::make_unique<FullBackup>(*machine_, dialogs_, poster_, BackupSettings(), backupHooks);
  RegistryPack::Hooks packHooks;
  packHooks.busy = [this] { return Busy(); };
  packHooks.setBusy = [this](bool on) { controller_->SetBusy(on); };
  packHooks.waitCursor = waitCursor;
  packHooks.clearTotal = [this] { session_->Results().ClearTotal(); };
  packHooks.pumpMessages = [] { ui::PumpMessages(); };
  packHooks.progress = [this](int percent) { packPage_.SetProgress(percent); };
  pack_ = std::make_unique<RegistryPack>(*machine_, dialogs_, *this, poster_, BackupSettings(),
                                         packHooks);
  const bool made = packPage_.Create(Hwnd(), PageArea());
  if (made) packPage_.View().Show(false);
  return made;
}

void MainWindow::ShowFullBackups() {
  FullBackupsWindow::Hooks hooks;
  hooks.backupRoot = BackupSettings().backupRoot;
  hooks.backupNow = [this] { backup_->RunOnGuiThread(); };
  hooks.putBack = [this](const FullBackupFolder& backup) {
    pack_->PutBack(backup.folder, "on " + MadeText(backup.made));
  };
  FullBackupsWindow window;
  if (!window.Create(Hwnd(), hooks)) return;
  if (onFullBackupsShown) {
    ShowWindow(window.Hwnd(), SW_SHOW);
    onFullBackupsShown(window);
  }
  window.RunModal();
}

void MainWindow::RenderFrontPage() {
  const ProgramSettings settings = settingsStore_->Load();
  FrontPageFacts facts;
  facts.lastOrganize = settings.last_organize;
  facts.lastBackup = settings.last_backup;
  facts.lastScan = settings.last_scan;
  facts.lastErr = settings.last_err;
  facts.lastRepair = settings.last_repair;
  facts.totalFound = settings.total_error_found;
  facts.totalRepaired = settings.total_error_repaired;
  facts.optimized = IsOptimized(settings);
  facts.monitoring = Active();
  frontTemplate_ = FrontTemplateFor(facts, Now());
  frontFacts_ = facts;
  Templates().Render(front_, frontTemplate_, FrontPageValues(facts, &SystemDate));
}

void MainWindow::ResetView(bool showFront) {
  menu_.Build(MenuRowsFor(Environment().WindowsVersionCode, PagesAllowedNow()));
  menu_.Highlight(CommandOf(navigator_.Current()));
  SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (showFront) TurnPage(Page::kFront);
}

void MainWindow::StoreWindowState(ProgramSettings& settings) {
  // The system's measure, as when the window was opened: the monitor the
  // window is on now may differ.
  PlacementSetting(settings, ui::Dpi::System().Value()) = PlacementText(Hwnd());
  if (settings_) settings_->StoreInto(settings);
}

void MainWindow::ShowHelp() {
  const std::string chm = Environment().programFolder + "\\hvmend.chm";
  const std::string topic = HelpTopicFor(navigator_.Current(), SettingsTab());
  if (!helpViewer_ || !helpViewer_(HelpLocation(chm, topic))) ShowWinHelp(Hwnd(), chm, topic);
}

RECT MainWindow::HelpLinkRect() const {
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  return {client.right - dpi.Scale(96), dpi.Scale(8), client.right - dpi.Scale(16), dpi.Scale(28)};
}

HMENU MainWindow::CreateHelpMenu() const {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, kHelpItem, "&Help");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | (UpdateCheckOffered() ? 0 : MF_GRAYED), kUpdatesItem,
              "Check for Updates");
  AppendMenuA(menu, MF_STRING, kWebItem, "Hivemend on the &Web");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kAboutItem, "About Hivemend");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  return menu;
}

void MainWindow::ShowAbout() {
  AboutWindow about;
  if (about.Create(AboutWindow::Mode::kAbout, Hwnd(), Environment().VersionText)) about.RunModal();
}

void MainWindow::ShowHelpMenu() {
  HMENU menu = CreateHelpMenu();
  RECT link = HelpLinkRect();
  MapWindowPoints(Hwnd(), nullptr, reinterpret_cast<POINT*>(&link), 2);
  const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_TOPALIGN,
                                     link.right, link.bottom, 0, Hwnd(), nullptr);
  DestroyMenu(menu);
  switch (chosen) {
    case kHelpItem: ShowHelp(); break;
    case kUpdatesItem: StartUpdateCheck(CheckMode::kManual); break;
    case kWebItem: ShellOpen(dialogs_, kWebSite); break;
    // After the menu's own messages, as any command: the about window is
    // modal and must not open inside the menu's loop.
    case kAboutItem: windowThread_.Queue().Post([this] { ShowAbout(); }); break;
    default: break;
  }
}

bool MainWindow::FilterMessage(MSG& message) {
  // Esc on the scan page ends the scan exactly as "Stop" does, wherever the
  // keyboard focus is.
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
      navigator_.Current() == Page::kScan &&
      (message.hwnd == Hwnd() || IsChild(Hwnd(), message.hwnd))) {
    session_->Stop();
    return true;
  }
  return false;
}

void MainWindow::PaintBand(HDC dc, const RECT& band) {
  ui::ScopedBrush tint(CreateSolidBrush(ui::BackColour(ui::kBandTint)));
  FillRect(dc, &band, tint.Get());
  if (!scaledBand_.IsEmpty() && !ui::HighContrast())
    scaledBand_.Draw(dc, ui::MakeRect(0, 0, scaledBand_.Width(), scaledBand_.Height()),
                     ui::MakeRect(0, 0, scaledBand_.Width(), scaledBand_.Height()));
  const ui::Dpi dpi = CurrentDpi();
  SetBkMode(dc, TRANSPARENT);
  {
    ui::SelectScope font(dc, titleFont_.Get());
    SetTextColor(dc, ui::ForeColour(ui::kCaptionColour));
    RECT title{dpi.Scale(72), band.top, dpi.Scale(400), band.bottom};
    ui::DrawUiText(dc, kTitle, &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  ui::SelectScope font(dc, versionFont_.Get());
  SetTextColor(dc, ui::ForeColour(ui::kCaptionColour));
  RECT help = HelpLinkRect();
  ui::DrawUiText(dc, "Help", &help, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  // Written as the about window writes it; grey would be too faint on the tint.
  const std::string version = "Version: " + Environment().VersionText;
  RECT right{band.left, band.top, band.right - dpi.Scale(16), band.bottom - dpi.Scale(8)};
  ui::DrawUiText(dc, version, &right, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT | DT_NOPREFIX);
}

void MainWindow::Paint() {
  ui::BufferedPaint paint(Hwnd());
  if (!paint.Dc()) return;
  const RECT& client = paint.Client();
  HDC dc = paint.Dc();
  FillRect(dc, &client, ui::PageBrush());
  const RECT band{0, 0, client.right, CurrentDpi().Scale(kBandHeight)};
  PaintBand(dc, band);
  ui::ScopedPen rule(CreatePen(PS_SOLID, 1, ui::ForeColour(RGB(200, 214, 226))));
  ui::SelectScope pen(dc, rule.Get());
  MoveToEx(dc, 0, band.bottom, nullptr);
  LineTo(dc, client.right, band.bottom);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_USER:
      // Numbers that name no command (from another program) are passed by.
      if (const std::optional<Command> command = CommandFromNumber(static_cast<int>(wParam)))
        controller_->HandleCommand(*command, lParam);
      return 0;
    case ProgramTray::kMessage: tray_.OnIconEvent(lParam); return 0;
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_TIMER:
      if (wParam == kStatusTimer && session_) session_->Tick();
      return 0;
    case WM_HOTKEY:
      if (wParam == kQuitHotKey)
        controller_->HandleCommand(Command::kQuit);
      else if (wParam == kHelpHotKey)
        ShowHelp();
      return 0;
    case WM_ACTIVATEAPP:
      if (wParam) PostCommand(Command::kRepaintMenu);
      return 0;
    // A dialog is coming: disabling the window takes the focus away first.
    case WM_CANCELMODE: KeepFocus(); return Window::OnMessage(message, wParam, lParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) KeepFocus();
      return Window::OnMessage(message, wParam, lParam);
    case WM_SETFOCUS: GiveFocusBack(); return 0;
    case WM_NCHITTEST: {
      // Dragging the top band moves the window; its help link stays a link.
      const LRESULT hit = Window::OnMessage(message, wParam, lParam);
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(Hwnd(), &point);
      const RECT help = HelpLinkRect();
      if (hit == HTCLIENT && point.y < CurrentDpi().Scale(kBandHeight) && !PtInRect(&help, point))
        return HTCAPTION;
      return hit;
    }
    case WM_LBUTTONUP: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const RECT help = HelpLinkRect();
      if (PtInRect(&help, point)) ShowHelpMenu();
      return 0;
    }
    case WM_SETCURSOR: {
      POINT point{};
      GetCursorPos(&point);
      ScreenToClient(Hwnd(), &point);
      const RECT help = HelpLinkRect();
      if (reinterpret_cast<HWND>(wParam) == Hwnd() && PtInRect(&help, point)) {
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return TRUE;
      }
      return Window::OnMessage(message, wParam, lParam);
    }
    case WM_CLOSE: controller_->Close(); return 0;
    case WM_SIZE:
      // Minimised on the monitor page, the program goes to the notification area.
      if (wParam == SIZE_MINIMIZED && monitor_ && navigator_.Current() == Page::kMonitor &&
          IsWindowVisible(Hwnd()))
        tray_.HideWindow();
      return Window::OnMessage(message, wParam, lParam);
    case WM_DESTROY:
      // The workers are asked to end now and joined when the window object
      // goes: a notification may still be open further up this stack.
      if (monitor_) monitor_->Monitor().StopForExit();
      windowThread_.WindowGone();
      KillTimer(Hwnd(), kStatusTimer);
      UnregisterHotKey(Hwnd(), kQuitHotKey);
      UnregisterHotKey(Hwnd(), kHelpHotKey);
      Templates().Release(front_);
      if (optimize_) Templates().Release(optimize_->View());
      if (vista_) Templates().Release(vista_->View());
      PostQuitMessage(0);
      return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
