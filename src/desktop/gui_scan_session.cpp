#include "desktop/gui_scan_session.h"

#include <windows.h>

#include "engine/core/environment.h"
#include "engine/results/repair_value_remover.h"

namespace hvm {

class GuiScanSession::Observer : public ResultsObserver {
 public:
  explicit Observer(GuiScanSession& session) : session_(session) {}
  void SetCautionVisible(bool visible) override {
    if (session_.hooks_.cautionVisible) session_.hooks_.cautionVisible(visible);
  }
  void ResultsReset() override {
    if (session_.repairer_) session_.repairer_->ResetWorkTexts();
  }
  void TotalsRecorded() override {
    if (session_.hooks_.totalsRecorded) session_.hooks_.totalsRecorded();
  }

 private:
  GuiScanSession& session_;
};

// Settings are never cached across operations: every scan reads its switches
// from the file as it is then.
class GuiScanSession::LiveSwitches : public SectionSwitches {
 public:
  explicit LiveSwitches(std::string path) : path_(std::move(path)) { Reload(); }
  void Reload() { current_ = std::make_unique<SettingsSectionSwitches>(path_); }
  bool Enabled(int section) const override { return current_->Enabled(section); }

 private:
  std::string path_;
  std::unique_ptr<SettingsSectionSwitches> current_;
};

class GuiScanSession::SystemTicks : public TickSource {
 public:
  uint32_t Ticks() override { return GetTickCount(); }
  void SleepOne() override { Sleep(1); }
};

GuiScanSession::GuiScanSession(const std::string& dataFolder, ScanView& view,
                               DialogService& dialogs, MonitorState& monitor,
                               RepairProgress& progress, RepairReport& report,
                               RestorePointMaker& restorePoint, Hooks hooks)
    : dataFolder_(dataFolder),
      settingsPath_(dataFolder + "\\hvmend.ini"),
      hooks_(std::move(hooks)),
      switches_(std::make_unique<LiveSwitches>(settingsPath_)),
      stamps_(settingsPath_),
      suppression_(dataFolder),
      observer_(std::make_unique<Observer>(*this)),
      results_(&suppression_, &stamps_, observer_.get()),
      ticks_(std::make_unique<SystemTicks>()) {
  const EnvironmentValues& environment = Environment();
  inputs_.dataFolder = dataFolder_;
  inputs_.snapshotName = environment.SnapshotName;
  inputs_.snapshotNameNow = [] { return Environment().SnapshotName; };
  inputs_.isAdministrator = environment.IsAdministrator;
  // Whether a restore point is wanted is read from the settings at each
  // repair, by the restore-point step itself.
  inputs_.makeRestorePoint = true;
  repairer_ = std::make_unique<Repairer>(
      inputs_,
      RepairServices{results_, suppression_, dialogs, restorePoint, progress, report, *ticks_});
  remover_ = std::make_unique<RepairValueRemover>(*repairer_);
  groups_ = std::make_unique<RegistryScanGroups>(
      ClassScanEnvironment{environment.windowsFolder, environment.WindowsVersionCode},
      FileScanEnvironment{environment.systemFolder, environment.windowsFolder, false}, *remover_);
  driver_ = std::make_unique<ScanDriver>(
      ScanServices{results_, view, *groups_, *switches_, dialogs, monitor});
}

GuiScanSession::~GuiScanSession() = default;

void GuiScanSession::RunScan() {
  if (driver_->Busy()) return;
  // The scan's own removals go to the snapshot of the day the window last
  // named, as the repair's do.
  repairer_->SetSnapshotName(inputs_.snapshotNameNow());
  switches_->Reload();
  suppression_.Reload();
  driver_->RunScan();
}

const SectionSwitches& GuiScanSession::Switches() const {
  return *switches_;
}

void GuiScanSession::Stop() {
  driver_->ScanComplete(ScanEnd::StopButton);
}

void GuiScanSession::Tick() {
  driver_->OnStatusTick();
}

}  // namespace hvm
