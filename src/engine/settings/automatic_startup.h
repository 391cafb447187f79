// The automatic start-up action of the settings ("AutoAction") and the one
// start-up entry of the current user that carries it out: the program started
// at log-on with "bootup" for "Scan and Repair" or "monitor" for "Monitor".
#pragma once

#include <cstdint>
#include <string>

namespace hvm {

inline constexpr int32_t kAutoDisabled = 0;
inline constexpr int32_t kAutoScanAndRepair = 1;
inline constexpr int32_t kAutoMonitor = 2;

// The start word of an action's entry: "bootup", "monitor", or empty for
// "Disabled" and any number outside 0..2.
std::string StartWordFor(int32_t autoAction);

// One start-up entry that starts the program with a start word. Statuses are
// 0 on success, else the platform's (a Win32 error or an HRESULT).
class StartupEntry {
 public:
  virtual ~StartupEntry() = default;
  virtual bool Exists() = 0;
  // Creates the entry with `startWord`, replacing one that is there.
  [[nodiscard]] virtual uint32_t Make(const std::string& startWord) = 0;
  // Deletes the entry; 0 as well when there was none.
  [[nodiscard]] virtual uint32_t Remove() = 0;
};

// Makes the entry carry out `autoAction`: made or replaced for the two
// actions, removed for any other number. Nothing else is touched.
[[nodiscard]] uint32_t MatchStartupEntry(StartupEntry& entry, int32_t autoAction);

}  // namespace hvm
