#include "desktop/startup.h"

#include <algorithm>
#include <cctype>

#include "engine/core/version_compare.h"
#include "engine/settings/next_due.h"
#include "engine/settings/window_placement.h"

namespace hvm {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

struct InstanceSearch {
  const char* className;
  const char* title;
  HWND other = nullptr;
};

BOOL CALLBACK CountInstance(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<InstanceSearch*>(data);
  char name[256] = {};
  char text[256] = {};
  GetClassNameA(window, name, sizeof(name));
  GetWindowTextA(window, text, sizeof(text));
  if (std::string(name) != search->className || std::string(text) != search->title) return TRUE;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) search->other = window;
  return TRUE;
}

}  // namespace

StartWords ParseStartWords(const std::vector<std::string>& words) {
  StartWords start;
  if (words.empty()) return start;
  start.first = words[0];
  const std::string first = Lower(words[0]);
  if (first == "bootup")
    start.mode = StartMode::kBootup;
  else if (first == "schedule")
    start.mode = StartMode::kSchedule;
  else if (first == "monitor")
    start.mode = StartMode::kMonitor;
  else if (first == "startscan")
    start.mode = StartMode::kStartScan;
  start.silent = words.size() > 1 && Lower(words[1]) == "silent";
  return start;
}

int ScanIntervalDays(int autoFreq) {
  switch (autoFreq) {
    case 1: return 7;
    case 2: return 14;
    case 3: return 30;
    default: return 1;
  }
}

bool ScheduledScanDue(ProgramSettings& settings, const CivilDate& today) {
  if (settings.AutoAction != 1) return false;
  if (!IsDue(settings, DueKind::scan, today)) return false;
  if (settings.AutoFreq < 0 || settings.AutoFreq > 3) settings.AutoFreq = 0;
  SetNextDue(settings, DueKind::scan, ScanIntervalDays(settings.AutoFreq), today);
  return true;
}

HWND FindRunningInstance(const char* className, const char* title) {
  InstanceSearch search{className, title};
  EnumWindows(&CountInstance, reinterpret_cast<LPARAM>(&search));
  // Start-up asks before this process has a main window, so any such window
  // of another process is a running instance.
  return search.other;
}

void ActivateInstance(HWND window) {
  HWND popup = GetLastActivePopup(window);
  BringWindowToTop(window);
  if (IsIconic(popup))
    ShowWindow(popup, SW_RESTORE);
  else
    SetForegroundWindow(popup);
}

std::optional<RestoredPlacement> PlacementFromText(const std::string& text, int width, int height) {
  if (text.empty()) return std::nullopt;
  int32_t numbers[11] = {};
  size_t position = 0;
  for (int32_t& number : numbers) number = static_cast<int32_t>(NextNumber(text, position, ','));
  RestoredPlacement restored;
  WINDOWPLACEMENT& p = restored.placement;
  p.length = sizeof(WINDOWPLACEMENT);
  p.flags = static_cast<UINT>(numbers[1]);
  p.showCmd = 0;
  p.ptMinPosition = {numbers[3], numbers[4]};
  p.ptMaxPosition = {numbers[5], numbers[6]};
  p.rcNormalPosition = {numbers[7], numbers[8], numbers[9], numbers[10]};
  RECT& normal = p.rcNormalPosition;
  if (normal.right - normal.left < width) normal.right = normal.left + width;
  if (normal.bottom - normal.top < height) normal.bottom = normal.top + height;
  switch (numbers[2]) {
    case 2:
    case 6:
    case 7: restored.state = RestoredPlacement::State::kMinimised; break;
    case 3: restored.state = RestoredPlacement::State::kMaximised; break;
    default: restored.state = RestoredPlacement::State::kNone; break;
  }
  return restored;
}

std::optional<RestoredPlacement::State> RestorePlacement(HWND window, const std::string& text,
                                                         int width, int height) {
  const std::optional<RestoredPlacement> restored = PlacementFromText(text, width, height);
  if (!restored) return std::nullopt;
  SetWindowPlacement(window, &restored->placement);
  return restored->state;
}

std::string PlacementText(HWND window) {
  WINDOWPLACEMENT p{};
  p.length = sizeof(p);
  GetWindowPlacement(window, &p);
  return FormatPlacement({static_cast<int32_t>(p.length), static_cast<int32_t>(p.flags),
                          static_cast<int32_t>(p.showCmd), p.ptMinPosition.x, p.ptMinPosition.y,
                          p.ptMaxPosition.x, p.ptMaxPosition.y, p.rcNormalPosition.left,
                          p.rcNormalPosition.top, p.rcNormalPosition.right,
                          p.rcNormalPosition.bottom});
}

}  // namespace hvm
