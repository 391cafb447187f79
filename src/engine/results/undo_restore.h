// Snapshots read back: the snapshot files of the data folder, their entries
// as the snapshot browser lists them, and the restore of chosen entries.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/core/civil_date.h"
#include "engine/results/export_text.h"
#include "engine/results/snapshot_note.h"

namespace hvm {

class SuppressionFilter;

// Writes one value of a snapshot back into the registry. The key is created
// when missing; with an empty name part that alone is the restore. False when
// the key cannot be opened or created. Throws ExportFormatError for data text
// that describes no value, RegistryError when the write fails. The data text
// is read as the snapshot's form says; text a single-byte file holds in the
// system's code page is carried into the program's text.
bool ApplyExportValue(const std::string& keyText, const std::string& namePart,
                      const std::string& dataText, const SnapshotTextForm& form);

// "Undo*.reg" file names of `dataFolder`, oldest day first, and the files of
// one day in the order they were started ("Undo20261209.reg", then "-2", "-3"
// ... "-10"). Whether each holds a snapshot is for its reader to say.
std::vector<std::string> ListSnapshotFiles(const std::string& dataFolder);
// That order: true when snapshot file `a` comes before `b`.
bool SnapshotFileBefore(const std::string& a, const std::string& b);

// Entries of one snapshot: the folders of its batch file (quoted paths), then
// its values and whole keys in file order, without the suppressed ones. A
// single-byte snapshot (or batch file) of an earlier version is read in the
// system's code page, line by line where it is not UTF-8 (TextOfOldFile); a
// UTF-16 one through the active code page.
std::vector<std::string> ListSnapshotContents(const std::string& dataFolder,
                                              const std::string& fileName,
                                              SuppressionFilter* filter);

// An entry as listed, with what the snapshot says removed it.
struct ListedSnapshotEntry {
  std::string text;     // as ListSnapshotContents lists it
  SnapshotNote note;    // the repair's note before its block; a folder's is section 1's
  bool folder = false;  // a folder the repair created, not an item it removed
};
// The entries of ListSnapshotContents, each with its note.
std::vector<ListedSnapshotEntry> ListSnapshotEntriesNoted(const std::string& dataFolder,
                                                          const std::string& fileName,
                                                          SuppressionFilter* filter);

// The day a snapshot file was written on, read from its name
// ("Undo20261209.reg", "Undo20261209-2.reg"); nothing for any other name.
std::optional<CivilDate> SnapshotDateOf(const std::string& fileName);

// One snapshot read once, for restoring any number of its entries.
class SnapshotRestorer {
 public:
  SnapshotRestorer(const std::string& dataFolder, const std::string& fileName);

  // Whether the file is a snapshot at all; nothing is restored from one that is not.
  bool IsSnapshot() const { return isSnapshot_; }
  const std::string& DataFolder() const { return dataFolder_; }

  // Restores one listed entry: a value (every export of it, the last one
  // winning), a whole key (recreated empty), or a created folder (removed when
  // empty). False when nothing could be restored; throws as ApplyExportValue,
  // and ExportFormatError with the reason for an entry the snapshot's reader
  // refused.
  bool Restore(const std::string& entry) const;

 private:
  struct FromText {};
  SnapshotRestorer(FromText, std::string dataFolder, const std::string& text);

  std::string dataFolder_;
  bool isSnapshot_;
  SnapshotValueIndex values_;
  SnapshotTextForm form_;
};

// A restorer for one entry.
bool RestoreEntry(const std::string& dataFolder, const std::string& fileName,
                  const std::string& entry);

}  // namespace hvm
