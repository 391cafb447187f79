#include "engine/scan/scan_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "engine/core/dialog_service.h"
#include "engine/core/monitor_state.h"
#include "support/recording_scan_view.h"
#include "support/scan_harness.h"

namespace hvm {
namespace {

using test::FakeMonitor;
using test::RecordingView;
using test::ScriptedDialogs;
using ::testing::ElementsAre;

// Stand-in sections: each runs what the test gives it, inside its group.
class StandInGroups : public ScanGroups {
 public:
  void ComputeScanMaximum(ScanDriver& driver) override { driver.SetProgressMaximum(1000); }
  void ScanClassRegistrations(ScanDriver& driver) override { RunRange(driver, 1, 9); }
  void ScanFileReferences(ScanDriver& driver) override { RunRange(driver, 10, 22); }
  void ScanFilePathReferences(ScanDriver& driver) override { Body(driver, 23); }
  void ScanConfigurationCache(ScanDriver& driver) override { Body(driver, 24); }

  std::map<int, std::function<void(ScanDriver&)>> bodies;
  std::vector<int> ran;

 private:
  void RunRange(ScanDriver& driver, int first, int last) {
    for (int number = first; number <= last; ++number)
      if (!driver.RunSection(number, [&] { Body(driver, number); })) return;
  }
  void Body(ScanDriver& driver, int number) {
    ran.push_back(number);
    if (bodies.count(number)) bodies[number](driver);
  }
};

class Switches : public SectionSwitches {
 public:
  bool Enabled(int section) const override { return !off.count(section); }
  std::set<int> off;
};

class CountingStamps : public ResultsStamps {
 public:
  void StampOrganized() override { ++organized; }
  void StoreScanTotals(int found) override { scans.push_back(found); }
  void StoreRepairTotals(int) override {}
  int organized = 0;
  std::vector<int> scans;
};

class IgnoreFilter : public SuppressionFilter {
 public:
  bool IsSuppressed(const std::string& key, const std::string&, bool) override {
    return key.find("Ignored") != std::string::npos;
  }
  void Reload() override {}
};

class ScanDriverTest : public ::testing::Test {
 protected:
  void Report(int section, std::vector<std::string> lines) {
    groups_.bodies[section] = [lines](ScanDriver& driver) {
      for (const std::string& line : lines) driver.AddItemToResultsList(line, {});
    };
  }

  RecordingView view_;
  StandInGroups groups_;
  Switches switches_;
  ScriptedDialogs dialogs_;
  FakeMonitor monitor_;
  CountingStamps stamps_;
  IgnoreFilter filter_;
  ResultsStore results_{&filter_, &stamps_};
  ScanDriver driver_{{results_, view_, groups_, switches_, dialogs_, monitor_}};
};

TEST(TotalLabelText, SingularOnlyForOne) {
  EXPECT_EQ("0 Problems Found", TotalLabelText(0));
  EXPECT_EQ("1 Problem Found", TotalLabelText(1));
  EXPECT_EQ("2 Problems Found", TotalLabelText(2));
}

TEST_F(ScanDriverTest, AFullScanRunsEverySectionInOrderAndShowsTheResults) {
  Report(3, {"HKCR\\.a", "HKCR\\.b"});
  Report(23, {"HKLM\\Run\\\\:x = C:\\gone.exe"});
  driver_.RunScan();
  std::vector<int> expected;
  for (int n = 1; n <= 24; ++n) expected.push_back(n);
  EXPECT_EQ(expected, groups_.ran);
  EXPECT_THAT(view_.totals, ElementsAre("0 Problems Found", "1 Problem Found", "2 Problems Found",
                                        "3 Problems Found"));
  EXPECT_EQ(2, view_.counts[3]);
  EXPECT_EQ(0, view_.counts[4]);
  EXPECT_EQ(SectionMark::Problem, view_.marks[3]);
  EXPECT_EQ(SectionMark::Clean, view_.marks[4]);
  EXPECT_FALSE(view_.bold[3]);
  EXPECT_THAT(view_.pages, ElementsAre("scan", "results"));
  EXPECT_THAT(view_.animation, ElementsAre(true, false));
  EXPECT_THAT(stamps_.scans, ElementsAre(3));
  EXPECT_EQ(3, stamps_.organized);
  EXPECT_FALSE(driver_.Busy());
  EXPECT_TRUE(results_.Section(3)[0].Checked());
  EXPECT_FALSE(results_.Section(23)[0].Checked());
  EXPECT_EQ(kKindCaution, results_.Section(23)[0].Kind());
  EXPECT_EQ(1000, view_.progressMax);
}

TEST_F(ScanDriverTest, ThePageIsResetBeforeTheFirstSection) {
  groups_.bodies[1] = [this](ScanDriver& driver) {
    EXPECT_TRUE(driver.Busy());
    EXPECT_EQ(1, view_.pumps) << "one pass of messages before scanning";
    EXPECT_EQ(0, view_.progress);
    EXPECT_EQ(SectionMark::None, view_.marks[24]);
    EXPECT_EQ(0, view_.counts[24]);
    EXPECT_TRUE(view_.bold[1]);
  };
  driver_.RunScan();
  EXPECT_EQ(24u, view_.counts.size());
}

TEST_F(ScanDriverTest, SuppressedLinesKeepTheCountsAndStillStampTheTime) {
  Report(5, {"HKCR\\Interface\\Ignored", "HKCR\\Interface\\{x}", "HKCR\\Interface\\Ignored2"});
  Report(6, {"HKCR\\AppID\\Ignored"});
  driver_.RunScan();
  EXPECT_EQ(1, view_.counts[5]);
  EXPECT_EQ(1, results_.TotalCount());
  EXPECT_EQ(0, view_.counts[6]);
  EXPECT_THAT(view_.totals, ElementsAre("0 Problems Found", "0 Problems Found", "1 Problem Found",
                                        "1 Problem Found", "1 Problem Found"));
  EXPECT_EQ(4, stamps_.organized) << "every report stamps the time, suppressed ones too";
}

TEST_F(ScanDriverTest, ASectionWhoseEveryProblemWasSuppressedGetsTheCleanMark) {
  Report(6, {"HKCR\\AppID\\Ignored"});
  driver_.RunScan();
  EXPECT_EQ(SectionMark::Clean, view_.marks[6]);
  EXPECT_EQ(1, stamps_.organized);
  EXPECT_THAT(view_.pages, ElementsAre("scan", "summary"));
}

TEST_F(ScanDriverTest, EverySwitchOffEndsOnTheSummaryWithNoProblems) {
  for (int n = 1; n <= 24; ++n) switches_.off.insert(n);
  driver_.RunScan();
  EXPECT_TRUE(groups_.ran.empty());
  EXPECT_TRUE(view_.started.empty());
  EXPECT_THAT(view_.pages, ElementsAre("scan", "summary"));
  EXPECT_THAT(stamps_.scans, ElementsAre(0));
}

TEST_F(ScanDriverTest, DefaultSwitchesLeaveTheConfigurationCacheOut) {
  DefaultSectionSwitches defaults;
  int on = 0;
  for (int n = 1; n <= 24; ++n) on += defaults.Enabled(n);
  EXPECT_EQ(23, on);
  EXPECT_FALSE(defaults.Enabled(24));
}

TEST_F(ScanDriverTest, StopDuringSectionFiveEndsTheScanAndRecordsOnce) {
  Report(2, {"HKCR\\TypeLib\\{a}"});
  groups_.bodies[5] = [this](ScanDriver& driver) {
    driver.AddItemToResultsList("HKCR\\Interface\\{b}", {});
    view_.onPump = [&] {
      view_.onPump = nullptr;
      driver.ScanComplete(ScanEnd::StopButton);  // the Stop button, during a poll
    };
    for (int i = 0; i < 100; ++i) {
      if (driver.StopRequested(i)) return;
      driver.AddItemToResultsList("HKCR\\Interface\\{" + std::to_string(i) + "}", {});
    }
  };
  driver_.RunScan();
  EXPECT_THAT(groups_.ran, ElementsAre(1, 2, 3, 4, 5));
  for (int n = 6; n <= 24; ++n) EXPECT_EQ(SectionMark::None, view_.marks[n]) << n;
  EXPECT_EQ(SectionMark::Problem, view_.marks[5]);
  EXPECT_FALSE(view_.bold[5]);
  EXPECT_EQ(1u, stamps_.scans.size());
  EXPECT_EQ(2, stamps_.scans[0]);
  EXPECT_EQ(2, results_.TotalCount());
  EXPECT_EQ("results", view_.pages.back());
  EXPECT_TRUE(driver_.StopFlag());
}

TEST_F(ScanDriverTest, StopRequestedLetsMessagesRunOnlyEveryFourthItem) {
  groups_.bodies[1] = [this](ScanDriver& driver) {
    const int before = view_.pumps;
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(driver.StopRequested(i));
    EXPECT_EQ(before + 3, view_.pumps);  // indexes 0, 4 and 8
  };
  driver_.RunScan();
}

TEST_F(ScanDriverTest, TerminatingApplicationStopsLikeTheStopButton) {
  groups_.bodies[2] = [this](ScanDriver&) { view_.terminating = true; };
  driver_.RunScan();
  EXPECT_THAT(groups_.ran, ElementsAre(1, 2));
}

TEST_F(ScanDriverTest, AStartWhileResultsAreHeldShowsThemAndClearsNothing) {
  for (int i = 0; i < 12; ++i) results_.AddProblem(4, "HKCR\\CLSID\\{" + std::to_string(i) + "}");
  driver_.RunScan();
  EXPECT_TRUE(groups_.ran.empty());
  EXPECT_THAT(view_.pages, ElementsAre("results"));
  EXPECT_EQ(12, results_.TotalCount());
  EXPECT_EQ(12u, results_.Section(4).size());
  EXPECT_TRUE(stamps_.scans.empty());
}

TEST_F(ScanDriverTest, AStartWhileBusyIsIgnored) {
  driver_.SetBusy(true);
  driver_.RunScan();
  EXPECT_TRUE(groups_.ran.empty());
  EXPECT_TRUE(view_.pages.empty());
}

TEST_F(ScanDriverTest, AStartFromTheMessagesOfAStoppingScanIsRefused) {
  groups_.bodies[3] = [this](ScanDriver& driver) {
    view_.onPump = [&] {
      view_.onPump = nullptr;
      driver.ScanComplete(ScanEnd::StopButton);
      driver.RunScan();  // e.g. a scan command taken up while unwinding
    };
    driver.StopRequested(0);
  };
  driver_.RunScan();
  EXPECT_THAT(groups_.ran, ElementsAre(1, 2, 3));
  EXPECT_EQ(1u, stamps_.scans.size());
}

TEST_F(ScanDriverTest, MonitorOnAndCancelMeansNoScan) {
  monitor_.on = true;
  dialogs_.answer = dialog::kCancel;
  driver_.RunScan();
  EXPECT_TRUE(monitor_.on);
  EXPECT_TRUE(groups_.ran.empty());
  EXPECT_THAT(dialogs_.asked, ElementsAre("Hivemend Monitor|1"));
}

TEST_F(ScanDriverTest, MonitorOnAndOkSwitchesItOffAndScans) {
  monitor_.on = true;
  dialogs_.answer = dialog::kOk;
  driver_.RunScan();
  EXPECT_FALSE(monitor_.on);
  EXPECT_EQ(24u, groups_.ran.size());
}

TEST_F(ScanDriverTest, AnErrorInASectionEndsItTheScanAndStillCompletes) {
  Report(1, {"HKLM\\a"});
  groups_.bodies[7] = [](ScanDriver& driver) {
    driver.AddItemToResultsList("HKCR\\MIME\\x", {});
    throw std::runtime_error("Invalid data type for 'x'");
  };
  EXPECT_THROW(driver_.RunScan(), std::runtime_error);
  EXPECT_THAT(groups_.ran, ElementsAre(1, 2, 3, 4, 5, 6, 7));
  EXPECT_FALSE(view_.bold[7]) << "the section's row is finished";
  EXPECT_EQ(SectionMark::Problem, view_.marks[7]);
  EXPECT_THAT(stamps_.scans, ElementsAre(2));
  EXPECT_EQ("results", view_.pages.back());
  EXPECT_FALSE(driver_.Busy());
  EXPECT_EQ(false, view_.animation.back());
  // The next start scans again once the results are let go.
  results_.ClearTotal();
  groups_.bodies.erase(7);
  groups_.ran.clear();
  driver_.RunScan();
  EXPECT_EQ(24u, groups_.ran.size());
}

TEST_F(ScanDriverTest, EachScanStartsFromEmptyLists) {
  Report(9, {"HKCR\\Applications\\gone.exe"});
  driver_.RunScan();
  results_.ClearTotal();
  groups_.bodies.clear();
  driver_.RunScan();
  EXPECT_TRUE(results_.Section(9).empty());
  EXPECT_EQ("summary", view_.pages.back());
}

TEST_F(ScanDriverTest, StatusTimerCopiesTheCurrentKeyWhileRefreshIsOn) {
  groups_.bodies[10] = [this](ScanDriver& driver) {
    driver.SetCurrentKeyText("Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    driver.OnStatusTick();
  };
  driver_.RunScan();
  EXPECT_THAT(view_.status,
              ElementsAre("Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"));
  driver_.SetStatusRefresh(false);
  driver_.OnStatusTick();
  EXPECT_EQ(1u, view_.status.size());
}

TEST_F(ScanDriverTest, ProgressAdvancesFromZero) {
  groups_.bodies[1] = [](ScanDriver& driver) { driver.AdvanceProgress(50); };
  groups_.bodies[2] = [](ScanDriver& driver) { driver.AdvanceProgress(3); };
  driver_.RunScan();
  EXPECT_EQ(53, view_.progress);
  EXPECT_EQ(53, driver_.ProgressPosition());
}

}  // namespace
}  // namespace hvm
