// The repair: every checked problem of the results store is written to the
// day's undo snapshot and then deleted; entries marked to ignore go to the
// ignore file; missing shell folders are created with an undo line in the
// batch file beside the snapshot.
//
// An item is deleted only after its export text is on the disk, so killing the
// process at any moment leaves every deleted key and value in the snapshot.
// The checked items go in batches: their exports are appended, flushed once,
// and then they are deleted.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/registry.h"
#include "engine/core/results_store.h"
#include "engine/results/batch_footprint.h"
#include "engine/results/export_text.h"
#include "engine/results/repair_hooks.h"
#include "engine/results/snapshot_file.h"
#include "engine/results/snapshot_note.h"

namespace hvm {

class DialogService;
class SuppressionLists;

// What the repair takes from the environment of the running program.
struct RepairInputs {
  std::string dataFolder;
  ExportDialect dialect = kSnapshotDialect;  // of the snapshot text
  std::string snapshotName;                  // "Undo" + yyyymmdd
  bool isAdministrator = true;
  bool quiet = false;             // a start-mode action runs: no report, no files written at end
  bool makeRestorePoint = false;  // the BackupBeforeScan setting
  bool dryRun = false;            // export text only; nothing written or deleted
  int itemsPerFlush = 256;        // the most items whose exports one flush puts on the disk
  // How long a repair waits for another repair or restore of the data folder
  // to end before it gives up; the desktop's window cannot wait.
  uint32_t folderWaitMs = 0;
  // When set, asked at each repair for the name of the day (a program that
  // runs past midnight learns the new day's name when its window is shown).
  std::function<std::string()> snapshotNameNow;
};

struct RepairServices {
  ResultsStore& results;
  SuppressionLists& suppression;
  DialogService& dialogs;
  RestorePointMaker& restorePoint;
  RepairProgress& progress;
  RepairReport& report;
  TickSource& ticks;
  // Where the undo text goes; null: the day's snapshot file in the data folder.
  SnapshotSink* snapshot = nullptr;
};

// An item the repair left in place, with the Win32 status of the call that
// failed (ERROR_SUCCESS where the repair itself chose to leave it) and why.
struct RemovalFailure {
  std::string entry;
  long status = 0;
  std::string reason;
};

class Repairer {
 public:
  Repairer(RepairInputs inputs, const RepairServices& services);
  ~Repairer();

  // The repair button: warnings, restore point, the loop, the report.
  RepairSummary RunRepair();
  // The loop over the 24 section lists; returns the repaired count.
  int RepairChecked();
  // Repairs the item of one checked entry: its key and value name as the
  // store keeps them, never as read back out of its display line.
  void RepairOne(const ProblemEntry& entry);
  // Creates the missing folder a shell-folder entry shows as its data.
  void RecreateFolder(const ProblemEntry& entry);
  void AddRemovalLine(const std::string& folderPath);

  // Exports and deletes one value at once; true when it was deleted.
  bool ExportValue(HKEY root, const std::string& keyPath, bool check, bool withHeader,
                   const std::string& valueName);
  // Exports and deletes a key with its sub-tree at once; true when the key is
  // gone (in a dry run: would be).
  bool ExportKeyTree(HKEY root, const std::string& keyPath, bool check);
  // Writes the failed deletions to the cannot-remove file, and lets go of
  // the snapshot file (a walk of the scan ends).
  void WriteCantRemove();
  // Lets go of the snapshot file, which stays open from the first export on
  // so that it is looked at once; a repair lets go when it ends.
  void CloseSnapshot();
  // The store was emptied for a new scan.
  void ResetWorkTexts();
  // What the blocks written from now on are noted as removed by (a section
  // of the repair, or of a scan removing values at once); no section: no note.
  void SetSnapshotNote(const SnapshotNote& note) { note_ = note; }
  // The day's snapshot name ("Undo" + yyyymmdd) as the program now knows it;
  // the snapshot open under an earlier name is let go. Not during a repair.
  void SetSnapshotName(const std::string& name);

  int Repaired() const { return repaired_; }
  int SnapshotFailures() const { return snapshotFailures_; }
  const std::string& CantRemoveText() const { return cantRemoveText_; }
  // Every item left in place since the repairer was made.
  const std::vector<RemovalFailure>& Failures() const { return failures_; }
  // In a dry run, the export text of everything that would have been removed.
  const std::string& DryRunText() const { return dryRunText_; }
  std::string SnapshotPath() const;
  // "Undo" + yyyymmdd + ".reg".
  std::string SnapshotFileName() const { return inputs_.snapshotName + ".reg"; }
  std::string BatchPath() const;

 private:
  struct KeyPlan;
  struct PendingDeletion;
  // Exports a checked item into the batch (a value item names its value).
  void QueueDeletion(HKEY root, const std::string& keyPath, const std::string* valueName);
  // Flushes the batch's exports and deletes its items.
  void CommitBatch();
  void DiscardBatch();
  // Adds the value's export to `text`; false when the value stays.
  bool PlanValue(HKEY root, const std::string& keyPath, bool check, bool withHeader,
                 const std::string& valueName, std::string& text);
  bool DeleteValue(HKEY root, const std::string& keyPath, const std::string& valueName);
  // Exports the key tree into `text` as far as it can be put back; false
  // (with the reason recorded) when the key stays whole and nothing is planned.
  [[nodiscard]] bool PlanKey(HKEY root, const std::string& path, bool check, KeyPlan& plan,
                             std::string& text);
  [[nodiscard]] bool DeletePlanned(HKEY root, const KeyPlan& plan);
  // Records why a planned key stays, when something below it must.
  void NoteIfStays(HKEY root, const KeyPlan& plan);
  void NoteStaysAfterDeletion(const std::string& keyText);
  // A value's key would not open: gone, or not ours to open.
  void NoteKeyNotOpened(const std::string& entry);
  // `text` with the note's comment line before it.
  std::string Noted(const std::string& text) const;
  // Puts `text` into the snapshot (or the dry-run text); false when it is not on disk.
  bool SaveUndo(const std::string& text);
  SnapshotSink& Snapshot();
  // Records an item left in place; registry items also go to the cannot-remove file.
  void NoteCantRemove(const std::string& entry, long status, const std::string& reason);
  void NoteFailure(const std::string& entry, long status, const std::string& reason);

  RepairInputs inputs_;
  RepairServices services_;
  RegistrySession registry_;
  std::string cantRemoveText_;
  std::string dryRunText_;
  std::vector<RemovalFailure> failures_;
  std::unique_ptr<SnapshotWriter> ownSnapshot_;
  std::vector<PendingDeletion> batch_;
  BatchFootprint footprint_;
  size_t batchBytes_ = 0;
  int repaired_ = 0;
  int delayMs_ = 0;
  int snapshotFailures_ = 0;
  SnapshotNote note_;
};

}  // namespace hvm
