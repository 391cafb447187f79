#include "engine/monitor/registry_monitor.h"

#include <vector>

#include "engine/core/registry_paths.h"
#include "engine/monitor/key_watch_thread.h"
#include "engine/monitor/monitor_reader.h"

namespace hvm {

RegistryMonitor::RegistryMonitor(WindowThreadQueue& windowThread, MonitorView& view)
    : windowThread_(windowThread), view_(&view) {}

RegistryMonitor::~RegistryMonitor() {
  Shutdown();
}

bool RegistryMonitor::KeyExists(HKEY root, const std::string& path) {
  ScopedKey key;
  return OpenMonitoredKey(root, path, kMonitorAccess, key) == ERROR_SUCCESS;
}

void RegistryMonitor::SetMonitoring(bool on) {
  const bool wasActive = active_;
  active_ = on;
  if (view_) {
    view_->ShowPage();
    view_->PumpMessages();
  }
  if (!on) {
    if (view_) view_->ShowTrayIcon(false);
    for (const auto& worker : workers_) worker->Terminate();
    return;
  }
  // A second start while on would watch every key twice.
  if (wasActive) return;
  StartWorkers();
  if (view_) view_->ShowTrayIcon(true);
}

void RegistryMonitor::StartWorkers() {
  ReapEnded();
  activeCount_ = 0;
  for (int i = 0; i < kWatchPointCount; ++i) {
    slots_[size_t(i)] = nullptr;
    std::string path(WatchPoints()[size_t(i)]);
    const HKEY root = SplitLongRoot(path);
    if (!path.empty() && path.front() == '\\') path.erase(0, 1);
    if (!root || !KeyExists(root, path)) continue;
    auto worker = std::make_unique<KeyWatchThread>(root, path, i, *this, windowThread_);
    if (!worker->Start()) continue;
    slots_[size_t(i)] = worker.get();
    workers_.push_back(std::move(worker));
  }
}

int RegistryMonitor::WorkerArmed(bool& counted) {
  counted = active_;
  if (active_) {
    ++activeCount_;
    if (view_) view_->UpdateCounters();
  }
  return activeCount_;
}

void RegistryMonitor::DeliverChanges(const std::vector<std::string>& lines) {
  if (view_) view_->AddChanges(lines);
}

void RegistryMonitor::WorkerFinished(KeyWatchThread& worker) {
  // Only its own slot: a worker of an earlier run must not clear the slot a
  // newer worker took.
  KeyWatchThread*& slot = slots_[size_t(worker.SlotIndex())];
  if (slot == &worker) slot = nullptr;
  if (worker.Counted() && !active_ && activeCount_ > 0) {
    --activeCount_;
    if (view_) view_->UpdateCounters();
  }
}

void RegistryMonitor::ReapEnded() {
  std::erase_if(workers_, [](const std::unique_ptr<KeyWatchThread>& worker) {
    if (!worker->HasFinished()) return false;
    worker->Join();
    return true;
  });
}

void RegistryMonitor::StopForExit() {
  view_ = nullptr;
  active_ = false;
  for (const auto& worker : workers_) worker->Terminate();
}

void RegistryMonitor::Shutdown() {
  StopForExit();
  while (!workers_.empty()) {
    windowThread_.RunPending();
    ReapEnded();
    if (workers_.empty()) break;
    if (windowThread_.Closed()) {
      // The window is gone: the workers' steps are dropped, so none waits
      // on this thread and each can simply be joined.
      for (const auto& worker : workers_) worker->Join();
      workers_.clear();
      break;
    }
    // Every worker still running will queue its Finished step.
    WaitForSingleObject(windowThread_.ReadyEvent(), 1000);
  }
  slots_.fill(nullptr);
  activeCount_ = 0;
}

}  // namespace hvm
