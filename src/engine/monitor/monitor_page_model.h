// What the monitor page shows and decides, without a window: the rows
// captured since the program started, the two counter texts, whether the
// start button may be pressed, and when the user is told how many events the
// monitor has captured.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/core/dialog_service.h"
#include "engine/monitor/change_line.h"

namespace hvm {

inline constexpr char kMonitorNotificationTitle[] = "Monitor Notification";

class MonitorPageModel {
 public:
  struct Hooks {
    // A row was added; the list shows it and the counters change.
    std::function<void(const ChangeLineFields& row)> rowAdded;
    // Whether the main window is minimised or hidden in the notification
    // area, and bringing the program back.
    std::function<bool()> minimised;
    std::function<void()> restoreProgram;
    // Lets pending window messages run.
    std::function<void()> pumpMessages;
    // The MonitorPrompt setting as it stands now. Read each time a
    // notification moves the next one on, so that a value saved meanwhile
    // counts from there; without it, the value of the last ResetPrompt.
    std::function<int()> monitorPrompt;
  };
  MonitorPageModel(DialogService& dialogs, Hooks hooks)
      : dialogs_(dialogs), hooks_(std::move(hooks)) {}

  // One worker's batch: a row per line that is not empty, then the
  // notification when the row count has reached NextPrompt. While one
  // notification is open, later batches only add their rows.
  void AddChanges(const std::vector<std::string>& lines);

  // The MonitorPrompt setting was (re)loaded: the next notification comes at
  // that many rows, and every that many rows after it unless the setting
  // changes meanwhile (a negative setting counts as 0: every batch).
  void ResetPrompt(int monitorPrompt);
  int NextPrompt() const { return nextPrompt_; }
  bool NotificationOpen() const { return notificationOpen_; }

  const std::vector<ChangeLineFields>& Rows() const { return rows_; }
  // "Monitoring: 12 changes".
  std::string MonitorText() const;
  // "1 Active Watch Point", "0 Active Watch Points", "32 Active Watch Points".
  static std::string ActiveText(int activeCount);
  // The start button may be pressed once every worker of the last run ended.
  static bool StartEnabled(int activeCount) { return activeCount == 0; }

  // The rows as a CSV file at `path`; false (the file left as the platform
  // left it) when it cannot be written.
  [[nodiscard]] bool SaveList(const std::string& path) const;

 private:
  DialogService& dialogs_;
  Hooks hooks_;
  std::vector<ChangeLineFields> rows_;
  int monitorPrompt_ = 300;
  int nextPrompt_ = 300;
  bool notificationOpen_ = false;
};

}  // namespace hvm
