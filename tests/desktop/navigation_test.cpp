#include "desktop/navigation.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

TEST(Navigation, MenuHasSixRowsUnlessOnVista) {
  const auto rows = MenuRowsFor(6);
  ASSERT_EQ(6u, rows.size());
  EXPECT_EQ("Scan", rows[0].caption);
  EXPECT_EQ(500, NumberOf(rows[0].command));
  EXPECT_EQ("Monitor", rows[3].caption);
  EXPECT_EQ("Restore", rows[4].caption);
  EXPECT_EQ(560, NumberOf(rows[5].command));
  const auto vista = MenuRowsFor(8);
  ASSERT_EQ(7u, vista.size());
  EXPECT_EQ("Vista Tweaks", vista[4].caption);
  EXPECT_EQ(550, NumberOf(vista[4].command));
  EXPECT_EQ(6u, MenuRowsFor(0).size());  // later Windows versions
}

TEST(Navigation, PagesAPolicyTakesAwayLoseTheirRowsOnly) {
  const auto rows = MenuRowsFor(8, {false, false});
  ASSERT_EQ(5u, rows.size());
  EXPECT_EQ("Scan", rows[0].caption);
  EXPECT_EQ("Organize", rows[1].caption);
  EXPECT_EQ("Monitor", rows[2].caption);
  EXPECT_EQ("Restore", rows[3].caption);
  const auto noVista = MenuRowsFor(8, {true, false});
  ASSERT_EQ(6u, noVista.size());
  EXPECT_EQ("Optimize", noVista[1].caption);
  EXPECT_TRUE(CommandRefused(Command::kUndoOptimize, {false, true}));
  EXPECT_FALSE(CommandRefused(Command::kApplyVistaTweaks, {false, true}));
  EXPECT_TRUE(CommandRefused(Command::kApplyVistaTweaks, {true, false}));
  EXPECT_FALSE(CommandRefused(Command::kScan, {false, false}));
}

TEST(Navigation, CommandsChooseTheirPages) {
  EXPECT_EQ(Page::kSettings, PageForCommand(Command::kSettingsPage));
  EXPECT_EQ(Page::kRestore, PageForCommand(Command::kRestorePage));
  EXPECT_EQ(Page::kPack, PageForCommand(Command::kPackPage));
  EXPECT_FALSE(PageForCommand(Command::kScanPage).has_value()) << "decided by the results held";
  EXPECT_FALSE(PageForCommand(Command::kScan).has_value()) << "no menu row";
  // Every row's command shows the page whose row it is.
  for (const MenuRow& row : MenuRowsFor(8)) {
    if (const std::optional<Page> page = PageForCommand(row.command)) {
      EXPECT_EQ(row.command, CommandOf(*page)) << row.caption;
    }
  }
  EXPECT_EQ(Page::kResults, FrontOrResults(12));
  EXPECT_EQ(Page::kFront, FrontOrResults(0));
}

TEST(Navigation, TurningToTheShownPageDoesNothing) {
  Navigator navigator;
  const PageTurn same = navigator.TurnPage(Page::kFront);
  EXPECT_FALSE(same.changed);
  EXPECT_FALSE(same.postFrontRefresh);
}

TEST(Navigation, TurnsSayWhatToRefresh) {
  Navigator navigator;
  const PageTurn scan = navigator.TurnPage(Page::kScan);
  EXPECT_TRUE(scan.changed);
  EXPECT_FALSE(scan.menuEnabled);
  EXPECT_FALSE(scan.highlightCommand.has_value());
  const PageTurn results = navigator.TurnPage(Page::kResults);
  EXPECT_TRUE(results.menuEnabled);
  EXPECT_TRUE(results.clearStatusRefresh);
  EXPECT_EQ(Page::kScan, results.previous);
  const PageTurn restore = navigator.TurnPage(Page::kRestore);
  EXPECT_TRUE(restore.refreshSnapshotList);
  EXPECT_EQ(Command::kRestorePage, restore.highlightCommand);
  const PageTurn front = navigator.TurnPage(Page::kFront);
  EXPECT_TRUE(front.postFrontRefresh);
  EXPECT_TRUE(front.clearStatusRefresh);
  EXPECT_EQ(Page::kFront, navigator.Current());
}

TEST(Navigation, HelpTopicsPerPageAndSettingsTab) {
  EXPECT_EQ("Using Hivemend\\Settings\\Ignore List.htm", HelpTopicFor(Page::kSettings, 2));
  EXPECT_EQ("Using Hivemend\\Settings\\About settings.htm", HelpTopicFor(Page::kSettings, 7));
  EXPECT_EQ("Using Hivemend\\Settings\\About settings.htm", HelpTopicFor(Page::kSettings, -1));
  EXPECT_EQ("Help\\front.htm", HelpTopicFor(Page::kSummary, 0));
  EXPECT_EQ("Using Hivemend\\Scan and Clean.htm", HelpTopicFor(Page::kResults, 0));
  EXPECT_EQ("C:\\P\\hvmend.chm::/Using Hivemend\\restore.htm",
            HelpLocation("C:\\P\\hvmend.chm", HelpTopicFor(Page::kRestore, 0)));
  EXPECT_EQ("x.chm::/Help\\front.HTM", HelpLocation("x.chm", "Help\\front.HTM"));
  EXPECT_EQ("x.chm::/Topic.htm", HelpLocation("x.chm", "Topic"));
}

// The fallback when HTML Help fails: the ".hlp" file beside the ".chm", and
// the macro that jumps to the page's topic in it.
TEST(Navigation, WinHelpGetsTheOlderFileAndAJumpToTheTopic) {
  EXPECT_EQ("C:\\Program Files\\Hivemend\\hvmend.hlp",
            WinHelpFile("C:\\Program Files\\Hivemend\\hvmend.chm"));
  EXPECT_EQ("C:\\H\\HVMEND.hlp", WinHelpFile("C:\\H\\HVMEND.CHM"));
  // Without ".chm" nothing of the name is cut off.
  EXPECT_EQ("C:\\help.hlp", WinHelpFile("C:\\help"));
  EXPECT_EQ("chm.hlp", WinHelpFile("chm"));
  EXPECT_EQ(".hlp", WinHelpFile(""));
  EXPECT_EQ("JumpID(\"\", \"Using Hivemend\\Optimize.htm\")",
            WinHelpMacro(HelpTopicFor(Page::kOptimize, 0)));
  EXPECT_EQ("JumpID(\"\", \"Using Hivemend\\Settings\\Ignore List.htm\")",
            WinHelpMacro(HelpTopicFor(Page::kSettings, 2)));
}

}  // namespace
}  // namespace hvm
