// The registry monitor: switching it on starts one worker for each watch
// point that exists; switching it off asks them all to end. It keeps the
// counters the monitor page shows (on or off, the number of armed workers not
// yet ended) and tells the page through MonitorView. Everything here runs on
// the window thread; the workers reach it only through steps posted there.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/monitor_state.h"
#include "engine/core/window_thread.h"
#include "engine/monitor/watch_points.h"

namespace hvm {

class KeyWatchThread;

// What the monitor tells its page; every call comes on the GUI thread.
class MonitorView {
 public:
  virtual ~MonitorView() = default;
  // Shows the page in its on or off form.
  virtual void ShowPage() = 0;
  // The counters (or the start button's state) may have changed.
  virtual void UpdateCounters() = 0;
  // One worker's batch of change lines; read during the call, kept nowhere.
  virtual void AddChanges(const std::vector<std::string>& lines) = 0;
  // The notification-area icon: the monitoring image and shown, or the idle
  // image and hidden.
  virtual void ShowTrayIcon(bool monitoring) = 0;
  // Lets pending window messages run.
  virtual void PumpMessages() = 0;
};

class RegistryMonitor : public MonitorState {
 public:
  RegistryMonitor(WindowThreadQueue& windowThread, MonitorView& view);
  // Ends every worker, running their window-thread steps meanwhile, without telling
  // the view anything more.
  ~RegistryMonitor() override;
  RegistryMonitor(const RegistryMonitor&) = delete;
  RegistryMonitor& operator=(const RegistryMonitor&) = delete;

  bool Active() const override { return active_; }
  // Switching on while on starts nothing more; switching off asks every
  // worker to end and waits for none.
  void SetMonitoring(bool on) override;

  // Armed workers not yet ended.
  int ActiveCount() const { return activeCount_; }
  // Worker objects not yet joined (a thread may have ended already).
  int WorkerCount() const { return int(workers_.size()); }
  // The worker watching point `index`, or null.
  const KeyWatchThread* Slot(int index) const { return slots_[size_t(index)]; }
  // Whether root\path opens for reading and notification.
  static bool KeyExists(HKEY root, const std::string& path);

  // The program closes: monitoring off, every worker asked to end, and the
  // view hears nothing more. Waits for none, so that it may run while a step
  // (a notification shown inside a delivery) is still on the stack.
  void StopForExit();
  // StopForExit, then waits until every worker has ended, running their
  // window-thread steps meanwhile. Not from inside a step.
  void Shutdown();
  // Joins the workers whose Finished step has run.
  void ReapEnded();

  // The workers' window-thread steps.
  // Arm found its key: counts the worker when monitoring is on; returns the
  // number its event is named with.
  int WorkerArmed(bool& counted);
  void DeliverChanges(const std::vector<std::string>& lines);
  void WorkerFinished(KeyWatchThread& worker);

 private:
  void StartWorkers();

  WindowThreadQueue& windowThread_;
  MonitorView* view_;
  bool active_ = false;
  int activeCount_ = 0;
  std::array<KeyWatchThread*, kWatchPointCount> slots_{};
  std::vector<std::unique_ptr<KeyWatchThread>> workers_;
};

}  // namespace hvm
