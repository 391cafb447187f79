// The test thread as the monitor's GUI thread: it runs the workers' GUI steps
// while it waits for a state, and a view that records what the monitor told.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <functional>
#include <string>
#include <vector>

#include "monitor/gui_steps.h"
#include "monitor/registry_monitor.h"

namespace hvm::test {

// Generous: a loaded machine with five builds running must never fail a test.
inline constexpr DWORD kPatienceMs = 60000;

// Runs the GUI steps until `done` holds; false when it did not within
// `patienceMs`.
inline bool RunStepsUntil(GuiSteps& steps, const std::function<bool()>& done,
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
inline bool StepQueued(GuiSteps& steps, DWORD patienceMs = kPatienceMs) {
  return WaitForSingleObject(steps.ReadyEvent(), patienceMs) == WAIT_OBJECT_0;
}

inline int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{sizeof(entry)};
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
  return count;
}

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
