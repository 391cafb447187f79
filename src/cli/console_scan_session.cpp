#include "cli/console_scan_session.h"

#include "cli/console_environment.h"
#include "engine/core/environment.h"

namespace hvm {

ConsoleScanSession::ConsoleScanSession(const ScanOptions& options, bool dryRun, bool restorePoint)
    : view_(options.quiet ? nullptr : stderr, ProgramClock(),
            ConsoleScanView::StyleForStandardError()),
      dialogs_(options.quiet ? nullptr : stderr) {
  RefuseSectionsSwitchedOffByPolicy(options);
  ScanSessionSetup setup;
  setup.dataFolder = options.dataDir.empty() ? Environment().dataFolder : options.dataDir;
  setup.sections = options.sections;
  // A scan that only looks, and a repair that only shows what it would do,
  // write no statistics either.
  setup.keepStatistics = !options.readOnly && !dryRun;
  setup.readOnly = options.readOnly || options.recheck;
  setup.dryRun = dryRun;
  setup.makeRestorePoint = restorePoint;
  if (!dryRun && !options.readOnly && !EnsureFolder(setup.dataFolder))
    throw std::runtime_error("cannot create the data folder " + setup.dataFolder);
  const EnvironmentValues& environment = Environment();
  systemRestore_ = std::make_unique<PlatformSystemRestore>(environment.systemFolder);
  RepairRestorePoint::Hooks restoreHooks;
  restoreHooks.wanted = [restorePoint] { return restorePoint; };
  restoreHooks.administrator = [] { return Environment().IsAdministrator; };
  restorePoint_ = std::make_unique<RepairRestorePoint>(*systemRestore_, dialogs_, restoreHooks);
  session_ =
      std::make_unique<ScanSession>(setup, environment,
                                    ScanSessionFrontEnd{view_, dialogs_, monitor_, *restorePoint_,
                                                        progress_, report_, SystemTicks()});
  view_.Attach(&session_->Driver());
  ConsoleScanView::CatchInterrupts();
}

ConsoleScanSession::~ConsoleScanSession() = default;

std::optional<RestorePointOutcome> ConsoleScanSession::RestorePoint() const {
  return restorePoint_->Last();
}

}  // namespace hvm
