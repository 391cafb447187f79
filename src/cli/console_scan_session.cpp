#include "cli/console_scan_session.h"

#include <windows.h>

#include "cli/console_environment.h"
#include "engine/core/environment.h"
#include "engine/results/repair_value_remover.h"

namespace hvm {
namespace {

constexpr char kSettingsFile[] = "\\hvmend.ini";

std::unique_ptr<SectionSwitches> SwitchesFor(const ScanOptions& options,
                                             const std::string& dataFolder) {
  if (options.sections) return std::make_unique<ChosenSectionSwitches>(*options.sections);
  return std::make_unique<SettingsSectionSwitches>(dataFolder + kSettingsFile);
}

}  // namespace

uint32_t ConsoleScanSession::SystemTicks::Ticks() {
  return GetTickCount();
}
void ConsoleScanSession::SystemTicks::SleepOne() {
  Sleep(1);
}

ConsoleScanSession::ConsoleScanSession(const ScanOptions& options, bool dryRun, bool restorePoint)
    : dataFolder_(options.dataDir.empty() ? Environment().dataFolder : options.dataDir),
      switches_(SwitchesFor(options, dataFolder_)),
      stamps_(dataFolder_ + kSettingsFile),
      suppression_(dataFolder_),
      // A scan that only looks, and a repair that only shows what it would
      // do, write no statistics either.
      results_(&suppression_, (options.readOnly || dryRun) ? nullptr : &stamps_, &observer_),
      view_(options.quiet ? nullptr : stderr, clock_, ConsoleScanView::StyleForStandardError()),
      dialogs_(options.quiet ? nullptr : stderr) {
  if (!dryRun && !options.readOnly && !EnsureFolder(dataFolder_))
    throw std::runtime_error("cannot create the data folder " + dataFolder_);
  const EnvironmentValues& environment = Environment();
  inputs_.dataFolder = dataFolder_;
  inputs_.snapshotName = environment.SnapshotName;
  inputs_.isAdministrator = environment.IsAdministrator;
  inputs_.dryRun = dryRun;
  inputs_.makeRestorePoint = restorePoint;
  systemRestore_ = std::make_unique<PlatformSystemRestore>(environment.systemFolder);
  RepairRestorePoint::Hooks restoreHooks;
  restoreHooks.wanted = [restorePoint] { return restorePoint; };
  restoreHooks.administrator = [] { return Environment().IsAdministrator; };
  restorePoint_ = std::make_unique<RepairRestorePoint>(*systemRestore_, dialogs_, restoreHooks);
  repairer_ = std::make_unique<Repairer>(
      inputs_,
      RepairServices{results_, suppression_, dialogs_, *restorePoint_, progress_, report_, ticks_});
  observer_.repairer = repairer_.get();
  remover_ = std::make_unique<RepairValueRemover>(*repairer_);
  groups_ = std::make_unique<RegistryScanGroups>(
      ClassScanEnvironment{environment.windowsFolder, environment.WindowsVersionCode},
      FileScanEnvironment{environment.systemFolder, environment.windowsFolder, false,
                          options.readOnly},
      *remover_);
  driver_ = std::make_unique<ScanDriver>(
      ScanServices{results_, view_, *groups_, *switches_, dialogs_, monitor_});
  view_.Attach(driver_.get());
  ConsoleScanView::CatchInterrupts();
}

ConsoleScanSession::~ConsoleScanSession() = default;

std::optional<RestorePointOutcome> ConsoleScanSession::RestorePoint() const {
  return restorePoint_->Last();
}

}  // namespace hvm
