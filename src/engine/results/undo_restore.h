// Snapshots read back: the snapshot files of the data folder, their entries
// as the snapshot browser lists them, and the restore of chosen entries.
#pragma once

#include <string>
#include <vector>

#include "engine/results/export_text.h"

namespace hvm {

class SuppressionFilter;

// Writes one value of a snapshot back into the registry. The key is created
// when missing; with an empty name part that alone is the restore. False when
// the key cannot be opened or created. Throws ExportFormatError for data text
// that describes no value, RegistryError when the write fails.
bool ApplyExportValue(const std::string& keyText, const std::string& namePart,
                      const std::string& dataText, bool wideText);

// "Undo*.reg" file names of `dataFolder`, sorted by name (oldest day first).
std::vector<std::string> ListSnapshotFiles(const std::string& dataFolder);

// Entries of one snapshot: the folders of its batch file (quoted paths), then
// its values and whole keys in file order, without the suppressed ones.
std::vector<std::string> ListSnapshotContents(const std::string& dataFolder,
                                              const std::string& fileName,
                                              SuppressionFilter* filter);

// One snapshot read once, for restoring any number of its entries.
class SnapshotRestorer {
 public:
  SnapshotRestorer(const std::string& dataFolder, const std::string& fileName);

  // Restores one listed entry: a value (every export of it, the last one
  // winning), a whole key (recreated empty), or a created folder (removed when
  // empty). False when nothing could be restored; throws as ApplyExportValue.
  bool Restore(const std::string& entry) const;

 private:
  explicit SnapshotRestorer(const std::string& text);

  SnapshotValueIndex values_;
  bool wideText_;
};

// A restorer for one entry.
bool RestoreEntry(const std::string& dataFolder, const std::string& fileName,
                  const std::string& entry);

}  // namespace hvm
