#include "engine/results/restore_choice.h"

#include <windows.h>

#include <algorithm>
#include <exception>

#include "engine/core/scoped_handle.h"
#include "engine/core/text_case.h"
#include "engine/results/data_folder_lock.h"

namespace hvm {
namespace {

constexpr unsigned long long kWeek = 7ULL * 24 * 60 * 60 * 10000000ULL;

unsigned long long Ticks(const FILETIME& time) {
  return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

RestoreOutcome RestoreEntries(const SnapshotRestorer& restorer,
                              const std::vector<std::string>& entries) {
  RestoreOutcome outcome;
  // The window cannot wait for a repair of another program to end.
  DataFolderLock folder(restorer.DataFolder());
  if (!folder.Acquire(0)) {
    outcome.chosen = int(entries.size());
    if (!entries.empty()) outcome.firstFailure = entries.front();
    outcome.reason = folder.BusyText();
    return outcome;
  }
  for (const std::string& entry : entries) {
    ++outcome.chosen;
    std::string reason;
    bool restored = false;
    try {
      restored = restorer.Restore(entry);
      if (!restored) reason = "the key could not be opened or created";
    } catch (const std::exception& error) {
      reason = error.what();
    }
    if (restored) {
      ++outcome.restored;
    } else if (outcome.firstFailure.empty()) {
      outcome.firstFailure = entry;
      outcome.reason = reason;
    }
  }
  return outcome;
}

std::string RestoreMessage(const RestoreOutcome& outcome) {
  if (outcome.restored == outcome.chosen) return "Selected Keys Restored";
  return "Restored " + std::to_string(outcome.restored) + " of " + std::to_string(outcome.chosen) +
         " selected entries. The first that could not be " + "restored: " + outcome.firstFailure +
         " (" + outcome.reason + ")";
}

std::vector<std::string> PruneAndListSnapshots(const std::string& dataFolder, bool deleteOld,
                                               const std::string& todayName,
                                               unsigned long long now) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  ScopedFind find(FindFirstFileA((dataFolder + "\\undo*.reg").c_str(), &found));
  if (!find) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = found.cFileName;
    const std::string path = dataFolder + "\\" + name;
    const bool old = deleteOld && Ticks(found.ftLastWriteTime) + kWeek < now;
    const bool empty = found.nFileSizeLow == 0 && found.nFileSizeHigh == 0 &&
                       !EqualsNoCase(name, todayName + ".reg");
    if (old || empty) {
      DeleteFileA(path.c_str());
      continue;
    }
    names.push_back(name);
  } while (FindNextFileA(find.Get(), &found));
  std::sort(names.begin(), names.end(), SnapshotFileBefore);
  return names;
}

}  // namespace hvm
