// The main window "TForm1" titled "Hivemend": the top band, the left menu and
// one page area in which exactly one page is visible. It is the shell over
// the desktop controller, which decides what each command does; pages,
// template buttons, workers and start modes queue their commands there.
// Other programs post WM_USER with a command number to it, and a second start
// of this one finds it by its class and title.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "desktop/desktop_controller.h"
#include "desktop/front_page.h"
#include "desktop/gui_scan_session.h"
#include "desktop/left_menu.h"
#include "desktop/message_dialog.h"
#include "desktop/navigation.h"
#include "desktop/pages/download_window.h"
#include "desktop/pages/full_backups_window.h"
#include "desktop/pages/monitor_page.h"
#include "desktop/pages/optimize_page.h"
#include "desktop/pages/pack_page.h"
#include "desktop/pages/repair_windows.h"
#include "desktop/pages/restore_page.h"
#include "desktop/pages/results_page.h"
#include "desktop/pages/settings_page.h"
#include "desktop/pages/vista_tweaks_page.h"
#include "desktop/program_tray.h"
#include "desktop/scan_page.h"
#include "desktop/startup.h"
#include "desktop/window_poster.h"
#include "desktop/window_thread_poster.h"
#include "engine/backup/full_backup.h"
#include "engine/backup/machine_control.h"
#include "engine/backup/registry_pack.h"
#include "engine/backup/repair_restore_point.h"
#include "engine/core/commands.h"
#include "engine/settings/automatic_startup.h"
#include "engine/settings/settings_store.h"
#include "engine/update/update_check.h"
#include "ui/html_view.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm {

class MainWindow : public ui::Window, public MonitorState, private DesktopShell {
 public:
  static constexpr char kClassName[] = "TForm1";
  static constexpr char kTitle[] = "Hivemend";
  static constexpr int kWidth = 800;  // client, 96-dpi units
  // 560 for the pages, and the room the results page's detail band takes.
  static constexpr int kHeight = 560 + ResultsPage::kDetailBandRoom;
  static constexpr int kBandHeight = 64;

  // Hot key ids.
  static constexpr int kQuitHotKey = 1;
  static constexpr int kHelpHotKey = 2;

  // How help is shown; the real one calls HtmlHelpA (tests answer instead).
  using HelpViewer = std::function<bool(const std::string& location)>;

  MainWindow();
  ~MainWindow() override;

  // The System Restore the repair's restore points go through (the
  // platform's unless replaced before Create).
  void SetSystemRestore(std::unique_ptr<SystemRestore> platform) {
    systemRestore_ = std::move(platform);
  }
  // The start-up entry the settings page keeps (the user's start-up shortcut
  // unless replaced before Create).
  void SetStartupEntry(std::unique_ptr<StartupEntry> entry) { startupEntry_ = std::move(entry); }

  // The machine the backup and the pack change (the platform's unless
  // replaced before Create), and the folder their hive files go to (the
  // system folder's "Hivemend" unless set before Create).
  void SetMachineControl(std::unique_ptr<MachineControl> machine) { machine_ = std::move(machine); }
  void SetBackupRoot(std::string root) { backupRoot_ = std::move(root); }

  // Creates the window and its pages, hidden, keeping its
  // settings, snapshots and lists in `dataFolder` (the environment's data
  // folder when empty). False when the platform refuses.
  [[nodiscard]] bool Create(const StartWords& words, const std::string& dataFolder = {});
  // The window is shown for the first time.
  void Shown();
  // How to show the window first: the saved state (maximised, minimised) when
  // one was restored, else `requested`.
  int FirstShowCommand(int requested) const;

  void HandleCommand(Command command, LPARAM value) { controller_->HandleCommand(command, value); }
  void TurnPage(Page page) override;
  Page CurrentPage() const { return navigator_.Current(); }
  void ShowHelp();
  // The help menu under the band's "Help" link: help, updates, web site, about.
  void ShowHelpMenu();
  void ShowAbout();
  // That menu as a new pop-up menu the caller destroys.
  HMENU CreateHelpMenu() const;
  void SetHelpViewer(HelpViewer viewer) { helpViewer_ = std::move(viewer); }
  // Runs at Command::kStarted, when start-up is complete (the splash goes then).
  std::function<void()> onStarted;
  // The settings page's shown tab, 0 to 3.
  int SettingsTab() const { return settings_ ? static_cast<int>(settings_->Tab()) : 0; }

  LeftMenu& Menu() { return menu_; }
  ScanPage& Scan() { return scanPage_; }
  ui::HtmlView& FrontView() { return front_; }
  GuiScanSession& Session() { return *session_; }
  ResultsPage& Results() { return *results_; }
  ReportPage& Report() { return report_; }
  RestorePage& Restore() { return *restore_; }
  SettingsPage& Settings() { return *settings_; }
  MonitorPage& Monitor() { return *monitor_; }
  // The icon in the notification area that stands in for the hidden window.
  ProgramTray& Tray() { return tray_; }
  ProgressWindow& Progress() { return progress_; }
  OptimizePage& Optimize() { return *optimize_; }
  VistaTweaksPage& VistaPage() { return *vista_; }
  PackPage& Pack() { return packPage_; }
  // The full backup; the settings page's "&Backup Registry" button starts it
  // with StartFromSettingsPage and shows it running through SetView.
  FullBackup& Backup() { return *backup_; }
  RegistryPack& PackOperation() { return *pack_; }
  // Called with the full backups window once it is shown, before its modal
  // loop (the tour and tests use it); empty: nothing is called.
  std::function<void(FullBackupsWindow&)> onFullBackupsShown;
  DownloadWindow& Download() { return download_; }
  UpdateChecks& Updates() { return updates_; }
  // Starts an update check in `mode` against the settings' server.
  void StartUpdateCheck(CheckMode mode) override;
  bool HotKeysRegistered() const { return hotKeys_ == 2; }
  // The front page's template last rendered (410 or 411).
  int FrontTemplate() const { return frontTemplate_; }
  // What the front page showed when it was last rendered.
  const FrontPageFacts& FrontFacts() const { return frontFacts_; }
  // A scan, repair, backup, pack or optimize runs (also while a stopped scan
  // unwinds).
  bool Busy() const { return controller_ && controller_->Busy(); }
  // Whether the help menu offers "Check for Updates": once start-up is
  // complete, not while a long operation runs, and not against a policy.
  bool UpdateCheckOffered() const { return controller_ && controller_->UpdateCheckOffered(); }
  DesktopController& Controller() { return *controller_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  // MonitorState: the monitor page's (SetMonitoring below serves both bases).
  bool Active() const override { return monitor_ && monitor_->Monitor().Active(); }
  // DesktopShell: what the controller asks of the window and its pages.
  void ResetView(bool showFront) override;
  void EnableMenu(bool on) override { menu_.EnableRows(on); }
  void RepaintMenu() override { InvalidateRect(menu_.Hwnd(), nullptr, FALSE); }
  void RenderFrontPage() override;
  void ShowWaitCursor(bool on) override;
  void HideToTray() override { tray_.HideWindow(); }
  void StoreWindowState(ProgramSettings& settings) override;
  void DestroyWindow() override { ::DestroyWindow(Hwnd()); }
  void Started() override {
    if (onStarted) onStarted();
  }
  bool OperationRunning() const override { return session_ && session_->Driver().Busy(); }
  void SetOperationRunning(bool on) override { session_->Driver().SetBusy(on); }
  void RunScan() override { session_->RunScan(); }
  void StopScan() override { session_->Stop(); }
  void RunRepair() override;
  uint32_t TakeSettingsFailure() override { return session_->TakeSettingsFailure(); }
  bool ResultsSeen() const override { return results_->ShownOnce(); }
  void ShowRepairReport() override;
  int ResultCount() const override { return session_->Results().TotalCount(); }
  void ClearResults() override { session_->Results().ClearTotal(); }
  void RunOptimize() override { optimize_->OnOptimizeClick(); }
  void RunPack() override { pack_->Pack(); }
  void RunFullBackup() override { backup_->RunOnGuiThread(); }
  void BackupFinished(int result) override { backup_->WorkerFinished(result); }
  void ApplyVistaTweaks() override { vista_->Apply(); }
  void SetMonitoring(bool on) override {
    if (monitor_) monitor_->Monitor().SetMonitoring(on);
  }
  bool TellUpdateResult(int result) override;

  // The top band's own parts as screen readers read them: the version and
  // the "Help" link.
  class BandParts;
  ui::AccessibleModel* Accessibility() override;

  RECT PageArea() const;
  void LayOut();
  void Paint();
  void PaintBand(HDC dc, const RECT& band);
  bool CreateSettingsPage();
  void ShowSummaryAfterScan();
  RepairReportFacts ReportFacts();
  void MakeBackup();
  bool CreateBackupAndPack();
  void ShowFullBackups();
  BackupEnvironment BackupSettings() const;
  RegistryChecker RegistryCheckerHere() const;
  RECT HelpLinkRect() const;
  bool FilterMessage(MSG& message);
  void PostCommand(Command command, intptr_t value = 0) {
    controller_->PostCommand(command, value);
  }
  ui::Window* PageWindow(Page page);
  void FocusPage(ui::Window& page);
  // Keeps the control that has the keyboard as the window loses it (to a
  // dialog), and gives it back when the window has the focus again.
  void KeepFocus();
  void GiveFocusBack();

  std::string SettingsPath() const { return dataFolder_ + "\\hvmend.ini"; }

  // First: the pages' workers post through it while they end.
  WindowThreadPoster windowThread_;
  StartWords words_;
  std::string dataFolder_;
  std::optional<RestoredPlacement::State> restoredState_;
  int hotKeys_ = 0;
  int frontTemplate_ = 0;
  FrontPageFacts frontFacts_;
  Navigator navigator_;
  GuiDialogs dialogs_;
  std::unique_ptr<SettingsStore> settingsStore_;
  std::unique_ptr<DesktopController> controller_;
  LeftMenu menu_;
  ScanPage scanPage_;
  ui::HtmlView front_;
  ReportPage report_;
  ProgressWindow progress_;
  DownloadWindow download_;
  UpdateChecks updates_;
  HCURSOR cursorBeforeWait_ = nullptr;
  HWND keptFocus_ = nullptr;
  std::unique_ptr<SystemRestore> systemRestore_;
  std::unique_ptr<RepairRestorePoint> restorePoint_;
  std::unique_ptr<GuiScanSession> session_;
  std::unique_ptr<ResultsPage> results_;
  std::unique_ptr<RestorePage> restore_;
  std::unique_ptr<OptimizePage> optimize_;
  std::unique_ptr<VistaTweaksPage> vista_;
  std::unique_ptr<StartupEntry> startupEntry_;
  std::unique_ptr<SettingsPage> settings_;
  WindowCommandPoster poster_;
  // The settings page as the full backup's view of a running backup.
  struct SettingsBackupView : BackupView {
    void SetBackupRunning(bool running) override {
      page->ShowBackupRunning(running);
      page->EnableBackup(!running);
    }
    SettingsPage* page = nullptr;
  } settingsBackupView_;
  std::unique_ptr<MachineControl> machine_;
  std::string backupRoot_;
  std::unique_ptr<FullBackup> backup_;
  std::unique_ptr<RegistryPack> pack_;
  PackPage packPage_;
  // Before the monitor page: the monitor's last stop still hides the icon.
  ProgramTray tray_;
  std::unique_ptr<MonitorPage> monitor_;
  HelpViewer helpViewer_;
  std::unique_ptr<BandParts> bandParts_;
  ui::Picture band_, scaledBand_;
  ui::ScopedFont titleFont_, versionFont_;
  ui::ScopedIcon largeIcon_, smallIcon_;
};

}  // namespace hvm
