// Restoring the entries a user checked on the restore page, and how the
// outcome is told: "Selected Keys Restored" only when every one came back.
#pragma once

#include <string>
#include <vector>

#include "engine/results/undo_restore.h"

namespace hvm {

struct RestoreOutcome {
  int chosen = 0;
  int restored = 0;
  std::string firstFailure;  // the first entry that did not come back
  std::string reason;        // and why
};

// Restores `entries` in order; an entry that cannot be restored is noted and
// the rest still go on. Nothing is restored while another repair or restore
// holds the data folder: every entry then fails with that reason.
RestoreOutcome RestoreEntries(const SnapshotRestorer& restorer,
                              const std::vector<std::string>& entries);

// The message the page shows afterwards.
std::string RestoreMessage(const RestoreOutcome& outcome);

// Snapshot files of `dataFolder` to offer, oldest first; when `deleteOld`,
// files last written more than a week before `now` (a FILETIME as 100 ns
// units) are deleted; empty files other than today's (`todayName` + ".reg")
// are deleted too. Batch files are left alone.
std::vector<std::string> PruneAndListSnapshots(const std::string& dataFolder, bool deleteOld,
                                               const std::string& todayName,
                                               unsigned long long now);

}  // namespace hvm
