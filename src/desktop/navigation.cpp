#include "desktop/navigation.h"

#include <algorithm>
#include <cctype>

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

int CommandOf(Page page) {
  switch (page) {
    case Page::kFront: return 500;
    case Page::kOptimize: return 510;
    case Page::kPack: return 520;
    case Page::kRestore: return 530;
    case Page::kMonitor: return 540;
    case Page::kVista: return 550;
    case Page::kSettings: return 560;
    case Page::kResults: return 500;  // shown by the "Scan" row while results are held
    case Page::kScan:
    case Page::kSummary: return 0;
  }
  return 0;
}

std::optional<Page> PageForCommand(int command) {
  switch (command) {
    case 510: return Page::kOptimize;
    case 520: return Page::kPack;
    case 530: return Page::kRestore;
    case 540: return Page::kMonitor;
    case 550: return Page::kVista;
    case 560: return Page::kSettings;
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

std::vector<MenuRow> MenuRowsFor(int windowsVersionCode) {
  std::vector<MenuRow> rows = {
      {"Scan", 500}, {"Optimize", 510}, {"Organize", 520}, {"Monitor", 540}};
  if (windowsVersionCode == 8) rows.push_back({"Vista Tweaks", 550});
  rows.push_back({"Restore", 530});
  rows.push_back({"Settings", 560});
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
