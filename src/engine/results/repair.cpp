#include "engine/results/repair.h"

#include <exception>

#include <algorithm>
#include <cctype>

#include "engine/core/dialog_service.h"
#include "engine/core/problem_line.h"
#include "engine/core/registry_paths.h"
#include "engine/core/text_case.h"
#include "engine/core/text_encoding.h"
#include "engine/results/data_folder_lock.h"
#include "engine/results/protected_keys.h"
#include "engine/results/snapshot_file.h"
#include "engine/results/suppression.h"
#include "engine/results/text_file.h"

namespace hvm {
namespace {

constexpr char kUnwritableName[] = "its name cannot be written to the snapshot and read back";

// The entry as the report, the cannot-remove file and the console show it: a
// name's line break or NUL would split or cut the line that names it.
std::string PrintableEntry(std::string_view entry) {
  std::string text;
  for (char c : entry) {
    if (c == '\r')
      text += "\\r";
    else if (c == '\n')
      text += "\\n";
    else if (c == '\0')
      text += "\\0";
    else
      text += c;
  }
  return text;
}

struct ValueRead {
  std::optional<RegRawValue> value;
  long status = ERROR_SUCCESS;
  std::string reason;
};

// The value of the open key as the snapshot can carry it back, or why not:
// as the registry stores it for a dialect that carries that (every value
// then comes back byte for byte), else as the active code page reads it.
ValueRead ReadExportable(RegistrySession& registry, const std::string& name,
                         const ExportDialect& dialect) {
  if (!ValueNameWritable(name)) return {std::nullopt, ERROR_INVALID_NAME, kUnwritableName};
  try {
    std::optional<RegRawValue> value =
        dialect.utf16 ? registry.ReadStoredValue(name) : registry.ReadTypedValue(name);
    if (!value) return {std::nullopt, registry.LastError(), "the value is gone"};
    return {std::move(value), ERROR_SUCCESS, ""};
  } catch (const RegistryError& error) {
    return {std::nullopt, error.status(), "it cannot be read so that it would come back the same"};
  }
}

// One class registration whose Office7 value the value loop leaves alone, and
// its machine-wide twin whose key itself must stay.
constexpr char kOfficeClsid[] = "\\CLSID\\{DA1E5A8E-1A89-11D2-95C9-00A0C90DCA5B}";
constexpr char kMachineOfficeClsid[] =
    "\\SOFTWARE\\CLASSES\\CLSID\\{DA1E5A8E-1A89-11D2-95C9-00A0C90DCA5B}";
constexpr char kOffice7[] = "Office7";

// A batch also ends once this much export text waits unflushed, however few
// its items: large key trees are not held back behind one flush.
constexpr size_t kBatchBytes = size_t(1) << 20;

constexpr char kSuppressed[] = "it is protected, ignored or known not to be removable";

constexpr char kNoAdminText[] =
    "You do not appear to have admin privileges. Hivemend may be unable to repair some items";
constexpr char kNoSnapshotText[] =
    "The undo snapshot could not be written, so some items were left in place.";

// The root of a problem line's key text; the text is left as the key path.
HKEY SplitRootOf(std::string& keyText) {
  if (StartsWithNoCase(keyText, "HKEY_")) return SplitLongRoot(keyText);
  if (StartsWithNoCase(keyText, "HK")) return SplitShortRoot(keyText);
  return nullptr;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder and its missing parents; the status of the folder's own
// creation (ERROR_ALREADY_EXISTS when something made it meanwhile).
DWORD CreateFolderTree(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  return CreateDirectoryA(path.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
}

// A root itself, or a hive the system loads under HKLM or HKU. No scan reports
// one; a whole-key line naming one (a hand-made problem list) would otherwise
// empty a hive of the system, which is no repair.
bool NamesARootOrHive(HKEY root, const std::string& path) {
  const size_t start = path.find_first_not_of('\\');
  if (start == std::string::npos) return true;
  if (root != HKEY_LOCAL_MACHINE && root != HKEY_USERS) return false;
  const size_t end = path.find_last_not_of('\\');
  const size_t inner = path.find('\\', start);
  return inner == std::string::npos || inner > end;
}

}  // namespace

// What an export of a key tree found, in the order it will be deleted:
// values, then sub-keys, then the key itself.
struct Repairer::KeyPlan {
  std::string path;
  std::vector<std::string> values;
  std::vector<KeyPlan> subKeys;
  bool complete = true;  // false: something below could not be exported, so the key stays
  bool keepKey = false;
  int valuesLeftToKey = 0;  // exported, and deleted with the key rather than one by one

  bool DeletesAnything() const {
    if (!values.empty() || (complete && !keepKey)) return true;
    for (const KeyPlan& child : subKeys)
      if (child.DeletesAnything()) return true;
    return false;
  }
};

// An item waiting in the batch: its export is appended to the snapshot, not
// yet flushed; nothing of it is deleted.
struct Repairer::PendingDeletion {
  HKEY root = nullptr;
  std::string keyPath;
  std::string valueName;          // of a value item
  std::unique_ptr<KeyPlan> plan;  // of a key item
};

Repairer::Repairer(RepairInputs inputs, const RepairServices& services)
    : inputs_(std::move(inputs)), services_(services) {}

Repairer::~Repairer() = default;

std::string Repairer::SnapshotPath() const {
  return inputs_.dataFolder + "\\" + inputs_.snapshotName + ".reg";
}

std::string Repairer::BatchPath() const {
  return inputs_.dataFolder + "\\" + inputs_.snapshotName + ".bat";
}

void Repairer::SetSnapshotName(const std::string& name) {
  if (name == inputs_.snapshotName) return;
  CloseSnapshot();
  inputs_.snapshotName = name;
}

void Repairer::ResetWorkTexts() {
  cantRemoveText_.clear();
}

RepairSummary Repairer::RunRepair() {
  ResultsStore& results = services_.results;
  DataFolderLock folder(inputs_.dataFolder);
  if (!inputs_.dryRun && !folder.Acquire(inputs_.folderWaitMs)) {
    services_.dialogs.MessageDialog(folder.BusyText(), "Warning", dialog::kWarningNotice);
    return RepairSummary{.folderBusy = true};
  }
  if (inputs_.snapshotNameNow) SetSnapshotName(inputs_.snapshotNameNow());
  results.SetSkippedCountForReports(results.SkippedCount());
  if (!inputs_.isAdministrator) services_.dialogs.MessageDialog(kNoAdminText, "Warning", 0);
  const bool restorePoint = inputs_.makeRestorePoint && !inputs_.dryRun;
  if (restorePoint) services_.restorePoint.MakeRestorePoint();

  const int checked = results.CheckedCount();
  // The repairer outlives a repair (it also serves the scan's removals): only
  // the failures of this repair are this repair's to report.
  const int failuresBefore = snapshotFailures_;
  RepairSummary summary;
  summary.found = results.TotalCount();
  // A repair that fails halfway still ends its restore point, records what
  // could not be removed and reports what it did, before the error is told.
  std::exception_ptr failure;
  try {
    RepairChecked();
  } catch (...) {
    failure = std::current_exception();
  }
  if (restorePoint) services_.restorePoint.EndRestorePoint();
  summary.repaired = repaired_;
  summary.skipped = results.SkippedCountForReports();
  summary.ignored = services_.suppression.CountIgnoreLines();
  summary.notRemoved = checked - repaired_;
  summary.snapshotFailures = snapshotFailures_ - failuresBefore;
  if (summary.snapshotFailures > 0 && !failure)
    services_.dialogs.MessageDialog(kNoSnapshotText, "Warning", dialog::kWarningNotice);
  if (!inputs_.quiet && !inputs_.dryRun) {
    WriteCantRemove();
    services_.report.Fill(summary);
    results.ClearTotal();
  }
  if (failure) std::rethrow_exception(failure);
  return summary;
}

int Repairer::RepairChecked() {
  repaired_ = 0;
  const int checked = services_.results.CheckedCount();
  delayMs_ = checked > 0 ? services_.progress.Start(checked) : 0;
  try {
    for (int section = 1; section <= kSectionCount; ++section) {
      note_ = {section, false};
      for (const ProblemEntry& entry : services_.results.Section(section)) {
        if (entry.IgnoreMarked()) {
          if (!inputs_.dryRun) services_.suppression.AddToIgnoreFile(entry.line);
        } else if (entry.Checked()) {
          if (section == 1)
            RecreateFolder(entry);
          else
            RepairOne(entry);
        }
      }
    }
  } catch (...) {
    note_ = {};
    // The items exported before the error are finished as they would have
    // been without it; the error itself is what the caller is told.
    try {
      CommitBatch();
    } catch (...) {
      DiscardBatch();
    }
    services_.progress.Finish();
    CloseSnapshot();
    throw;
  }
  note_ = {};
  CommitBatch();
  if (services_.results.TotalsRecordedFlag() && repaired_ > 0 && !inputs_.dryRun)
    services_.results.RecordTotals(repaired_);
  services_.progress.Finish();
  CloseSnapshot();
  return repaired_;
}

void Repairer::RepairOne(const ProblemEntry& entry) {
  std::string keyPath = entry.keyText;
  const bool wholeKey = entry.WholeKey();
  const std::string* valueName = wholeKey ? nullptr : &entry.valueName;
  // A NUL ends the text every registry call is given, so such an item would
  // name another key or value than the one reported.
  const bool hasNul = keyPath.find('\0') != std::string::npos ||
                      (valueName && valueName->find('\0') != std::string::npos);
  const std::string entryText = wholeKey ? keyPath : keyPath + "\\\\:" + entry.valueName;
  HKEY root = hasNul ? nullptr : SplitRootOf(keyPath);
  if (hasNul) {
    NoteCantRemove(entryText, ERROR_INVALID_NAME, "it names an item with a NUL character");
  } else if (!root) {
    NoteCantRemove(entryText, ERROR_INVALID_NAME, "it names no root key");
  } else if (services_.suppression.IsSuppressed(RootToRootSt(root) + keyPath,
                                                valueName ? *valueName : "", wholeKey)) {
    // Ignored or found unremovable since the scan listed it.
    NoteCantRemove(entryText, ERROR_SUCCESS, kSuppressed);
  } else if (inputs_.dryRun) {
    const bool deleted = wholeKey ? ExportKeyTree(root, keyPath, true)
                                  : ExportValue(root, keyPath, true, true, *valueName);
    if (deleted) ++repaired_;
  } else {
    QueueDeletion(root, wholeKey ? RemoveSlash(keyPath) : keyPath, valueName);
  }
  // A slow repair shows each item go: its batch is the item alone.
  if (delayMs_ > 5) CommitBatch();
  services_.progress.Advance();
  services_.progress.PumpMessages();
  if (delayMs_ > 5) RepairDelay(uint32_t(delayMs_), services_.ticks, services_.progress);
}

void Repairer::QueueDeletion(HKEY root, const std::string& keyPath, const std::string* valueName) {
  const std::string keyText = RootToRootSt(root) + keyPath;
  // An item is exported as the registry stands once the items it overlaps
  // are gone, as if the items were repaired one by one.
  if (footprint_.FitOf(keyText, valueName) != BatchFootprint::Fit::kFree) CommitBatch();
  PendingDeletion item;
  item.root = root;
  item.keyPath = keyPath;
  std::string text;
  if (valueName) {
    item.valueName = *valueName;
    if (!PlanValue(root, keyPath, true, true, *valueName, text)) return;
  } else {
    item.plan = std::make_unique<KeyPlan>();
    if (!PlanKey(root, keyPath, true, *item.plan, text)) return;
    NoteIfStays(root, *item.plan);
    // Undo lines only for what goes: a key that stays whole is no entry of
    // the snapshot.
    if (!item.plan->DeletesAnything()) return;
  }
  if (!Snapshot().Append(Noted(text))) {
    ++snapshotFailures_;
    return;
  }
  footprint_.Add(keyText, valueName);
  batch_.push_back(std::move(item));
  batchBytes_ += text.size();
  if (batch_.size() >= size_t(std::max(1, inputs_.itemsPerFlush)) || batchBytes_ >= kBatchBytes)
    CommitBatch();
}

// Write-ahead for the batch: one flush puts every export of it on the disk,
// and only then are its items deleted.
void Repairer::CommitBatch() {
  if (batch_.empty()) return;
  std::vector<PendingDeletion> batch = std::exchange(batch_, {});
  footprint_.Clear();
  batchBytes_ = 0;
  if (!Snapshot().Flush()) {
    snapshotFailures_ += int(batch.size());
    return;
  }
  for (const PendingDeletion& item : batch) {
    // A key counts as repaired only once it is gone (or, by its special rule,
    // emptied); part of its content going is no repair.
    const bool repaired = item.plan ? DeletePlanned(item.root, *item.plan)
                                    : DeleteValue(item.root, item.keyPath, item.valueName);
    if (repaired)
      ++repaired_;
    else if (item.plan && item.plan->complete)
      NoteStaysAfterDeletion(RootToRootSt(item.root) + item.keyPath);
  }
  services_.progress.PumpMessages();
}

void Repairer::DiscardBatch() {
  batch_.clear();
  footprint_.Clear();
  batchBytes_ = 0;
}

void Repairer::RecreateFolder(const ProblemEntry& entry) {
  // A dry run changes nothing, but counts the folder as the repair would.
  if (inputs_.dryRun) {
    ++repaired_;
    return;
  }
  // The folder is the data shown after the value's own name, which may hold " = ".
  const std::string shown = entry.keyText + "\\\\:" + entry.valueName + " = ";
  const bool named =
      entry.line.size() >= shown.size() && EqualsNoCase(entry.line.substr(0, shown.size()), shown);
  const std::string folder =
      named ? RemoveSlash(entry.line.substr(shown.size()))
            : RemoveSlash(SplitValuePart(SplitProblemLine(entry.line).valuePart).data);
  if (folder.empty()) return;
  const DWORD status = CreateFolderTree(folder);
  if (!IsFolder(folder)) {
    NoteFailure(folder, long(status), "folder could not be created");
    return;
  }
  // Only a folder this repair made may be removed again by its undo.
  if (status == ERROR_SUCCESS) AddRemovalLine(folder);
  ++repaired_;
}

void Repairer::AddRemovalLine(const std::string& folderPath) {
  if (folderPath.empty()) return;
  const std::string line = "rd \"" + folderPath + "\"";
  const std::vector<std::string> lines = SplitTextLines(TextOfOldFile(ReadTextFile(BatchPath())));
  if (std::find(lines.begin(), lines.end(), line) == lines.end())
    AppendTextFile(BatchPath(), line + "\r\n", true);
  services_.progress.PumpMessages();
}

std::string Repairer::Noted(const std::string& text) const {
  const std::string line = SnapshotNoteLine(note_);
  return line.empty() ? text : "\r\n" + line + text;
}

SnapshotSink& Repairer::Snapshot() {
  if (services_.snapshot) return *services_.snapshot;
  if (!ownSnapshot_)
    ownSnapshot_ =
        std::make_unique<SnapshotWriter>(SnapshotPath(), inputs_.dialect, &services_.dialogs);
  return *ownSnapshot_;
}

// Write-ahead: the text is flushed to the disk before the caller deletes
// what it describes.
bool Repairer::SaveUndo(const std::string& text) {
  if (inputs_.dryRun) {
    dryRunText_ += Noted(text);
    return true;
  }
  SnapshotSink& snapshot = Snapshot();
  if (snapshot.Append(Noted(text)) && snapshot.Flush()) return true;
  ++snapshotFailures_;
  return false;
}

void Repairer::NoteCantRemove(const std::string& entry, long status, const std::string& reason) {
  if (inputs_.dryRun) return;
  const std::string printable = PrintableEntry(entry);
  cantRemoveText_ += "\r\n" + printable;
  NoteFailure(printable, status, reason);
}

// Something below the key failed to go; the key itself is what the report
// counts, so it is named too unless the key's own deletion was what failed.
void Repairer::NoteStaysAfterDeletion(const std::string& keyText) {
  if (inputs_.dryRun) return;
  if (!failures_.empty() && failures_.back().entry == PrintableEntry(keyText)) return;
  NoteCantRemove(keyText, ERROR_SUCCESS, "part of it could not be deleted, so the key stays");
}

void Repairer::NoteKeyNotOpened(const std::string& entry) {
  const LONG status = registry_.LastError();
  NoteCantRemove(
      entry, status,
      status == ERROR_FILE_NOT_FOUND ? "its key is gone" : "its key could not be opened");
}

void Repairer::NoteIfStays(HKEY root, const KeyPlan& plan) {
  if (plan.complete) return;
  NoteCantRemove(RootToRootSt(root) + plan.path, ERROR_SUCCESS,
                 "something in it cannot be removed, so the key stays");
}

void Repairer::NoteFailure(const std::string& entry, long status, const std::string& reason) {
  failures_.push_back({entry, status, reason});
}

bool Repairer::ExportValue(HKEY root, const std::string& keyPath, bool check, bool withHeader,
                           const std::string& valueName) {
  std::string text;
  if (!PlanValue(root, keyPath, check, withHeader, valueName, text)) return false;
  if (!SaveUndo(text)) return false;
  if (inputs_.dryRun) return true;
  return DeleteValue(root, keyPath, valueName);
}

bool Repairer::PlanValue(HKEY root, const std::string& keyPath, bool check, bool withHeader,
                         const std::string& valueName, std::string& text) {
  const std::string keyText = RootToRootSt(root) + keyPath;
  const std::string entry = keyText + "\\\\:" + valueName;
  // A path is written whole on one key line, so each of its names is checked.
  if (!KeyNameWritable(keyPath)) {
    NoteCantRemove(entry, ERROR_INVALID_NAME, "its key's " + std::string(kUnwritableName));
    return false;
  }
  if (check && services_.suppression.IsSuppressed(keyText, valueName, false)) return false;
  registry_.SetRoot(root);
  if (!registry_.OpenKey(keyPath, false)) {
    NoteKeyNotOpened(entry);
    return false;
  }
  ValueRead value = ReadExportable(registry_, valueName, inputs_.dialect);
  registry_.CloseKey();
  // A value that is gone, or cannot be read and so could not be put back, stays.
  if (!value.value) {
    NoteCantRemove(entry, value.status, value.reason);
    return false;
  }
  if (withHeader) text += KeyLine(keyText);
  text += ValueLines(inputs_.dialect, valueName, value.value->type, value.value->data);
  return true;
}

bool Repairer::DeleteValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
  const std::string entry = RootToRootSt(root) + keyPath + "\\\\:" + valueName;
  registry_.SetRoot(root);
  if (!registry_.OpenKey(keyPath, false)) {
    NoteKeyNotOpened(entry);
    return false;
  }
  const bool deleted = registry_.RemoveValue(valueName);
  if (!deleted) NoteCantRemove(entry, registry_.LastError(), "deletion failed");
  registry_.CloseKey();
  return deleted;
}

bool Repairer::PlanKey(HKEY root, const std::string& path, bool check, KeyPlan& plan,
                       std::string& text) {
  const std::string keyText = RootToRootSt(root) + path;
  if (NamesARootOrHive(root, path)) {
    NoteCantRemove(keyText, ERROR_INVALID_PARAMETER, "a root or a hive is never removed whole");
    return false;
  }
  if (IsKeptWhole(keyText)) {
    NoteCantRemove(keyText, ERROR_INVALID_PARAMETER, "a key of the system is never removed whole");
    return false;
  }
  // Its key line would not read back as this key: it could not be restored,
  // and a name holding a line break could write lines of other keys.
  if (!KeyNameWritable(path)) {
    NoteCantRemove(keyText, ERROR_INVALID_NAME, kUnwritableName);
    return false;
  }
  if (check && services_.suppression.IsSuppressed(keyText, "", true)) {
    NoteCantRemove(keyText, ERROR_SUCCESS, kSuppressed);
    return false;
  }
  registry_.SetRoot(root);
  // A link's content belongs to its target: deleting through the link would
  // empty the target, and restoring would make the link a key of its own.
  if (registry_.KeyIsLink(path)) {
    NoteCantRemove(keyText, ERROR_SUCCESS, "a symbolic link: its content belongs to its target");
    return false;
  }
  if (!registry_.OpenKey(path, false)) {
    NoteCantRemove(keyText, registry_.LastError(), "it could not be opened");
    return false;
  }
  plan.path = path;
  plan.keepKey = root == HKEY_LOCAL_MACHINE && UpperCase(path) == kMachineOfficeClsid;
  const bool officeClass = root == HKEY_CLASSES_ROOT && UpperCase(path) == kOfficeClsid;
  text += KeyLine(keyText);
  // A list cut short leaves items out of the export, so the key must stay.
  const std::vector<std::string> subKeys = registry_.ListSubKeys();
  LONG listStatus = registry_.LastError();
  const std::vector<std::string> values = registry_.ListValueNames();
  if (listStatus == ERROR_SUCCESS) listStatus = registry_.LastError();
  if (listStatus != ERROR_SUCCESS) {
    NoteCantRemove(keyText, listStatus, "its sub-keys or values could not be listed");
    plan.complete = false;
  }
  for (const std::string& name : plan.complete ? values : std::vector<std::string>()) {
    const bool leftToKeyDeletion = officeClass && name == kOffice7;
    if (!leftToKeyDeletion && check && services_.suppression.IsSuppressed(keyText, name, false)) {
      NoteCantRemove(keyText + "\\\\:" + name, ERROR_SUCCESS, kSuppressed);
      plan.complete = false;
      break;
    }
    ValueRead value = ReadExportable(registry_, name, inputs_.dialect);
    // A value that cannot be read or named back (also one whose name the
    // active code page cannot hold, as a lone surrogate) stops the key: it
    // stays, with its key.
    if (!value.value) {
      NoteCantRemove(keyText + "\\\\:" + name, value.status, value.reason);
      plan.complete = false;
      break;
    }
    // Office7 goes with its key, so its undo line is written all the same.
    text += ValueLines(inputs_.dialect, name, value.value->type, value.value->data);
    if (leftToKeyDeletion)
      ++plan.valuesLeftToKey;
    else
      plan.values.push_back(name);
  }
  registry_.CloseKey();
  if (!plan.complete) return true;
  // A sub-key that stays, whole or in part, keeps every key above it.
  for (const std::string& name : subKeys) {
    KeyPlan child;
    if (!PlanKey(root, path + "\\" + name, check, child, text)) {
      plan.complete = false;
      break;
    }
    plan.subKeys.push_back(std::move(child));
    if (!plan.subKeys.back().complete) {
      plan.complete = false;
      break;
    }
  }
  return true;
}

// Children first, the key last; the first item that cannot be deleted stops
// the work on its key, as does anything the plan could not export. True when
// the key is gone (the key kept by its special rule: when it is emptied).
bool Repairer::DeletePlanned(HKEY root, const KeyPlan& plan) {
  const std::string keyText = RootToRootSt(root) + plan.path;
  registry_.SetRoot(root);
  if (!plan.values.empty()) {
    if (!registry_.OpenKey(plan.path, false)) {
      NoteCantRemove(keyText, registry_.LastError(), "it could not be opened");
      return false;
    }
    for (const std::string& name : plan.values) {
      if (!registry_.RemoveValue(name)) {
        const LONG status = registry_.LastError();
        registry_.CloseKey();
        NoteCantRemove(keyText + "\\\\:" + name, status, "deletion failed");
        return false;
      }
    }
    registry_.CloseKey();
  }
  for (const KeyPlan& child : plan.subKeys)
    if (!DeletePlanned(root, child)) return false;
  if (!plan.complete) return false;
  if (plan.keepKey) return true;
  // Only an emptied key goes: whatever appeared since it was exported, or
  // could not be told apart by name, is not in the snapshot and must stay. A
  // key whose emptiness cannot be checked stays too.
  registry_.SetRoot(root);
  if (!registry_.OpenKey(plan.path, false)) {
    NoteCantRemove(keyText, registry_.LastError(), "its emptiness could not be checked");
    return false;
  }
  const std::optional<RegKeyInfo> info = registry_.ReadKeyInfo();
  const LONG infoStatus = registry_.LastError();
  registry_.CloseKey();
  if (!info) {
    NoteCantRemove(keyText, infoStatus, "its emptiness could not be checked");
    return false;
  }
  if (info->subKeyCount > 0 || int(info->valueCount) > plan.valuesLeftToKey) {
    NoteCantRemove(keyText, ERROR_SUCCESS, "it holds items added since its export");
    return false;
  }
  if (registry_.DeleteKeyTree(plan.path)) return true;
  NoteCantRemove(keyText, registry_.LastError(), "deletion failed");
  return false;
}

bool Repairer::ExportKeyTree(HKEY root, const std::string& keyPath, bool check) {
  KeyPlan plan;
  std::string text;
  if (!PlanKey(root, RemoveSlash(keyPath), check, plan, text)) return false;
  NoteIfStays(root, plan);
  if (!plan.DeletesAnything()) return false;
  if (!SaveUndo(text)) return false;
  if (inputs_.dryRun) return plan.complete;
  return DeletePlanned(root, plan);
}

void Repairer::WriteCantRemove() {
  CloseSnapshot();
  hvm::WriteCantRemove(inputs_.dataFolder, cantRemoveText_);
}

void Repairer::CloseSnapshot() {
  ownSnapshot_.reset();
}

void RepairDelay(uint32_t ms, TickSource& ticks, RepairProgress& progress) {
  const uint32_t start = ticks.Ticks();
  // Unsigned difference: correct across the counter's wrap to zero.
  do {
    progress.PumpMessages();
    ticks.SleepOne();
  } while (uint32_t(ticks.Ticks() - start) < ms);
}

}  // namespace hvm
