#include "desktop/navigation.h"

#include <algorithm>
#include <cctype>

#include "engine/settings/setting_policies.h"

namespace hvm {
namespace {

// Whether `text` ends with the lower-case `ending`, in either case.
bool EndsWithFolded(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(
      ending.begin(), ending.end(), text.end() - ending.size(),
      [](char wanted, char c) { return wanted == std::tolower(static_cast<unsigned char>(c)); });
}

}  // namespace

std::optional<Command> CommandOf(Page page) {
  switch (page) {
    case Page::kFront: return Command::kScanPage;
    case Page::kOptimize: return Command::kOptimizePage;
    case Page::kPack: return Command::kPackPage;
    case Page::kRestore: return Command::kRestorePage;
    case Page::kMonitor: return Command::kMonitorPage;
    case Page::kVista: return Command::kVistaPage;
    case Page::kSettings: return Command::kSettingsPage;
    // Shown by the "Scan" row while results are held.
    case Page::kResults: return Command::kScanPage;
    case Page::kScan:
    case Page::kSummary: return std::nullopt;
  }
  return std::nullopt;
}

std::optional<Page> PageForCommand(Command command) {
  switch (command) {
    case Command::kOptimizePage: return Page::kOptimize;
    case Command::kPackPage: return Page::kPack;
    case Command::kRestorePage: return Page::kRestore;
    case Command::kMonitorPage: return Page::kMonitor;
    case Command::kVistaPage: return Page::kVista;
    case Command::kSettingsPage: return Page::kSettings;
    default: return std::nullopt;
  }
}

Page FrontOrResults(int heldResults) {
  return heldResults > 0 ? Page::kResults : Page::kFront;
}

std::string HelpTopicFor(Page page, int settingsTab) {
  switch (page) {
    case Page::kFront:
    case Page::kResults: return "Using Hivemend\\Scan and Clean.htm";
    case Page::kScan: return "About Hivemend\\Hivemend support.htm";
    case Page::kSummary: return "Help\\front.htm";
    case Page::kOptimize: return "Using Hivemend\\Optimize.htm";
    case Page::kPack: return "Using Hivemend\\Pack Registry.htm";
    case Page::kRestore: return "Using Hivemend\\restore.htm";
    case Page::kMonitor: return "Using Hivemend\\Monitor Registry.htm";
    case Page::kVista: return "Using Hivemend\\Vista Tweaks.htm";
    case Page::kSettings:
      switch (settingsTab) {
        case 0: return "Using Hivemend\\Settings\\General Tab.htm";
        case 1: return "Using Hivemend\\Settings\\Custom Scan.htm";
        case 2: return "Using Hivemend\\Settings\\Ignore List.htm";
        case 3: return "Using Hivemend\\Settings\\Monitor.htm";
        default: return "Using Hivemend\\Settings\\About settings.htm";
      }
  }
  return "Help\\front.htm";
}

std::string HelpLocation(const std::string& helpFile, const std::string& topic) {
  return helpFile + "::/" + topic + (EndsWithFolded(topic, ".htm") ? "" : ".htm");
}

std::string WinHelpFile(const std::string& htmlHelpFile) {
  const bool chm = EndsWithFolded(htmlHelpFile, ".chm");
  return (chm ? htmlHelpFile.substr(0, htmlHelpFile.size() - 4) : htmlHelpFile) + ".hlp";
}

std::string WinHelpMacro(const std::string& topic) {
  return "JumpID(\"\", \"" + topic + "\")";
}

AllowedPages PagesAllowedNow() {
  const Policies policies = Policies::Read();
  return {OptimizeAllowed(policies), VistaTweaksAllowed(policies)};
}

bool CommandRefused(Command command, AllowedPages allowed) {
  switch (command) {
    case Command::kOptimizePage:
    case Command::kOptimize:
    case Command::kUndoOptimize: return !allowed.optimize;
    case Command::kVistaPage:
    case Command::kApplyVistaTweaks: return !allowed.vistaTweaks;
    default: return false;
  }
}

std::vector<MenuRow> MenuRowsFor(int windowsVersionCode, AllowedPages allowed) {
  std::vector<MenuRow> rows = {{"Scan", Command::kScanPage}};
  if (allowed.optimize) rows.push_back({"Optimize", Command::kOptimizePage});
  rows.push_back({"Organize", Command::kPackPage});
  rows.push_back({"Monitor", Command::kMonitorPage});
  if (windowsVersionCode == 8 && allowed.vistaTweaks)
    rows.push_back({"Vista Tweaks", Command::kVistaPage});
  rows.push_back({"Restore", Command::kRestorePage});
  rows.push_back({"Settings", Command::kSettingsPage});
  return rows;
}

PageTurn Navigator::TurnPage(Page page) {
  PageTurn turn;
  turn.previous = current_;
  if (page == current_) return turn;
  turn.changed = true;
  turn.highlightCommand = CommandOf(page);
  if (page == Page::kFront) {
    turn.clearStatusRefresh = true;
    turn.postFrontRefresh = true;
  }
  if (page == Page::kResults) turn.clearStatusRefresh = true;
  if (page == Page::kRestore) turn.refreshSnapshotList = true;
  turn.menuEnabled = page != Page::kScan;
  current_ = page;
  return turn;
}

}  // namespace hvm
