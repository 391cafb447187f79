// The test thread as the monitor's GUI thread: it runs the workers' GUI steps
// while it waits for a state, and a view that records what the monitor told.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/scoped_handle.h"
#include "engine/core/window_thread.h"
#include "engine/monitor/key_watch_thread.h"
#include "engine/monitor/registry_monitor.h"

namespace hvm::test {

// Generous: a loaded machine with five builds running must never fail a test.
inline constexpr DWORD kPatienceMs = 60000;

// Runs the window-thread steps until `done` holds; false when it did not within
// `patienceMs`.
inline bool RunStepsUntil(WindowThreadQueue& steps, const std::function<bool()>& done,
                          DWORD patienceMs = kPatienceMs) {
  const ULONGLONG deadline = GetTickCount64() + patienceMs;
  for (;;) {
    steps.RunPending();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    WaitForSingleObject(steps.ReadyEvent(), DWORD(deadline - now));
  }
}

// Waits until a step is queued, without running it; false when none came.
inline bool StepQueued(WindowThreadQueue& steps, DWORD patienceMs = kPatienceMs) {
  return WaitForSingleObject(steps.ReadyEvent(), patienceMs) == WAIT_OBJECT_0;
}

// The threads of a monitor's workers, each held open by a handle of its own.
// A process-wide thread count would also move with the platform's own
// threads (pool workers start and retire at will); a held handle answers for
// exactly one thread and keeps its id from passing to a new one.
class WorkerThreads {
 public:
  explicit WorkerThreads(const RegistryMonitor& monitor) {
    for (int i = 0; i < kWatchPointCount; ++i) {
      const KeyWatchThread* worker = monitor.Slot(i);
      if (!worker) continue;
      ++workers_;
      if (HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, worker->ThreadId()))
        threads_.emplace_back(thread);
    }
  }
  // Workers in the monitor's slots when taken; each should have a thread.
  int Workers() const { return workers_; }
  int Opened() const { return int(threads_.size()); }
  int Running() const {
    int running = 0;
    for (const ScopedKernelHandle& thread : threads_)
      running += WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT;
    return running;
  }

 private:
  int workers_ = 0;
  std::vector<ScopedKernelHandle> threads_;
};

class RecordingView : public MonitorView {
 public:
  void ShowPage() override { ++pagesShown; }
  void UpdateCounters() override { ++counterUpdates; }
  void AddChanges(const std::vector<std::string>& lines) override {
    batches.push_back(lines);
    for (const std::string& line : lines) this->lines.push_back(line);
  }
  void ShowTrayIcon(bool monitoring) override { tray.push_back(monitoring); }
  void PumpMessages() override {}

  int pagesShown = 0;
  int counterUpdates = 0;
  std::vector<std::vector<std::string>> batches;
  std::vector<std::string> lines;
  std::vector<bool> tray;
};

}  // namespace hvm::test
