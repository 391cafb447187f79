// hvmend-cli undo: lists the undo snapshots of the data folder and restores
// their entries.
#include <algorithm>
#include <cstdio>
#include <optional>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "cli/json_document.h"
#include "engine/core/environment.h"
#include "engine/core/registry.h"
#include "engine/results/data_folder_lock.h"
#include "engine/results/export_text.h"
#include "engine/results/suppression.h"
#include "engine/results/text_file.h"
#include "engine/results/undo_restore.h"

namespace hvm {
namespace {

struct UndoVerbOptions : DataVerbOptions {
  uint32_t waitMs = 0;  // for another repair or restore of the data folder
};

UndoVerbOptions ParseUndoOptions(std::vector<std::string> args) {
  UndoVerbOptions options;
  options.waitMs = TakeWaitOption(args);
  static_cast<DataVerbOptions&>(options) = ParseDataVerbOptions(args);
  return options;
}

constexpr char kNotASnapshot[] =
    "is not an undo snapshot: its first line is not \"REGEDIT4\" or \"Windows Registry Editor "
    "Version 5.00\"";

int ListSnapshots(const UndoVerbOptions& options) {
  if (options.words.size() != 1) throw UsageError("undo list takes no further words");
  SuppressionLists suppression(options.dataDir);
  nlohmann::ordered_json snapshots = nlohmann::ordered_json::array();
  nlohmann::ordered_json others = nlohmann::ordered_json::array();
  for (const std::string& name : ListSnapshotFiles(options.dataDir)) {
    if (!IsSnapshotText(ReadTextFile(options.dataDir + "\\" + name))) {
      others.push_back(name);
      if (!options.json) Print("%s (%s; left alone)\n", name.c_str(), kNotASnapshot);
      continue;
    }
    const std::vector<std::string> entries =
        ListSnapshotContents(options.dataDir, name, &suppression);
    if (options.json) {
      snapshots.push_back({{"name", name}, {"entries", entries}});
      continue;
    }
    Print("%s (%d entries)\n", name.c_str(), int(entries.size()));
    for (const std::string& entry : entries) Print("  %s\n", entry.c_str());
  }
  if (options.json)
    Print("%s\n",
                JsonDocumentText({{"snapshots", snapshots}, {"notSnapshots", others}}).c_str());
  return kExitOk;
}

// Restores one entry; when it did not work, why not ("" when the restorer
// gave no reason), which also goes to stderr.
std::optional<std::string> RestoreOne(const SnapshotRestorer& restorer, const std::string& entry) {
  try {
    if (restorer.Restore(entry)) return std::nullopt;
    PrintTo(stderr, "hvmend-cli undo: could not restore %s\n", entry.c_str());
    return "";
  } catch (const std::exception& error) {
    PrintTo(stderr, "hvmend-cli undo: could not restore %s: %s\n", entry.c_str(),
                 error.what());
    return error.what();
  }
}

int RestoreSnapshot(const UndoVerbOptions& options) {
  if (options.words.size() < 2) throw UsageError("undo restore needs a snapshot name");
  const std::string& snapshot = options.words[1];
  const std::vector<std::string> files = ListSnapshotFiles(options.dataDir);
  if (std::find(files.begin(), files.end(), snapshot) == files.end())
    throw UsageError("no snapshot named '" + snapshot + "' in " + options.dataDir);
  DataFolderLock folder(options.dataDir);
  if (!folder.Acquire(options.waitMs)) {
    PrintTo(stderr, "hvmend-cli undo: %s\n", folder.BusyText().c_str());
    return kExitError;
  }
  // Read once the folder is ours: a repair that held it may have added to it.
  const SnapshotRestorer restorer(options.dataDir, snapshot);
  if (!restorer.IsSnapshot()) {
    PrintTo(stderr, "hvmend-cli undo: %s %s; nothing was restored\n", snapshot.c_str(),
            kNotASnapshot);
    return kExitError;
  }
  SuppressionLists suppression(options.dataDir);
  const std::vector<std::string> listed =
      ListSnapshotContents(options.dataDir, snapshot, &suppression);
  std::vector<std::string> chosen(options.words.begin() + 2, options.words.end());
  for (const std::string& entry : chosen)
    if (std::find(listed.begin(), listed.end(), entry) == listed.end())
      throw UsageError("'" + entry + "' is not an entry of " + snapshot);
  if (chosen.empty()) chosen = listed;

  int restored = 0;
  nlohmann::ordered_json notRestored = nlohmann::ordered_json::array();
  for (const std::string& entry : chosen) {
    if (const std::optional<std::string> reason = RestoreOne(restorer, entry))
      notRestored.push_back({{"entry", entry}, {"reason", *reason}});
    else
      ++restored;
  }
  if (options.json)
    Print("%s\n", JsonDocumentText({{"snapshot", snapshot},
                                          {"entries", int(chosen.size())},
                                          {"restored", restored},
                                          {"notRestored", std::move(notRestored)}})
                            .c_str());
  else
    Print("Restored %d of %d entries from %s\n", restored, int(chosen.size()),
                snapshot.c_str());
  return restored == int(chosen.size()) ? kExitOk : kExitProblems;
}

}  // namespace

int RunUndoVerb(const std::vector<std::string>& args) {
  const UndoVerbOptions options = ParseUndoOptions(args);
  if (options.words.empty()) throw UsageError("undo needs 'list' or 'restore'");
  if (options.words[0] == "list") return ListSnapshots(options);
  if (options.words[0] == "restore") return RestoreSnapshot(options);
  throw UsageError("undo knows 'list' and 'restore', not '" + options.words[0] + "'");
}

}  // namespace hvm
