#include "engine/settings/automatic_startup.h"

namespace hvm {

std::string StartWordFor(int32_t autoAction) {
  switch (autoAction) {
    case kAutoScanAndRepair: return "bootup";
    case kAutoMonitor: return "monitor";
    default: return {};
  }
}

uint32_t MatchStartupEntry(StartupEntry& entry, int32_t autoAction) {
  const std::string word = StartWordFor(autoAction);
  if (!word.empty()) return entry.Make(word);
  return entry.Exists() ? entry.Remove() : 0;
}

}  // namespace hvm
