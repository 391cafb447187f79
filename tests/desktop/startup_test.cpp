#include "desktop/startup.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

TEST(StartWords, FirstWordPicksTheModeAndSecondMayBeSilent) {
  EXPECT_EQ(StartMode::kNormal, ParseStartWords({}).mode);
  EXPECT_EQ(StartMode::kBootup, ParseStartWords({"bootup"}).mode);
  EXPECT_EQ(StartMode::kSchedule, ParseStartWords({"SCHEDULE"}).mode);
  EXPECT_EQ(StartMode::kMonitor, ParseStartWords({"monitor", "x"}).mode);
  EXPECT_EQ(StartMode::kStartScan, ParseStartWords({"startscan"}).mode);
  EXPECT_EQ(StartMode::kNormal, ParseStartWords({"/bootup"}).mode);
  const StartWords words = ParseStartWords({"Bootup", "Silent"});
  EXPECT_EQ("Bootup", words.first);
  EXPECT_TRUE(words.silent);
  EXPECT_TRUE(words.IsStartMode());
  EXPECT_FALSE(ParseStartWords({"silent"}).silent);  // only as the second word
  EXPECT_FALSE(ParseStartWords({"startscan"}).IsStartMode());
}

TEST(ScheduledScan, DueOnlyWithScanAndRepairAndStoresTheNextDate) {
  const CivilDate today{2026, 12, 9};
  ProgramSettings settings;
  settings.AutoAction = 0;
  EXPECT_FALSE(ScheduledScanDue(settings, today));
  EXPECT_EQ("", settings.autorun);

  settings.AutoAction = 1;
  settings.AutoFreq = 1;
  EXPECT_TRUE(ScheduledScanDue(settings, today));  // empty next date: due
  EXPECT_EQ("20261216", settings.autorun);
  EXPECT_FALSE(ScheduledScanDue(settings, today));  // not again the same day
  EXPECT_TRUE(ScheduledScanDue(settings, {2026, 12, 16}));
  EXPECT_EQ("20261223", settings.autorun);

  settings.autorun = "";
  settings.AutoFreq = 9;  // out of range becomes daily
  EXPECT_TRUE(ScheduledScanDue(settings, today));
  EXPECT_EQ(0, settings.AutoFreq);
  EXPECT_EQ("20261210", settings.autorun);

  settings.AutoAction = 2;  // monitor at log-on never scans
  settings.autorun = "";
  EXPECT_FALSE(ScheduledScanDue(settings, today));
  EXPECT_EQ(30, ScanIntervalDays(3));
  EXPECT_EQ(14, ScanIntervalDays(2));
  EXPECT_EQ(1, ScanIntervalDays(-1));
}

TEST(Placement, EmptyTextDoesNothing) {
  EXPECT_FALSE(PlacementFromText("", 800, 600).has_value());
}

TEST(Placement, SmallerRectangleIsWidenedToTheWindowSize) {
  const auto restored = PlacementFromText("44,0,1,-1,-1,-1,-1,10,20,110,120", 800, 600);
  ASSERT_TRUE(restored.has_value());
  const RECT& r = restored->placement.rcNormalPosition;
  EXPECT_EQ(10, r.left);
  EXPECT_EQ(20, r.top);
  EXPECT_EQ(810, r.right);
  EXPECT_EQ(620, r.bottom);
  EXPECT_EQ(0u, restored->placement.showCmd);
  EXPECT_EQ(RestoredPlacement::State::kNone, restored->state);
  // A larger saved rectangle is kept as it is.
  const auto large = PlacementFromText("44,0,1,0,0,0,0,5,5,1205,905", 800, 600);
  EXPECT_EQ(1205, large->placement.rcNormalPosition.right);
}

TEST(Placement, SavedStatesAndShortTexts) {
  EXPECT_EQ(RestoredPlacement::State::kMaximised,
            PlacementFromText("44,2,3,0,0,0,0,0,0,900,700", 800, 600)->state);
  for (const char* minimised :
       {"44,0,2,0,0,0,0,0,0,900,700", "44,0,6,0,0,0,0,0,0,900,700", "44,0,7,0,0,0,0,0,0,900,700"})
    EXPECT_EQ(RestoredPlacement::State::kMinimised, PlacementFromText(minimised, 800, 600)->state);
  // Fewer than eleven numbers: the missing ones read as 0, the rectangle is widened.
  const auto shortText = PlacementFromText("44,0,1,5", 800, 600);
  ASSERT_TRUE(shortText.has_value());
  EXPECT_EQ(0, shortText->placement.rcNormalPosition.left);
  EXPECT_EQ(800, shortText->placement.rcNormalPosition.right);
  EXPECT_EQ(600, shortText->placement.rcNormalPosition.bottom);
  // The saved length is ignored.
  EXPECT_EQ(sizeof(WINDOWPLACEMENT), PlacementFromText("7,0,1", 10, 10)->placement.length);
}

TEST(Placement, RoundTripThroughAWindow) {
  HWND window = CreateWindowExA(0, "STATIC", "placement", WS_OVERLAPPEDWINDOW, 50, 60, 400, 300,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  const std::string text = PlacementText(window);
  const auto restored = PlacementFromText(text, 100, 100);
  ASSERT_TRUE(restored.has_value());
  EXPECT_EQ(50, restored->placement.rcNormalPosition.left);
  EXPECT_EQ(450, restored->placement.rcNormalPosition.right);
  EXPECT_TRUE(RestorePlacement(window, "44,0,1,0,0,0,0,70,80,170,180", 400, 300).has_value());
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(70, r.left);
  EXPECT_EQ(400, r.right - r.left);
  DestroyWindow(window);
}

TEST(SingleInstance, OwnWindowsAreNotAnotherInstance) {
  HWND mine = CreateWindowExA(0, "STATIC", "HivemendProbeTitle", WS_OVERLAPPED, 0, 0, 10, 10,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  EXPECT_EQ(nullptr, FindRunningInstance("Static", "HivemendProbeTitle"));
  DestroyWindow(mine);
}

}  // namespace
}  // namespace hvm
