// hvmend-cli.exe: the engine behind verbs for scripts and end-to-end tests.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "engine/core/environment.h"

namespace {

using hvm::kExitError;
using hvm::kExitOk;

struct Verb {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
};

constexpr Verb kVerbs[] = {
    {"scan", hvm::RunScanVerb},         {"repair", hvm::RunRepairVerb},
    {"undo", hvm::RunUndoVerb},         {"optimize", hvm::RunOptimizeVerb},
    {"settings", hvm::RunSettingsVerb}, {"autostart", hvm::RunAutostartVerb},
    {"backup", hvm::RunBackupVerb},     {"monitor", hvm::RunMonitorVerb},
};

constexpr char kUsage[] =
    "Usage: hvmend-cli [--help | --version] <verb> [options]\n"
    "\n"
    "Hivemend finds and repairs stale entries in the Windows registry.\n"
    "\n"
    "Verbs:\n"
    "  scan [--sections 1,4,23|none] [--json] [--quiet] [--verbose] [--read-only]\n"
    "       [--data-dir DIR]\n"
    "        scan the registry and print the problems found; without --sections\n"
    "        the sections switched on in the settings run; progress goes to\n"
    "        stderr unless --quiet is given; --verbose prints each problem's\n"
    "        reason under it; stale startup, driver and font values are removed\n"
    "        at once, each first written to the undo snapshot, and listed; with\n"
    "        --read-only nothing is removed or written and they are listed as\n"
    "        problems of their sections instead\n"
    "  repair [scan options] [--include-caution] [--dry-run] [--data-dir DIR]\n"
    "         [--problems FILE] [--restore-point] [--wait SECONDS]\n"
    "        scan, then repair every checked problem, each first written to the\n"
    "        day's undo snapshot; --dry-run prints what would be removed as\n"
    "        registry-export text and changes nothing; --problems adds the lines\n"
    "        of FILE (\"N<TAB>problem line\") to what the scan found;\n"
    "        --restore-point makes a System Restore point first and says\n"
    "        whether it was made and, when not, why; one repair or restore\n"
    "        of a data folder runs at a time: another waits up to SECONDS\n"
    "        (60) and then ends with exit code 2, changing nothing\n"
    "  repair --from REVIEW.json [--dry-run] [--restore-point] [--json] [--quiet]\n"
    "         [--data-dir DIR] [--wait SECONDS]\n"
    "        repair exactly the entries REVIEW.json (the output of scan --json,\n"
    "        perhaps with some \"checked\" set to false or entries deleted)\n"
    "        marks checked, each only when a new scan of its section finds it\n"
    "        stale again by the same rule; the others are left alone and listed;\n"
    "        a file of another computer, of a newer schemaVersion or damaged is\n"
    "        refused with exit code 2, changing nothing\n"
    "  undo list [--json] [--data-dir DIR]\n"
    "        list the undo snapshots and their entries, and the Undo*.reg files\n"
    "        that are no snapshots\n"
    "  undo restore SNAPSHOT [ENTRY...] [--json] [--data-dir DIR] [--wait SECONDS]\n"
    "        restore every entry of SNAPSHOT (e.g. Undo20261209.reg or, when\n"
    "        that file could not be added to, Undo20261209-2.reg), or those\n"
    "        given; a file that is no snapshot is refused with exit code 2,\n"
    "        and an entry the snapshot does not hold exactly is not restored\n"
    "  optimize apply|undo|status [--json] [--data-dir DIR]\n"
    "        set six Windows options to faster values, remembering each previous\n"
    "        value in the settings file; undo puts them back; status tells\n"
    "        whether they are set\n"
    "  settings get [KEY] [--json] [--data-dir DIR]\n"
    "        print every setting as KEY=VALUE, or the value of one; a value a\n"
    "        Group Policy holds is marked, and --json tells each value's source\n"
    "  settings set KEY VALUE [--json] [--data-dir DIR] [--startup-folder DIR]\n"
    "        change one setting; a key or value the settings do not take, or a\n"
    "        key a Group Policy holds, is refused and the file left as it was;\n"
    "        AutoAction also makes or removes the start-up entry, as autostart\n"
    "        does\n"
    "  autostart scan|monitor|off [--json] [--data-dir DIR] [--startup-folder DIR]\n"
    "        start Hivemend at log-on to scan when a scan is due (\"bootup\"),\n"
    "        or with the monitor on (\"monitor\"), or not at all: the shortcut\n"
    "        hvmend.lnk in the user's start-up folder (or DIR) is made,\n"
    "        replaced or removed\n"
    "  backup [--json] [--root DIR] [--data-dir DIR]\n"
    "        save every registry hive into a new dated folder under DIR (the\n"
    "        system folder's Hivemend folder unless given), one file per hive\n"
    "        and its description user.ini\n"
    "  backup list [--json] [--root DIR]\n"
    "        list the full backups, newest first\n"
    "  monitor [--seconds N] [--json]\n"
    "        watch the 32 registry locations of the desktop program's monitor and\n"
    "        print each change line as it comes (time;;action;;;\"name\";;;;location,\n"
    "        or with --json one object per line); ends on Ctrl+C or after N seconds\n"
    "\n"
    "Options:\n"
    "  --help      show this text\n"
    "  --version   show the program's version\n"
    "\n"
    "Exit codes: scan 0 nothing found, 1 problems found; repair and undo 0 done,\n"
    "1 some item not repaired or restored; optimize 0 done, 1 some setting not\n"
    "changed or put back; settings and autostart 0 done; backup 0 made, 1 not\n"
    "finished; monitor 0 when it ended; 2 usage or run error.\n";

int ShowUsage(FILE* out) {
  hvm::WriteText(out, kUsage);
  return out == stdout ? kExitOk : kExitError;
}

// The version of this file's version resource, the one Windows shows in the
// file's properties and the desktop program reads of itself, so that a
// script that asks the installed copy learns which build it is.
std::string OwnVersionText() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return HVM_VERSION;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::string text = hvm::VersionTextOf(path);
  return text.empty() ? HVM_VERSION : text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return ShowUsage(stderr);
  const std::string& first = args.front();
  if (first == "--help" || first == "-h" || first == "/?") return ShowUsage(stdout);
  if (first == "--version") {
    hvm::Print("Hivemend %s\n", OwnVersionText().c_str());
    return kExitOk;
  }
  for (const Verb& verb : kVerbs) {
    if (first != verb.name) continue;
    try {
      hvm::InitEnvironment();
      return verb.run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const hvm::UsageError& error) {
      hvm::PrintTo(stderr, "hvmend-cli %s: %s\n", verb.name, error.what());
      return kExitError;
    } catch (const std::exception& error) {
      hvm::PrintTo(stderr, "hvmend-cli %s: %s\n", verb.name, error.what());
      return kExitError;
    }
  }
  hvm::PrintTo(stderr, "hvmend-cli: unknown verb or option '%s'\n\n", first.c_str());
  return ShowUsage(stderr);
}
