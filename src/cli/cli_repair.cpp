// hvmend-cli repair: scans as `scan` does, then repairs every checked problem
// with its undo written to the day's snapshot first. With --from, the checked
// entries of a reviewed scan document, each found stale again first.
#include <cstdio>
#include <memory>
#include <optional>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "cli/console_scan_session.h"
#include "cli/data_files.h"
#include "cli/json_document.h"
#include "cli/reviewed_scan.h"
#include "engine/core/environment.h"
#include "engine/core/problem_line.h"
#include "engine/core/registry.h"
#include "engine/core/registry_paths.h"
#include "engine/core/text_encoding.h"
#include "engine/results/data_folder_lock.h"
#include "engine/results/text_file.h"
#include "engine/scan/file_tests.h"
#include "engine/settings/setting_policies.h"

namespace hvm {
namespace {

// A line as a message can show it: a NUL would end the message there.
std::string PrintableLine(std::string text) {
  for (size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at + 2))
    text.replace(at, 1, "\\0");
  return text;
}

struct RepairVerbOptions {
  ScanOptions scan;
  bool includeCaution = false;
  bool dryRun = false;
  bool restorePoint = false;
  std::string problemsFile;  // extra problem lines, "N<TAB>line" each
  std::string reviewFile;    // --from: a reviewed scan document
  uint32_t waitMs = 0;       // for another repair or restore of the data folder
};

// A policy on the restore point before repair holds at the console too: on,
// a restore point is made without --restore-point; off, one is refused.
void ApplyRestorePointPolicy(RepairVerbOptions& options) {
  const std::optional<LockedSetting> lock = SettingLock(Policies::Read(), "BackupBeforeScan");
  if (!lock) return;
  if (lock->value == "1") {
    options.restorePoint = true;
  } else if (options.restorePoint) {
    throw UsageError("--restore-point: restore points before a repair are switched off: " +
                     SetByAdministratorText(lock->scope));
  }
}

// --from decides what is scanned and what is repaired.
void RefuseOptionsBesideReview(const RepairVerbOptions& options) {
  if (options.reviewFile.empty()) return;
  if (options.scan.sections)
    throw UsageError("--from takes its sections from the file, not from --sections");
  if (!options.problemsFile.empty()) throw UsageError("--from and --problems do not go together");
  if (options.includeCaution)
    throw UsageError("--from repairs what the file checks; --include-caution does not go with it");
}

RepairVerbOptions ParseRepairOptions(std::vector<std::string> args) {
  RepairVerbOptions options;
  options.waitMs = TakeWaitOption(args);
  std::vector<std::string> scanArgs;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--include-caution") {
      options.includeCaution = true;
    } else if (arg == "--dry-run") {
      options.dryRun = true;
    } else if (arg == "--restore-point") {
      options.restorePoint = true;
    } else if (arg == "--problems") {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a path");
      options.problemsFile = args[++i];
    } else if (arg == "--from") {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a scan's JSON file");
      options.reviewFile = args[++i];
    } else {
      scanArgs.push_back(arg);
    }
  }
  options.scan = ParseScanOptions(scanArgs);
  if (options.scan.readOnly) throw UsageError("--read-only is for scan, not repair");
  RefuseOptionsBesideReview(options);
  ApplyRestorePointPolicy(options);
  return options;
}

// Whether the value `name` of the key `keyText` ("HKCU\\..." or
// "HKEY_CURRENT_USER\\...") is there.
bool ValueExists(const std::string& keyText, const std::string& name) {
  std::string path = keyText;
  HKEY root = SplitLongRoot(path);
  if (!root) root = SplitShortRoot(path);
  if (!root) return false;
  RegistrySession registry;
  registry.SetRoot(root);
  return registry.OpenKey(path, false) && registry.ValuePresent(name);
}

// The item a listed line names. A value name may itself hold " = ", so the
// text before each " = " and the whole part are each a possible name; the
// line is refused when more than one of them is a value of the key, as it
// could be either. One that is none of them reads as a scan writes it.
ProblemTarget ListedTarget(const std::string& line) {
  if (line.find('\0') != std::string::npos)
    throw UsageError(
        "a problem line holds a NUL character, which would cut the key or value "
        "name short: " +
        PrintableLine(line));
  ProblemTarget target = ProblemTargetOf(line);
  if (target.wholeKey) return target;
  const std::vector<std::string> candidates = ValueNameCandidates(SplitProblemLine(line).valuePart);
  if (candidates.size() == 1) return target;
  std::vector<std::string> present;
  for (const std::string& name : candidates)
    if (ValueExists(target.keyText, IsDefaultValueName(name) ? "" : name)) present.push_back(name);
  if (present.size() > 1)
    throw UsageError("ambiguous problem line: the value may be \"" + present[0] + "\" or \"" +
                     present[1] + "\", and both exist: " + line);
  if (present.size() == 1) target.valueName = IsDefaultValueName(present[0]) ? "" : present[0];
  return target;
}

// Lines "N<TAB>problem line" filed under section N, as a scan would; in
// UTF-8, or in the system's code page as older tools write.
void AddProblemsFromFile(const std::string& path, ResultsStore& results) {
  if (!FileExists(path)) throw UsageError("cannot read " + path);
  for (const std::string& line : SplitTextLines(TextOfOldFile(ReadTextFile(path)))) {
    if (line.empty()) continue;
    const size_t tab = line.find('\t');
    const std::set<int> section =
        tab == std::string::npos ? std::set<int>{} : ParseSectionList(line.substr(0, tab));
    if (section.size() != 1)
      throw UsageError("problem lines read 'N<TAB>line': " + PrintableLine(line));
    const std::string problem = line.substr(tab + 1);
    results.AddProblem(*section.begin(), ListedTarget(problem), problem);
  }
}

void CheckCautionEntries(ResultsStore& results) {
  for (int section = kFirstCautionSection; section <= kSectionCount; ++section)
    for (ProblemEntry& entry : results.Section(section))
      if (entry.Kind() == kKindCaution && !entry.IgnoreMarked()) entry.SetChecked(true);
}

// How the restore point asked for went, in the words of the report page; a
// dry run changes nothing, so it makes none either.
std::string RestorePointText(const std::optional<RestorePointOutcome>& outcome, bool dryRun) {
  if (outcome) return outcome->Describe();
  return dryRun ? "not made (dry run)" : "not made";
}

// What became of a reviewed scan's checked entries.
struct ReviewReport {
  std::string file;
  int checked = 0;
  std::vector<LeftAlone> leftAlone;
};

const char* LeftAloneText(LeftAlone::Result result) {
  switch (result) {
    case LeftAlone::Result::kNotStale: return "not stale any more";
    case LeftAlone::Result::kOtherReason: return "stale now for another reason; review it again";
    case LeftAlone::Result::kSectionOff:
      return "its section is switched off (Set by your administrator)";
  }
  return "";
}

nlohmann::ordered_json ReviewJson(const ReviewReport& review) {
  nlohmann::ordered_json left = nlohmann::ordered_json::array();
  for (const LeftAlone& item : review.leftAlone)
    left.push_back(
        {{"section", item.entry.section},
         {"line", item.entry.line},
         {"reason", {{"rule", item.entry.reason.rule}, {"target", item.entry.reason.target}}},
         {"result", LeftAloneName(item.result)}});
  return {{"file", review.file},
          {"checked", review.checked},
          {"stillStale", review.checked - int(review.leftAlone.size())},
          {"leftAlone", std::move(left)}};
}

void PrintReviewText(const ReviewReport& review) {
  Print("Reviewed: %d checked in %s, %d still stale\n", review.checked, review.file.c_str(),
        review.checked - int(review.leftAlone.size()));
  for (const LeftAlone& item : review.leftAlone)
    Print("  left alone: %d. %s (%s)\n", item.entry.section, item.entry.line.c_str(),
          LeftAloneText(item.result));
}

// `dryRunText` is the registry-export text of what a dry run would remove.
void PrintSummary(const RepairSummary& summary, const std::vector<RemovalFailure>& failures,
                  const std::string& snapshot, bool json,
                  const std::optional<std::string>& dryRunText,
                  const std::optional<std::string>& restorePoint,
                  const std::optional<ReviewReport>& review) {
  const bool dryRun = dryRunText.has_value();
  if (json) {
    nlohmann::ordered_json left = nlohmann::ordered_json::array();
    for (const RemovalFailure& failure : failures)
      left.push_back(
          {{"entry", failure.entry}, {"status", failure.status}, {"reason", failure.reason}});
    nlohmann::ordered_json out = {{"found", summary.found},
                                  {"repaired", summary.repaired},
                                  {"skipped", summary.skipped},
                                  {"ignored", summary.ignored},
                                  {"notRemoved", summary.notRemoved},
                                  {"leftInPlace", std::move(left)},
                                  {"snapshotFailures", summary.snapshotFailures},
                                  {"snapshot", snapshot},
                                  {"dryRun", dryRun}};
    if (dryRunText) out["wouldRemove"] = *dryRunText;
    if (restorePoint) out["restorePoint"] = *restorePoint;
    if (review) out["review"] = ReviewJson(*review);
    Print("%s\n", JsonDocumentText(out).c_str());
    return;
  }
  if (dryRunText) Print("%s", dryRunText->c_str());
  if (review) PrintReviewText(*review);
  Print("Found: %d\nRepaired: %d\nSkipped: %d\nIgnored: %d\nNot removed: %d\n", summary.found,
              summary.repaired, summary.skipped, summary.ignored, summary.notRemoved);
  for (const RemovalFailure& failure : failures)
    Print("  left in place: %s (%s, status %ld)\n", failure.entry.c_str(), failure.reason.c_str(),
          failure.status);
  if (summary.snapshotFailures > 0)
    Print("Left in place because the snapshot could not be written: %d\n",
          summary.snapshotFailures);
  if (restorePoint) Print("Restore point: %s\n", restorePoint->c_str());
  Print(dryRun ? "Dry run: nothing was changed (snapshot would be %s)\n" : "Snapshot: %s\n",
        snapshot.c_str());
}

// The sections of the review's checked entries, but for those a policy
// switches off: those entries are left alone.
std::set<int> SectionsToRecheck(const ReviewedScan& review) {
  std::set<int> sections = ReviewedSections(review);
  for (int off : SectionsSwitchedOffByPolicy()) sections.erase(off);
  return sections;
}

}  // namespace

int RunRepairVerb(const std::vector<std::string>& args) {
  RepairVerbOptions options = ParseRepairOptions(args);
  // A file that is refused is refused before anything is scanned or changed.
  std::optional<ReviewedScan> review;
  if (!options.reviewFile.empty()) {
    review = ReadReviewedScan(options.reviewFile, ComputerName());
    options.scan.sections = SectionsToRecheck(*review);
    options.scan.recheck = true;
  }
  ConsoleScanSession session(options.scan, options.dryRun, options.restorePoint);
  // Held from before the scan, whose own removals write the snapshot too; the
  // repair takes it again in this thread without waiting.
  DataFolderLock folder(session.DataFolder());
  if (!options.dryRun && !folder.Acquire(options.waitMs)) {
    PrintTo(stderr, "hvmend-cli repair: %s\n", folder.BusyText().c_str());
    return kExitError;
  }
  WarnAboutUnreadableDataFiles(session.DataFolder());
  session.RunScan();
  ResultsStore& results = session.Results();
  if (!options.problemsFile.empty()) AddProblemsFromFile(options.problemsFile, results);
  if (options.includeCaution) CheckCautionEntries(results);
  std::optional<ReviewReport> reviewReport;
  if (review)
    reviewReport = ReviewReport{options.reviewFile, int(review->checked.size()),
                                CheckReviewedEntries(*review, *options.scan.sections, results)};

  Repairer& repairer = session.Repair();
  const RepairSummary summary = repairer.RunRepair();
  if (summary.folderBusy) return kExitError;
  std::optional<std::string> dryRunText;
  if (options.dryRun) {
    // Console output is in text mode: its own line ends become CR LF.
    std::string text = repairer.DryRunText();
    std::erase(text, '\r');
    const size_t start = text.find_first_not_of('\n');
    dryRunText = start == std::string::npos ? "" : text.substr(start) + "\n";
  }
  std::optional<std::string> restorePoint;
  if (options.restorePoint) restorePoint = RestorePointText(session.RestorePoint(), options.dryRun);
  PrintSummary(summary, repairer.Failures(), session.Inputs().snapshotName + ".reg",
               options.scan.json, dryRunText, restorePoint, reviewReport);
  return summary.notRemoved > 0 ? kExitProblems : kExitOk;
}

}  // namespace hvm
