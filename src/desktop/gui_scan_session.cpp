#include "desktop/gui_scan_session.h"

#include "engine/core/environment.h"

namespace hvm {
namespace {

ScanSessionSetup DesktopSetup(const std::string& dataFolder) {
  ScanSessionSetup setup;
  setup.dataFolder = dataFolder;
  // Whether a restore point is wanted is read from the settings at each
  // repair, by the restore-point step itself.
  setup.makeRestorePoint = true;
  setup.snapshotNameNow = [] { return Environment().SnapshotName; };
  return setup;
}

}  // namespace

GuiScanSession::GuiScanSession(const std::string& dataFolder, ScanView& view,
                               DialogService& dialogs, MonitorState& monitor,
                               RepairProgress& progress, RepairReport& report,
                               RestorePointMaker& restorePoint, Hooks hooks)
    : ScanSession(DesktopSetup(dataFolder), Environment(),
                  {view, dialogs, monitor, restorePoint, progress, report, SystemTicks()},
                  std::move(hooks)) {}

}  // namespace hvm
