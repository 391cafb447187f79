#include "engine/results/scan_session.h"

#include "engine/core/environment.h"
#include "engine/results/repair_value_remover.h"

namespace hvm {
namespace {

constexpr char kSettingsFile[] = "\\hvmend.ini";

}  // namespace

class ScanSession::Observer : public ResultsObserver {
 public:
  explicit Observer(ScanSession& session) : session_(session) {}
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
  ScanSession& session_;
};

// The sections the caller chose, or the settings file's switches as the file
// is at the start of each scan.
class ScanSession::SessionSwitches : public SectionSwitches {
 public:
  SessionSwitches(std::string settingsPath, std::optional<std::set<int>> chosen)
      : path_(std::move(settingsPath)), chosen_(std::move(chosen)) {
    Reload();
  }
  void Reload() {
    if (!chosen_) file_ = std::make_unique<SettingsSectionSwitches>(path_);
  }
  bool Enabled(int section) const override {
    return chosen_ ? chosen_->count(section) > 0 : file_->Enabled(section);
  }

 private:
  std::string path_;
  std::optional<std::set<int>> chosen_;
  std::unique_ptr<SettingsSectionSwitches> file_;
};

ScanSession::ScanSession(const ScanSessionSetup& setup, const EnvironmentValues& environment,
                         const ScanSessionFrontEnd& frontEnd, Hooks hooks)
    : hooks_(std::move(hooks)),
      switches_(
          std::make_unique<SessionSwitches>(setup.dataFolder + kSettingsFile, setup.sections)),
      stamps_(setup.dataFolder + kSettingsFile, setup.clock ? *setup.clock : ProgramClock()),
      suppression_(setup.dataFolder),
      observer_(std::make_unique<Observer>(*this)),
      results_(&suppression_, setup.keepStatistics ? &stamps_ : nullptr, observer_.get()) {
  inputs_.dataFolder = setup.dataFolder;
  inputs_.snapshotName = environment.SnapshotName;
  inputs_.snapshotNameNow = setup.snapshotNameNow;
  inputs_.isAdministrator = environment.IsAdministrator;
  inputs_.dryRun = setup.dryRun;
  inputs_.makeRestorePoint = setup.makeRestorePoint;
  repairer_ = std::make_unique<Repairer>(
      inputs_, RepairServices{results_, suppression_, frontEnd.dialogs, frontEnd.restorePoint,
                              frontEnd.progress, frontEnd.report, frontEnd.ticks});
  remover_ = std::make_unique<RepairValueRemover>(*repairer_);
  groups_ = std::make_unique<RegistryScanGroups>(
      ClassScanEnvironment{environment.windowsFolder, environment.WindowsVersionCode},
      FileScanEnvironment{environment.systemFolder, environment.windowsFolder, false,
                          setup.readOnly},
      *remover_);
  driver_ = std::make_unique<ScanDriver>(ScanServices{results_, frontEnd.view, *groups_, *switches_,
                                                      frontEnd.dialogs, frontEnd.monitor});
}

ScanSession::~ScanSession() = default;

void ScanSession::RunScan() {
  if (driver_->Busy()) return;
  // The scan's own removals go to the snapshot of the day the program last
  // named, as the repair's do.
  if (inputs_.snapshotNameNow) repairer_->SetSnapshotName(inputs_.snapshotNameNow());
  switches_->Reload();
  suppression_.Reload();
  driver_->RunScan();
}

const SectionSwitches& ScanSession::Switches() const {
  return *switches_;
}

void ScanSession::Stop() {
  driver_->ScanComplete(ScanEnd::StopButton);
}

void ScanSession::Tick() {
  driver_->OnStatusTick();
}

}  // namespace hvm
