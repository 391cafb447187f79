// The engine's scan session as the desktop program runs it: one results store
// for the life of the main window (the results page and the repair read it
// after the scan), the settings file's section switches read again at every
// scan, statistics kept, and the day's snapshot name asked again at each scan
// and repair, since the window may stay open past midnight.
#pragma once

#include <string>

#include "engine/results/scan_session.h"

namespace hvm {

class GuiScanSession : public ScanSession {
 public:
  // `progress` and `report` are the repair's windows; they outlive the session.
  GuiScanSession(const std::string& dataFolder, ScanView& view, DialogService& dialogs,
                 MonitorState& monitor, RepairProgress& progress, RepairReport& report,
                 RestorePointMaker& restorePoint, Hooks hooks);
};

}  // namespace hvm
