// The main window's pages, its left menu and the rules of switching between
// them, without a window: which page a command shows, which menu row lights
// up, what a switch must refresh, and which help topic belongs to a page.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/core/commands.h"

namespace hvm {

enum class Page {
  kFront,
  kScan,
  kResults,
  kSummary,
  kOptimize,
  kPack,
  kRestore,
  kMonitor,
  kVista,
  kSettings,
};

// The command of a page's menu row; none for pages without one.
std::optional<Command> CommandOf(Page page);
// The page a menu row's command shows; the scan row's is decided by whether
// results are held (FrontOrResults).
std::optional<Page> PageForCommand(Command command);
Page FrontOrResults(int heldResults);

// The help topic of a page; for the settings page the topic of its tab.
std::string HelpTopicFor(Page page, int settingsTab);
// What HtmlHelpA is given: help file + "::/" + topic, ".htm" appended when
// the topic does not end with it.
std::string HelpLocation(const std::string& helpFile, const std::string& topic);
// The older help file WinHelp is asked for when HTML Help fails: the same
// name with ".hlp" in place of ".chm" (appended when it has no ".chm").
std::string WinHelpFile(const std::string& htmlHelpFile);
// The WinHelp macro that opens `topic`: JumpID with an empty first argument
// and the topic as its second, each in double quotes.
std::string WinHelpMacro(const std::string& topic);

struct MenuRow {
  std::string caption;
  Command command;
};

// The pages an administrator's policy may take away. A page that is not
// allowed has no menu row, and neither its row's command nor a template's
// button opens it or runs what it does.
struct AllowedPages {
  bool optimize = true;
  bool vistaTweaks = true;
};
// As the policies (setting_policies.h) are now.
AllowedPages PagesAllowedNow();
// Whether `command` opens or runs a page that is not allowed.
bool CommandRefused(Command command, AllowedPages allowed);

// Top to bottom; "Vista Tweaks" only on Windows Vista (version code 8); the
// rows of pages not allowed are left out.
std::vector<MenuRow> MenuRowsFor(int windowsVersionCode, AllowedPages allowed = {});

// What a switch of pages asks of the window.
struct PageTurn {
  bool changed = false;                     // false: the page was already shown, nothing to do
  std::optional<Command> highlightCommand;  // the menu row to light up; none keeps it
  bool postFrontRefresh = false;            // Command::kRefreshFrontPage
  bool clearStatusRefresh = false;
  bool refreshSnapshotList = false;
  bool menuEnabled = true;
  Page previous = Page::kFront;
};

class Navigator {
 public:
  Page Current() const { return current_; }
  PageTurn TurnPage(Page page);

 private:
  Page current_ = Page::kFront;
};

}  // namespace hvm
