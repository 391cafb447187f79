// Questions put to a console user who is not there to answer: each is shown on
// stderr with the answer taken, which is the cautious one (OK for a notice,
// otherwise Cancel, No or Cancel).
#pragma once

#include <cstdio>

#include "engine/core/dialog_service.h"
#include "engine/core/monitor_state.h"

namespace hvm {

class ConsoleDialogService : public DialogService {
 public:
  explicit ConsoleDialogService(FILE* out) : out_(out) {}
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override;

 private:
  FILE* out_;
};

// The console front end runs no registry monitor.
class NoMonitor : public MonitorState {
 public:
  bool Active() const override { return false; }
  void SetMonitoring(bool) override {}
};

}  // namespace hvm
