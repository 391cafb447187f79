#include "results/repair.h"

#include <algorithm>
#include <cctype>

#include "core/dialog_service.h"
#include "core/problem_line.h"
#include "core/registry_paths.h"
#include "core/text_case.h"
#include "results/snapshot_file.h"
#include "results/suppression.h"
#include "results/text_file.h"

namespace hvm {
namespace {

// A value name holding a line break or a double quote cannot be written to
// the snapshot so that it reads back as the same name in the same key.
bool NameExportable(const std::string& name) {
  return name.find_first_of("\r\n\"") == std::string::npos;
}

// One class registration whose Office7 value the value loop leaves alone, and
// its machine-wide twin whose key itself must stay.
constexpr char kOfficeClsid[] = "\\CLSID\\{DA1E5A8E-1A89-11D2-95C9-00A0C90DCA5B}";
constexpr char kMachineOfficeClsid[] =
    "\\SOFTWARE\\CLASSES\\CLSID\\{DA1E5A8E-1A89-11D2-95C9-00A0C90DCA5B}";
constexpr char kOffice7[] = "Office7";

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

void CreateFolderTree(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
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
};

Repairer::Repairer(RepairInputs inputs, const RepairServices& services)
    : inputs_(std::move(inputs)),
      services_(services),
      dialect_(DialectForVersion(inputs_.windowsVersionCode)) {}

std::string Repairer::SnapshotPath() const {
  return inputs_.dataFolder + "\\" + inputs_.snapshotName + ".reg";
}

std::string Repairer::BatchPath() const {
  return inputs_.dataFolder + "\\" + inputs_.snapshotName + ".bat";
}

void Repairer::ResetWorkTexts() {
  exportBlock_.clear();
  cantRemoveText_.clear();
}

RepairSummary Repairer::RunRepair() {
  TResultsStore& results = services_.results;
  results.SetSkippedCountForReports(results.SkippedCount());
  if (!inputs_.isAdministrator) services_.dialogs.MessageDialog(kNoAdminText, "Warning", 0);
  if (inputs_.makeRestorePoint && !inputs_.dryRun) services_.restorePoint.MakeRestorePoint();

  const int checked = results.CheckedCount();
  RepairSummary summary;
  summary.found = results.TotalCount();
  try {
    RepairChecked();
  } catch (...) {
    if (!inputs_.quiet && !inputs_.dryRun) WriteCantRemove();
    throw;
  }
  summary.repaired = repaired_;
  summary.skipped = results.SkippedCountForReports();
  summary.ignored = services_.suppression.CountIgnoreLines();
  summary.notRemoved = checked - repaired_;
  summary.snapshotFailures = snapshotFailures_;
  if (snapshotFailures_ > 0)
    services_.dialogs.MessageDialog(kNoSnapshotText, "Warning", dialog::kWarningNotice);
  if (!inputs_.quiet && !inputs_.dryRun) {
    WriteCantRemove();
    services_.report.Fill(summary);
    results.ClearTotal();
  }
  return summary;
}

int Repairer::RepairChecked() {
  repaired_ = 0;
  exportBlock_.clear();
  const int checked = services_.results.CheckedCount();
  delayMs_ = checked > 0 ? services_.progress.Start(checked) : 0;
  for (int section = 1; section <= kSectionCount; ++section) {
    for (const ProblemEntry& entry : services_.results.Section(section)) {
      if (entry.IgnoreMarked()) {
        if (!inputs_.dryRun) services_.suppression.AddToIgnoreFile(entry.line);
      } else if (entry.Checked()) {
        if (section == 1)
          RecreateFolder(entry.line);
        else
          RepairOne(entry.line, entry.flags);
      }
    }
  }
  if (services_.results.TotalsRecordedFlag() && repaired_ > 0 && !inputs_.dryRun)
    services_.results.RecordTotals(repaired_);
  services_.progress.Finish();
  return repaired_;
}

void Repairer::RepairOne(const std::string& line, uint8_t flags) {
  const ProblemLineParts parts = SplitProblemLine(line);
  std::string keyPath = parts.keyText;
  if (HKEY root = SplitRootOf(keyPath)) {
    std::string valueName = SplitValuePart(parts.valuePart).name;
    if (IsDefaultValueName(valueName)) valueName.clear();
    const bool deleted = (flags & kWholeKey) ? ExportKeyTree(root, keyPath, true)
                                             : ExportValue(root, keyPath, true, true, valueName);
    if (deleted) ++repaired_;
  }
  services_.progress.Advance();
  services_.progress.PumpMessages();
  if (delayMs_ > 5) RepairDelay(uint32_t(delayMs_), services_.ticks, services_.progress);
}

void Repairer::RecreateFolder(const std::string& line) {
  // A dry run changes nothing, but counts the folder as the repair would.
  if (inputs_.dryRun) {
    ++repaired_;
    return;
  }
  const std::string folder = RemoveSlash(SplitValuePart(SplitProblemLine(line).valuePart).data);
  if (!folder.empty()) CreateFolderTree(folder);
  AddRemovalLine(folder);
  ++repaired_;
}

void Repairer::AddRemovalLine(const std::string& folderPath) {
  if (folderPath.empty()) return;
  const std::string line = "rd \"" + folderPath + "\"";
  const std::vector<std::string> lines = SplitTextLines(ReadTextFile(BatchPath()));
  if (std::find(lines.begin(), lines.end(), line) == lines.end())
    AppendTextFile(BatchPath(), line + "\r\n", true);
  services_.progress.PumpMessages();
}

bool Repairer::SaveUndo(const std::string& text) {
  if (inputs_.dryRun) {
    dryRunText_ += text;
    return true;
  }
  if (AppendToSnapshot(SnapshotPath(), text, dialect_)) return true;
  ++snapshotFailures_;
  return false;
}

void Repairer::NoteCantRemove(const std::string& entry) {
  if (!inputs_.dryRun) cantRemoveText_ += "\r\n" + entry;
}

bool Repairer::ExportValue(HKEY root, const std::string& keyPath, bool check, bool withHeader,
                           const std::string& valueName) {
  const std::string keyText = RootToRootSt(root) + keyPath;
  if (check && services_.suppression.IsSuppressed(keyText, valueName, false)) return false;
  registry_.SetRoot(root);
  if (!registry_.OpenKey(keyPath, false)) return false;

  std::optional<RegRawValue> value;
  try {
    if (NameExportable(valueName)) value = registry_.ReadTypedValue(valueName);
  } catch (const ERegistryException&) {
  }
  // A value that is gone, or cannot be read and so could not be put back, stays.
  if (!value) {
    registry_.CloseKey();
    NoteCantRemove(keyText + "\\\\:" + valueName);
    return false;
  }
  std::string text = std::exchange(exportBlock_, std::string());
  if (withHeader) text += KeyLine(keyText);
  text += ValueLines(dialect_, valueName, value->type, value->data);
  bool deleted = SaveUndo(text);
  if (deleted && !inputs_.dryRun && !registry_.RemoveValue(valueName)) {
    NoteCantRemove(keyText + "\\\\:" + valueName);
    deleted = false;
  }
  registry_.CloseKey();
  return deleted;
}

bool Repairer::PlanKey(HKEY root, const std::string& path, bool check, KeyPlan& plan,
                       std::string& text) {
  const std::string keyText = RootToRootSt(root) + path;
  if (check && services_.suppression.IsSuppressed(keyText, "", true)) return false;
  registry_.SetRoot(root);
  // A link's content belongs to its target: deleting through the link would
  // empty the target, and restoring would make the link a key of its own.
  if (registry_.KeyIsLink(path)) {
    NoteCantRemove(keyText);
    return false;
  }
  if (!registry_.OpenKey(path, false)) return false;
  plan.path = path;
  plan.keepKey = root == HKEY_LOCAL_MACHINE && UpperCase(path) == kMachineOfficeClsid;
  const bool officeClass = root == HKEY_CLASSES_ROOT && UpperCase(path) == kOfficeClsid;
  text += KeyLine(keyText);
  const std::vector<std::string> subKeys = registry_.ListSubKeys();
  for (const std::string& name : registry_.ListValueNames()) {
    const bool leftToKeyDeletion = officeClass && name == kOffice7;
    if (!leftToKeyDeletion && check && services_.suppression.IsSuppressed(keyText, name, false)) {
      plan.complete = false;
      break;
    }
    std::optional<RegRawValue> value;
    try {
      if (NameExportable(name)) value = registry_.ReadTypedValue(name);
    } catch (const ERegistryException&) {
    }
    // A value that cannot be read or named back (also one whose name the
    // single-byte code page cannot hold) stops the key: it stays, with its key.
    if (!value) {
      NoteCantRemove(keyText + "\\\\:" + name);
      plan.complete = false;
      break;
    }
    // Office7 goes with its key, so its undo line is written all the same.
    text += ValueLines(dialect_, name, value->type, value->data);
    if (leftToKeyDeletion)
      ++plan.valuesLeftToKey;
    else
      plan.values.push_back(name);
  }
  registry_.CloseKey();
  if (!plan.complete) return true;
  for (const std::string& name : subKeys) {
    KeyPlan child;
    if (!PlanKey(root, path + "\\" + name, check, child, text)) {
      plan.complete = false;
      break;
    }
    plan.subKeys.push_back(std::move(child));
  }
  return true;
}

// Children first, the key last; the first item that cannot be deleted stops
// the work on its key, as does anything the plan could not export.
bool Repairer::DeletePlanned(HKEY root, const KeyPlan& plan) {
  const std::string keyText = RootToRootSt(root) + plan.path;
  bool deleted = false;
  registry_.SetRoot(root);
  if (!plan.values.empty() && registry_.OpenKey(plan.path, false)) {
    for (const std::string& name : plan.values) {
      if (!registry_.RemoveValue(name)) {
        registry_.CloseKey();
        NoteCantRemove(keyText + "\\\\:" + name);
        return deleted;
      }
      deleted = true;
    }
    registry_.CloseKey();
  }
  for (const KeyPlan& child : plan.subKeys) {
    if (!DeletePlanned(root, child)) return deleted;
    deleted = true;
  }
  if (!plan.complete || plan.keepKey) return deleted;
  // Only an emptied key goes: whatever appeared since it was exported, or
  // could not be told apart by name, is not in the snapshot and must stay.
  registry_.SetRoot(root);
  if (registry_.OpenKey(plan.path, false)) {
    const std::optional<RegKeyInfo> info = registry_.ReadKeyInfo();
    registry_.CloseKey();
    if (!info || info->subKeyCount > 0 || int(info->valueCount) > plan.valuesLeftToKey) {
      NoteCantRemove(keyText);
      return deleted;
    }
  }
  if (registry_.DeleteKeyTree(plan.path)) return true;
  NoteCantRemove(keyText);
  return deleted;
}

bool Repairer::ExportKeyTree(HKEY root, const std::string& keyPath, bool check) {
  KeyPlan plan;
  std::string text = std::exchange(exportBlock_, std::string());
  if (!PlanKey(root, RemoveSlash(keyPath), check, plan, text)) return false;
  if (!SaveUndo(text)) return false;
  if (inputs_.dryRun) return true;
  return DeletePlanned(root, plan);
}

void Repairer::WriteCantRemove() {
  hvm::WriteCantRemove(inputs_.dataFolder, cantRemoveText_);
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
