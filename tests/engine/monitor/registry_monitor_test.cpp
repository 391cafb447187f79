#include "engine/monitor/registry_monitor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "engine/monitor/change_line.h"
#include "engine/monitor/key_watch_thread.h"
#include "monitor_test_registry.h"
#include "monitor_test_steps.h"
#include "support/registry_sandbox.h"

namespace hvm {
namespace {

using test::RunStepsUntil;
using test::SeedKey;
using test::SeedString;
using ::testing::ElementsAre;

constexpr int kRunSlot = 10;  // HKCU ...\CurrentVersion\Run
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunPath = std::string("HKCU\\") + kRun;
constexpr char kRunLocation[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A watch point as the seeding helpers write it ("HKCU\\...").
std::string SeedPath(int index) {
  std::string path(WatchPoints()[size_t(index)]);
  for (const auto& [name, shortName] :
       {std::pair{"HKEY_CURRENT_USER", "HKCU"}, std::pair{"HKEY_LOCAL_MACHINE", "HKLM"}})
    if (path.rfind(name, 0) == 0) return shortName + path.substr(std::string(name).size());
  return path;
}

std::vector<std::string> Summary(const std::vector<std::string>& lines) {
  std::vector<std::string> summary;
  for (const std::string& line : lines) {
    const ChangeLineFields f = ReadChangeLine(line);
    summary.push_back(f.action + " " + f.name);
  }
  return summary;
}

class RegistryMonitorTest : public test::RegistrySandboxTest {
 protected:
  ~RegistryMonitorTest() override { monitor_.Shutdown(); }

  // Switches on and waits until `count` workers are armed.
  void StartAndArm(int count) {
    monitor_.SetMonitoring(true);
    ASSERT_TRUE(RunStepsUntil(steps_, [&] { return monitor_.ActiveCount() == count; }))
        << monitor_.ActiveCount();
  }
  bool LinesReach(size_t count) {
    return RunStepsUntil(steps_, [&] { return view_.lines.size() >= count; });
  }
  void StopAndWaitForEnd() {
    monitor_.SetMonitoring(false);
    ASSERT_TRUE(RunStepsUntil(steps_, [&] {
      monitor_.ReapEnded();
      return monitor_.ActiveCount() == 0 && monitor_.WorkerCount() == 0;
    }));
  }

  WindowThreadQueue steps_;
  test::RecordingView view_;
  RegistryMonitor monitor_{steps_, view_};
};

// The table written out in full, so that a slip in a path, its letter case
// (it shows in every change line's location) or its place is caught.
TEST(WatchPointTable, HoldsTheThirtyTwoPathsInTheirOrderAndLetterCase) {
  const std::array<const char*, kWatchPointCount> expected = {
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
      "Folders",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
      "Folders",
      "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\HTML Help",
      "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce-",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
      "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce-",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers",
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD",
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
  };
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(std::string_view(expected[i]), WatchPoints()[i]) << "watch point " << i;
}

TEST_F(RegistryMonitorTest, AllThirtyTwoPointsGetWorkersWithEventsNamedInArmOrder) {
  for (int i = 0; i < kWatchPointCount; ++i) SeedKey(SeedPath(i));
  monitor_.SetMonitoring(true);
  EXPECT_EQ(0, monitor_.ActiveCount()) << "counted only once their Arm step ran";
  for (int i = 0; i < kWatchPointCount; ++i) ASSERT_NE(nullptr, monitor_.Slot(i)) << i;
  ASSERT_TRUE(RunStepsUntil(steps_, [&] { return monitor_.ActiveCount() == 32; }));
  std::set<std::string> names;
  for (int i = 0; i < kWatchPointCount; ++i) names.insert(monitor_.Slot(i)->EventName());
  std::set<std::string> expected;
  for (int n = 1; n <= 32; ++n) expected.insert("RegMonitorChange" + std::to_string(n));
  EXPECT_EQ(expected, names);
  HANDLE named = OpenEventA(SYNCHRONIZE, FALSE, "RegMonitorChange32");
  EXPECT_NE(nullptr, named);
  if (named) CloseHandle(named);
  EXPECT_THAT(view_.tray, ElementsAre(true));
  EXPECT_EQ(std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
            monitor_.Slot(kRunSlot)->KeyPath());
  EXPECT_EQ(HKEY_CURRENT_USER, monitor_.Slot(kRunSlot)->RootKey());
  const test::WorkerThreads threads(monitor_);
  EXPECT_EQ(32, threads.Opened());
  EXPECT_EQ(32, threads.Running());

  StopAndWaitForEnd();
  EXPECT_EQ(0, threads.Running()) << "every worker's thread has ended";
  for (int i = 0; i < kWatchPointCount; ++i) EXPECT_EQ(nullptr, monitor_.Slot(i));
  EXPECT_THAT(view_.tray, ElementsAre(true, false));
}

TEST_F(RegistryMonitorTest, OnlyPointsPresentAtTheStartAreWatched) {
  SeedKey(kRunPath);
  SeedKey(SeedPath(26));  // HKLM ...\Uninstall
  StartAndArm(2);
  for (int i = 0; i < kWatchPointCount; ++i)
    EXPECT_EQ(i == kRunSlot || i == 26, monitor_.Slot(i) != nullptr) << i;
  // Created later: not watched until monitoring starts again.
  SeedString(SeedPath(12), "late", "x");  // HKCU ...\RunOnce
  SeedString(kRunPath, "probe", "x");
  ASSERT_TRUE(LinesReach(1));
  EXPECT_THAT(Summary(view_.lines), ElementsAre("Value Added To probe"));
  EXPECT_EQ(nullptr, monitor_.Slot(12));
  StopAndWaitForEnd();
  StartAndArm(3);
  EXPECT_NE(nullptr, monitor_.Slot(12));
}

TEST_F(RegistryMonitorTest, ChangesWaitingBehindADeliveryArriveAsOneBatchKeyFirst) {
  SeedKey(kRunPath);
  StartAndArm(1);
  SeedString(kRunPath, "first", "x");
  // The worker has read the first change and waits for its delivery: the
  // next two changes pile up behind it.
  ASSERT_TRUE(test::StepQueued(steps_));
  SeedString(kRunPath, "X", "x");
  SeedKey(kRunPath + "\\K");
  ASSERT_TRUE(LinesReach(3));
  ASSERT_EQ(2u, view_.batches.size());
  EXPECT_THAT(Summary(view_.batches[0]), ElementsAre("Value Added To first"));
  EXPECT_THAT(Summary(view_.batches[1]), ElementsAre("Key Added To K", "Value Added To X"));
  EXPECT_EQ(kRunLocation, ReadChangeLine(view_.lines[1]).location);
}

TEST_F(RegistryMonitorTest, DataChangesAndDeeperChangesWakeTheWorkerWithoutLines) {
  SeedString(kRunPath, "App", "old.exe");
  SeedKey(kRunPath + "\\Sub\\Deeper");
  StartAndArm(1);
  SeedString(kRunPath, "App", "new.exe");
  ASSERT_TRUE(RunStepsUntil(steps_, [&] { return !view_.batches.empty(); }));
  SeedString(kRunPath + "\\Sub\\Deeper", "two levels down", "x");
  ASSERT_TRUE(RunStepsUntil(steps_, [&] { return view_.batches.size() >= 2; }));
  EXPECT_TRUE(view_.lines.empty());
  // Still watching: a name at the first level is reported.
  SeedString(kRunPath, "Y", "x");
  ASSERT_TRUE(LinesReach(1));
  EXPECT_THAT(Summary(view_.lines), ElementsAre("Value Added To Y"));
}

TEST_F(RegistryMonitorTest, SwitchingOffKeepsTheCountUntilEachFinishedStepRan) {
  SeedKey(kRunPath);
  SeedKey(SeedPath(0));
  StartAndArm(2);
  monitor_.SetMonitoring(false);
  EXPECT_FALSE(monitor_.Active());
  EXPECT_EQ(2, monitor_.ActiveCount()) << "the workers uncount themselves on the GUI thread";
  ASSERT_TRUE(RunStepsUntil(steps_, [&] { return monitor_.ActiveCount() == 0; }));
  monitor_.ReapEnded();
  EXPECT_EQ(0, monitor_.WorkerCount());
}

TEST_F(RegistryMonitorTest, SwitchingOnWhileOnStartsNoSecondSetOfWorkers) {
  SeedKey(kRunPath);
  StartAndArm(1);
  const KeyWatchThread* first = monitor_.Slot(kRunSlot);
  monitor_.SetMonitoring(true);
  EXPECT_EQ(first, monitor_.Slot(kRunSlot));
  EXPECT_EQ(1, monitor_.WorkerCount());
  SeedString(kRunPath, "once", "x");
  ASSERT_TRUE(LinesReach(1));
  // Give a duplicate worker every chance to report too: one more change.
  SeedString(kRunPath, "twice", "x");
  ASSERT_TRUE(LinesReach(2));
  EXPECT_THAT(Summary(view_.lines), ElementsAre("Value Added To once", "Value Added To twice"));
}

TEST_F(RegistryMonitorTest, AnOldWorkerEndingLateLeavesTheNewWorkersSlot) {
  SeedKey(kRunPath);
  StartAndArm(1);
  const KeyWatchThread* old = monitor_.Slot(kRunSlot);
  monitor_.SetMonitoring(false);
  monitor_.SetMonitoring(true);  // before the old worker's Finished step ran
  const KeyWatchThread* fresh = monitor_.Slot(kRunSlot);
  ASSERT_NE(nullptr, fresh);
  EXPECT_NE(old, fresh);
  ASSERT_TRUE(RunStepsUntil(steps_, [&] {
    monitor_.ReapEnded();
    return monitor_.WorkerCount() == 1 && monitor_.ActiveCount() == 1;
  }));
  EXPECT_EQ(fresh, monitor_.Slot(kRunSlot));
  SeedString(kRunPath, "seen", "x");
  ASSERT_TRUE(LinesReach(1));
  EXPECT_THAT(Summary(view_.lines), ElementsAre("Value Added To seen"));
}

TEST_F(RegistryMonitorTest, AWorkerSurvivesTheDeletionOfItsKeyAndStillEnds) {
  SeedString(kRunPath, "v", "x");
  StartAndArm(1);
  test::RemoveValue(HKEY_CURRENT_USER, kRun, "v");
  ASSERT_TRUE(LinesReach(1));
  test::RemoveKeyTree(HKEY_CURRENT_USER, kRun);
  SeedString(kRunPath, "new key, old handle", "x");
  EXPECT_NE(nullptr, monitor_.Slot(kRunSlot));
  EXPECT_EQ(1, monitor_.ActiveCount());
  StopAndWaitForEnd();
}

TEST_F(RegistryMonitorTest, AKeyTheUserMayOnlyReadIsWatched) {
  SeedKey(kRunPath);
  test::ReadOnlyKey lock(HKEY_CURRENT_USER, kRun);
  if (!lock.Enforced()) GTEST_SKIP() << "this platform does not enforce key security";
  EXPECT_TRUE(RegistryMonitor::KeyExists(HKEY_CURRENT_USER, kRun));
  StartAndArm(1);
  EXPECT_FALSE(monitor_.Slot(kRunSlot)->EventName().empty());
  lock.Unlock();
  SeedString(kRunPath, "after", "x");
  ASSERT_TRUE(LinesReach(1));
  EXPECT_THAT(Summary(view_.lines), ElementsAre("Value Added To after"));
}

TEST_F(RegistryMonitorTest, ATakenEventNameIsNotShared) {
  SeedKey(kRunPath);
  // Another process's worker 1, as far as this one can tell.
  HANDLE foreign = CreateEventA(nullptr, TRUE, FALSE, "RegMonitorChange1");
  ASSERT_NE(nullptr, foreign);
  StartAndArm(1);
  EXPECT_EQ("", monitor_.Slot(kRunSlot)->EventName());
  SeedString(kRunPath, "still seen", "x");
  ASSERT_TRUE(LinesReach(1));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(foreign, 0)) << "the other event was left alone";
  CloseHandle(foreign);
}

TEST_F(RegistryMonitorTest, AThousandValuesAddedAndRemovedLoseNoLine) {
  SeedKey(kRunPath);
  StartAndArm(1);
  constexpr int kCount = 1000;
  for (int i = 0; i < kCount; ++i) SeedString(kRunPath, "stress" + std::to_string(i), "x");
  ASSERT_TRUE(LinesReach(kCount)) << view_.lines.size();
  for (int i = 0; i < kCount; ++i)
    test::RemoveValue(HKEY_CURRENT_USER, kRun, "stress" + std::to_string(i));
  ASSERT_TRUE(LinesReach(2 * kCount)) << view_.lines.size();
  // One more change flushes anything still on its way.
  SeedString(kRunPath, "end", "x");
  ASSERT_TRUE(LinesReach(2 * kCount + 1));
  std::set<std::string> added, removed;
  for (const std::string& line : view_.lines) {
    const ChangeLineFields f = ReadChangeLine(line);
    (f.action == "Value Added To" ? added : removed).insert(f.name);
  }
  EXPECT_EQ(size_t(kCount + 1), added.size());
  EXPECT_EQ(size_t(kCount), removed.size());
  EXPECT_EQ(size_t(2 * kCount + 1), view_.lines.size()) << "no line twice";
  if (view_.lines.size() != size_t(2 * kCount + 1)) {
    std::map<std::string, int> seen;
    for (const std::string& line : view_.lines) {
      const ChangeLineFields f = ReadChangeLine(line);
      if (++seen[f.action + " " + f.name] == 2)
        ADD_FAILURE() << "twice: " << f.action << " " << f.name;
    }
  }
}

}  // namespace
}  // namespace hvm
