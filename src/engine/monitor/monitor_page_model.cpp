#include "engine/monitor/monitor_page_model.h"

#include <windows.h>

#include <algorithm>

#include "engine/core/scoped_handle.h"
#include "engine/monitor/change_csv.h"

namespace hvm {

void MonitorPageModel::ResetPrompt(int monitorPrompt) {
  monitorPrompt_ = monitorPrompt < 0 ? 0 : monitorPrompt;
  nextPrompt_ = monitorPrompt_;
}

std::string MonitorPageModel::MonitorText() const {
  return "Monitoring: " + std::to_string(rows_.size()) + " changes";
}

std::string MonitorPageModel::ActiveText(int activeCount) {
  if (activeCount == 1) return "1 Active Watch Point";
  return std::to_string(activeCount) + " Active Watch Points";
}

void MonitorPageModel::AddChanges(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    rows_.push_back(ReadChangeLine(line));
    if (hooks_.rowAdded) hooks_.rowAdded(rows_.back());
  }
  // One notification at a time: the next threshold is set before the
  // dialog shows, and batches that arrive while it is open (its modal loop
  // runs them) only add their rows.
  if (int(rows_.size()) >= nextPrompt_ && !notificationOpen_) {
    if (hooks_.minimised && hooks_.minimised() && hooks_.restoreProgram) hooks_.restoreProgram();
    if (hooks_.monitorPrompt) monitorPrompt_ = std::max(0, hooks_.monitorPrompt());
    nextPrompt_ += monitorPrompt_;
    notificationOpen_ = true;
    struct Closed {
      bool& open;
      ~Closed() { open = false; }
    } closed{notificationOpen_};
    dialogs_.MessageDialog("The Monitor has captured " + std::to_string(rows_.size()) + " events.",
                           kMonitorNotificationTitle, dialog::kWarningNotice);
  }
  if (hooks_.pumpMessages) hooks_.pumpMessages();
}

bool MonitorPageModel::SaveList(const std::string& path) const {
  const std::string text = ChangeRowsCsv(rows_);
  ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.Get(), text.data(), DWORD(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace hvm
