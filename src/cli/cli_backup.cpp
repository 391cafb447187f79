// hvmend-cli backup: makes a full backup of the registry's hives, or lists
// the full backups made so far.
#include <windows.h>

#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_dialogs.h"
#include "cli/console_output.h"
#include "cli/json_document.h"
#include "engine/backup/backup_folders.h"
#include "engine/backup/backup_stamps.h"
#include "engine/backup/hive_backup.h"
#include "engine/backup/privileges.h"
#include "engine/core/clock.h"
#include "engine/core/environment.h"

namespace hvm {
namespace {

struct BackupOptions {
  bool json = false;
  std::string root;     // --root; "" is the system folder's "Hivemend"
  std::string dataDir;  // --data-dir; "" is the program's data folder
  std::vector<std::string> words;
};

BackupOptions ParseBackupOptions(const std::vector<std::string>& args) {
  BackupOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      options.json = true;
    } else if (args[i] == "--root" || args[i] == "--data-dir") {
      if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a path");
      (args[i] == "--root" ? options.root : options.dataDir) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageError("unknown option '" + args[i] + "'");
    } else {
      options.words.push_back(args[i]);
    }
  }
  if (options.root.empty()) options.root = BackupRootFor(Environment().systemFolder);
  if (options.dataDir.empty()) options.dataDir = Environment().dataFolder;
  return options;
}

// The console has no front page to refresh.
class NoWindow : public CommandPoster {
 public:
  void PostCommand(Command, intptr_t) override {}
};

int MakeBackup(const BackupOptions& options) {
  PlatformMachineControl machine;
  ConsoleDialogService dialogs(stderr);
  if (!EnablePrivilege(machine, dialogs, kBackupPrivilege, PrivilegeUse::kBackup))
    return kExitError;
  const std::string folder = BackupFolderFor(options.root, ProgramClock().LocalNow());
  HiveWalkContext context{machine,         dialogs, Environment().WindowsVersionCode,
                          options.dataDir, {},      {}};
  const HiveWalkResult result = SaveNTRegistry(context, folder, HiveMode::kSave);
  if (result.ok) {
    NoWindow none;
    UpdateLastBackupTime(options.dataDir + "\\hvmend.ini", none);
  }
  if (options.json) {
    // Written as `backup list` writes it, without the backslash the hive
    // walk wants at the end, so that a script can compare the two.
    const std::string listed =
        folder.ends_with('\\') ? folder.substr(0, folder.size() - 1) : folder;
    nlohmann::ordered_json out = {{"made", result.ok},
                                  {"folder", listed},
                                  {"hives", result.files},
                                  {"hiveList", result.hiveListFound}};
    if (!result.failedFile.empty()) {
      out["failedHive"] = result.failedFile;
      out["status"] = result.status;
    }
    Print("%s\n", JsonDocumentText(out).c_str());
  } else {
    Print("%s %s: %s\n", result.ok ? "Full backup made in" : "Full backup not finished in",
          folder.c_str(), result.Describe().c_str());
    for (const std::string& file : result.files) Print("  %s\n", file.c_str());
  }
  return result.ok ? kExitOk : kExitProblems;
}

int ListBackups(const BackupOptions& options) {
  if (options.words.size() != 1) throw UsageError("backup list takes no further words");
  nlohmann::ordered_json backups = nlohmann::ordered_json::array();
  for (const FullBackupFolder& backup : ListFullBackups(options.root)) {
    if (options.json) {
      backups.push_back(
          {{"name", backup.name}, {"folder", backup.folder}, {"hives", backup.hiveFiles}});
      continue;
    }
    std::string hives;
    for (const std::string& file : backup.hiveFiles) hives += (hives.empty() ? "" : ", ") + file;
    Print("%s  %s (%s)\n", backup.name.c_str(), backup.folder.c_str(), hives.c_str());
  }
  if (options.json) Print("%s\n", JsonDocumentText({{"backups", backups}}).c_str());
  return kExitOk;
}

}  // namespace

int RunBackupVerb(const std::vector<std::string>& args) {
  const BackupOptions options = ParseBackupOptions(args);
  if (options.words.empty()) return MakeBackup(options);
  if (options.words[0] == "list") return ListBackups(options);
  throw UsageError("backup knows 'list' or no word at all, not '" + options.words[0] + "'");
}

}  // namespace hvm
