// How the desktop program starts: the start words of its command line, the
// log-on scan decision, finding a running instance, and the saved window
// placement. Start-up runs these before the main window exists.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/settings/due_dates.h"
#include "engine/settings/program_settings.h"

namespace hvm {

enum class StartMode { kNormal, kBootup, kSchedule, kMonitor, kStartScan };

struct StartWords {
  std::string first;  // as typed
  StartMode mode = StartMode::kNormal;
  bool silent = false;
  // "schedule", "bootup" and "monitor" run an action of their own.
  bool IsStartMode() const {
    return mode == StartMode::kBootup || mode == StartMode::kSchedule ||
           mode == StartMode::kMonitor;
  }
};

// The first word picks the mode (compared without regard to case), the second
// may be "silent"; anything else opens normally.
StartWords ParseStartWords(const std::vector<std::string>& words);

// Whether a log-on start is to scan: only with AutoAction 1 ("Scan and
// Repair") and when the scan is due on `today`. When it is, an AutoFreq
// outside 0..3 becomes 0 and the next due date is stored 1, 7, 14 or 30 days
// ahead in `settings` (the caller saves them).
bool ScheduledScanDue(ProgramSettings& settings, const CivilDate& today);
int ScanIntervalDays(int autoFreq);

// A top-level window of class `className` titled `title` that belongs to
// another process (the last one found), or null.
HWND FindRunningInstance(const char* className, const char* title);
// Brings `window` (its last active pop-up) forward, restored when minimised.
void ActivateInstance(HWND window);

// What RestorePlacement applies: the saved numbers (missing ones read as 0),
// the normal rectangle widened to at least `width` x `height`, the show
// command 0 (the window is shown later).
struct RestoredPlacement {
  WINDOWPLACEMENT placement{};
  enum class State { kNone, kMinimised, kMaximised } state = State::kNone;
};
std::optional<RestoredPlacement> PlacementFromText(const std::string& text, int width, int height);
// Applies the saved placement to `window`; the state to show it in, or
// nothing for an empty text.
std::optional<RestoredPlacement::State> RestorePlacement(HWND window, const std::string& text,
                                                         int width, int height);
// The window's placement as the settings keep it.
std::string PlacementText(HWND window);

}  // namespace hvm
