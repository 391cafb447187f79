#include "desktop/desktop_controller.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/clock.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/setting_policies.h"
#include "engine/update/update_check.h"
#include "support/recording_dialogs.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

// A shell without a window: it writes down what the controller asks of it,
// and its operations run what the test gives them.
class RecordingShell : public DesktopShell {
 public:
  std::vector<std::string> calls;
  bool running = false;
  int results = 0;
  bool resultsSeen = false;
  bool updateQuits = false;
  uint32_t settingsFailure = 0;
  std::function<void()> duringScan, duringRepair, duringOptimize;
  std::function<void(ProgramSettings&)> windowState;

  void TurnPage(Page page) override { calls.push_back("page " + std::to_string(int(page))); }
  void ResetView(bool showFront) override {
    calls.push_back(showFront ? "reset to front" : "reset in place");
  }
  void EnableMenu(bool on) override { calls.push_back(on ? "menu on" : "menu off"); }
  void RepaintMenu() override { calls.push_back("repaint menu"); }
  void RenderFrontPage() override { calls.push_back("front"); }
  void ShowWaitCursor(bool on) override { calls.push_back(on ? "wait" : "arrow"); }
  void HideToTray() override { calls.push_back("tray"); }
  void StoreWindowState(ProgramSettings& settings) override {
    calls.push_back("store window");
    if (windowState) windowState(settings);
  }
  void DestroyWindow() override { calls.push_back("destroy"); }
  void Started() override { calls.push_back("started"); }
  bool OperationRunning() const override { return running; }
  void SetOperationRunning(bool on) override {
    running = on;
    calls.push_back(on ? "running" : "idle");
  }
  void RunScan() override {
    calls.push_back("scan");
    if (duringScan) duringScan();
  }
  void StopScan() override { calls.push_back("stop"); }
  void RunRepair() override {
    calls.push_back("repair");
    if (duringRepair) duringRepair();
  }
  uint32_t TakeSettingsFailure() override { return std::exchange(settingsFailure, 0); }
  bool ResultsSeen() const override { return resultsSeen; }
  void ShowRepairReport() override { calls.push_back("report"); }
  int ResultCount() const override { return results; }
  void ClearResults() override {
    results = 0;
    calls.push_back("clear");
  }
  void RunOptimize() override {
    calls.push_back("optimize");
    if (duringOptimize) duringOptimize();
  }
  void RunPack() override { calls.push_back("pack"); }
  void RunFullBackup() override { calls.push_back("backup"); }
  void BackupFinished(int result) override {
    calls.push_back("backup finished " + std::to_string(result));
  }
  void ApplyVistaTweaks() override { calls.push_back("vista"); }
  void SetMonitoring(bool on) override { calls.push_back(on ? "monitor on" : "monitor off"); }
  void StartUpdateCheck(CheckMode mode) override {
    calls.push_back(mode == CheckMode::kAutomatic ? "check automatic" : "check manual");
  }
  bool TellUpdateResult(int result) override {
    calls.push_back("told " + std::to_string(result));
    return updateQuits;
  }

  bool Called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  // The calls made since the last Take.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

class DesktopControllerTest : public ::testing::Test {
 protected:
  DesktopControllerTest() : settings_(folder_.File("hvmend.ini"), dialogs_) {}

  DesktopController& Make(StartWords words = {}) {
    controller_.emplace(shell_, settings_, queue_, std::move(words));
    return *controller_;
  }
  // What the window thread would run next, as its message loop does.
  void RunQueued() {
    while (queue_.RunPending() > 0) {
    }
  }
  ProgramSettings Saved() const { return settings_.Load(); }

  test::TestFolder folder_;
  test::RecordingDialogs dialogs_;
  SettingsStore settings_;
  WindowThreadQueue queue_;
  RecordingShell shell_;
  std::optional<DesktopController> controller_;
};

using Calls = std::vector<std::string>;

TEST_F(DesktopControllerTest, CommandsReachTheirOperationAndPages) {
  DesktopController& controller = Make();
  controller.HandleCommand(Command::kPack);
  controller.HandleCommand(Command::kBackupNow);
  controller.HandleCommand(Command::kBackupFinished, 3);
  controller.HandleCommand(Command::kApplyVistaTweaks);
  controller.HandleCommand(Command::kMonitorOn);
  controller.HandleCommand(Command::kMonitorOff);
  controller.HandleCommand(Command::kRefreshFrontPage);
  controller.HandleCommand(Command::kRepaintMenu);
  controller.HandleCommand(Command::kRestorePage);
  controller.HandleCommand(Command::kSettingsPage);
  EXPECT_EQ((Calls{"pack", "backup", "backup finished 3", "vista", "monitor on", "monitor off",
                   "front", "repaint menu", "page " + std::to_string(int(Page::kRestore)),
                   "page " + std::to_string(int(Page::kSettings))}),
            shell_.Take());
  // The scan row shows the held results, else the front page.
  controller.HandleCommand(Command::kScanPage);
  shell_.results = 2;
  controller.HandleCommand(Command::kScanPage);
  EXPECT_EQ((Calls{"page " + std::to_string(int(Page::kFront)),
                   "page " + std::to_string(int(Page::kResults))}),
            shell_.Take());
}

TEST_F(DesktopControllerTest, PostedCommandsRunLaterInOrder) {
  DesktopController& controller = Make();
  controller.PostCommand(Command::kPack);
  controller.PostCommand(Command::kRefreshFrontPage);
  EXPECT_TRUE(shell_.calls.empty()) << "a click handler returns first";
  RunQueued();
  EXPECT_EQ((Calls{"pack", "front"}), shell_.Take());
}

TEST_F(DesktopControllerTest, CommandsThatClearTheResultsWaitWhileBusy) {
  DesktopController& controller = Make();
  shell_.results = 5;
  shell_.running = true;
  for (Command command : {Command::kContinue, Command::kOptimize, Command::kUndoOptimize})
    controller.HandleCommand(command);
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(5, shell_.results);
  shell_.running = false;
  controller.HandleCommand(Command::kContinue);
  EXPECT_EQ((Calls{"clear", "page " + std::to_string(int(Page::kFront))}), shell_.Take());
  controller.HandleCommand(Command::kUndoOptimize);
  EXPECT_EQ((Calls{"clear", "running", "menu off", "optimize", "idle", "menu on"}), shell_.Take());
}

TEST_F(DesktopControllerTest, AScanDoesNotStartInsideAnother) {
  DesktopController& controller = Make();
  int scans = 0;
  shell_.duringScan = [&] {
    ++scans;
    EXPECT_TRUE(controller.Busy());
    EXPECT_FALSE(controller.UpdateCheckOffered());
    controller.HandleCommand(Command::kScan);
    controller.Repair();
    controller.Optimize();
  };
  controller.HandleCommand(Command::kScan);
  EXPECT_EQ(1, scans);
  EXPECT_EQ((Calls{"scan"}), shell_.Take());
  EXPECT_FALSE(controller.Busy());
}

TEST_F(DesktopControllerTest, AnUpdateAnswerDuringAScanIsToldAfterItInPlace) {
  DesktopController& controller = Make();
  shell_.duringScan = [&] {
    controller.HandleCommand(Command::kUpdateCheckResult, update_result::kManualNothingNewer);
    controller.HandleCommand(Command::kUpdateCheckResult, update_result::kNewerOffered);
    controller.HandleCommand(Command::kUpdateCheckResult, update_result::kManualNothingNewer);
  };
  controller.HandleCommand(Command::kScan);
  EXPECT_EQ((Calls{"scan"}), shell_.Take()) << "nothing told inside the scan";
  RunQueued();
  // One answer, the offer, and the user stays on the scan's page.
  EXPECT_EQ((Calls{"told 2", "reset in place"}), shell_.Take());
  RunQueued();
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(DesktopControllerTest, AnAutomaticNothingNewerGoesAtOnceEvenWhileBusy) {
  DesktopController& controller = Make();
  shell_.running = true;
  controller.HandleCommand(Command::kUpdateCheckResult, update_result::kAutomaticNothingNewer);
  EXPECT_EQ((Calls{"told 0"}), shell_.Take()) << "the page being used stays";
  shell_.running = false;
  controller.HandleCommand(Command::kUpdateCheckResult, update_result::kManualNothingNewer);
  EXPECT_EQ((Calls{"told 1", "reset to front"}), shell_.Take());
}

TEST_F(DesktopControllerTest, AHeldAnswerWaitsForAnOperationStartedBeforeItIsTold) {
  DesktopController& controller = Make();
  controller.SetBusy(true);
  controller.HandleCommand(Command::kUpdateCheckResult, update_result::kNewerOffered);
  controller.SetBusy(false);
  shell_.Take();
  // A pack began between the release and the answer's turn: it waits again.
  shell_.running = true;
  RunQueued();
  EXPECT_TRUE(shell_.calls.empty());
  controller.SetBusy(false);
  RunQueued();
  EXPECT_EQ((Calls{"idle", "told 2", "reset in place"}), shell_.Take());
}

TEST_F(DesktopControllerTest, AScanEndedByAnErrorStillReleasesTheHeldAnswer) {
  DesktopController& controller = Make();
  shell_.duringScan = [&] {
    controller.HandleCommand(Command::kUpdateCheckResult, update_result::kNewerOffered);
    throw std::runtime_error("scan failed");
  };
  EXPECT_THROW(controller.HandleCommand(Command::kScan), std::runtime_error);
  EXPECT_FALSE(controller.Busy());
  shell_.Take();
  RunQueued();
  EXPECT_EQ((Calls{"told 2", "reset in place"}), shell_.Take());
}

TEST_F(DesktopControllerTest, AnOfferTheUserTakesEndsTheProgramForTheRestarter) {
  DesktopController& controller = Make();
  shell_.updateQuits = true;
  controller.HandleCommand(Command::kUpdateCheckResult, update_result::kNewerOffered);
  EXPECT_FALSE(shell_.Called("destroy")) << "the answer's own message ends first";
  RunQueued();
  EXPECT_TRUE(shell_.Called("destroy"));
  EXPECT_TRUE(controller.Terminating());
}

TEST_F(DesktopControllerTest, RepairLocksTheMenuAndReportsAfterwards) {
  DesktopController& controller = Make();
  shell_.duringRepair = [&] { EXPECT_TRUE(controller.Busy()); };
  controller.Repair();
  EXPECT_EQ((Calls{"running", "menu off", "wait", "repair", "idle", "menu on", "arrow", "report"}),
            shell_.Take());
  RunQueued();
  EXPECT_EQ((Calls{"front"}), shell_.Take()) << "the front page's totals follow";
  EXPECT_TRUE(Saved().FirstTimeScan) << "the results were never seen";
  shell_.resultsSeen = true;
  controller.Repair();
  EXPECT_FALSE(Saved().FirstTimeScan) << "the first repair after the results ends the hints";
}

TEST_F(DesktopControllerTest, ARepairThatFailsIsReportedBeforeItsErrorLeaves) {
  DesktopController& controller = Make();
  shell_.duringRepair = [&] {
    controller.HandleCommand(Command::kUpdateCheckResult, update_result::kNewerOffered);
    throw std::runtime_error("repair failed");
  };
  EXPECT_THROW(controller.Repair(), std::runtime_error);
  EXPECT_EQ((Calls{"running", "menu off", "wait", "repair", "idle", "menu on", "arrow", "report"}),
            shell_.Take());
  EXPECT_FALSE(controller.Busy());
  RunQueued();
  EXPECT_TRUE(shell_.Called("told 2"));
}

TEST_F(DesktopControllerTest, SettingsTheSessionCouldNotWriteAreToldOnce) {
  ASSERT_TRUE(CreateDirectoryA(folder_.File("hvmend.ini").c_str(), nullptr))
      << "a folder in the file's place refuses every write";
  DesktopController& controller = Make();
  shell_.settingsFailure = ERROR_ACCESS_DENIED;
  controller.HandleCommand(Command::kScan);
  ASSERT_EQ(1u, dialogs_.asked.size());
  EXPECT_NE(std::string::npos, dialogs_.asked[0].text.find("could not be saved"));
  shell_.settingsFailure = ERROR_ACCESS_DENIED;
  controller.Repair();
  controller.HandleCommand(Command::kSaveSettings);
  EXPECT_EQ(1u, dialogs_.asked.size()) << "the same refusal is not told again";
}

TEST_F(DesktopControllerTest, AnUnattendedRepairTellsNothingAndShowsNoReport) {
  ASSERT_TRUE(CreateDirectoryA(folder_.File("hvmend.ini").c_str(), nullptr));
  DesktopController& controller = Make();
  controller.SetQuiet(true);
  shell_.settingsFailure = ERROR_ACCESS_DENIED;
  controller.Repair();
  EXPECT_TRUE(dialogs_.asked.empty());
  EXPECT_FALSE(shell_.Called("report"));
}

TEST_F(DesktopControllerTest, ClosingStopsAScanAndSavesTheWindowState) {
  DesktopController& controller = Make();
  shell_.windowState = [](ProgramSettings& settings) { settings.MonitorPrompt = 123; };
  controller.Close();
  EXPECT_EQ((Calls{"store window", "destroy"}), shell_.Take());
  EXPECT_EQ(123, Saved().MonitorPrompt);
  EXPECT_TRUE(controller.Terminating());
  shell_.running = true;
  controller.Close();
  EXPECT_EQ((Calls{"stop", "store window", "destroy"}), shell_.Take());
}

TEST_F(DesktopControllerTest, SavingTheWindowStateKeepsWhatOthersWrote) {
  DesktopController& controller = Make();
  ProgramSettings other;
  other.DeleteAfterWeek = true;
  other.last_scan = "202601020304";
  ASSERT_EQ(0u, SaveSettings(other, settings_.Path()));
  controller.HandleCommand(Command::kSaveSettings);
  EXPECT_TRUE(Saved().DeleteAfterWeek);
  EXPECT_EQ("202601020304", Saved().last_scan);
}

TEST_F(DesktopControllerTest, StartUpChecksForUpdatesOnlyWhenDue) {
  ProgramSettings settings;
  settings.UpdateFreq = 0;  // never
  ASSERT_EQ(0u, SaveSettings(settings, settings_.Path()));
  DesktopController& controller = Make();
  EXPECT_FALSE(controller.UpdateCheckOffered()) << "not before start-up is complete";
  controller.HandleCommand(Command::kStarted);
  EXPECT_EQ((Calls{"started", "reset to front"}), shell_.Take());
  EXPECT_TRUE(controller.UpdateCheckOffered());

  settings.UpdateFreq = 7;
  settings.update = "20000101";
  ASSERT_EQ(0u, SaveSettings(settings, settings_.Path()));
  controller.HandleCommand(Command::kStarted);
  EXPECT_EQ((Calls{"check automatic", "started", "reset to front"}), shell_.Take());
}

// What an administrator's policies take away: the update check, automatic
// and offered, and the pages with whatever their templates' buttons post.
TEST_F(DesktopControllerTest, PoliciesTakeAwayTheUpdateCheckAndTheirPages) {
  test::RegistrySandbox sandbox;
  ProgramSettings settings;
  settings.UpdateFreq = 7;
  settings.update = "20000101";
  ASSERT_EQ(0u, SaveSettings(settings, settings_.Path()));
  const std::string machine = std::string("HKLM\\") + kPolicyKeyPath;
  test::SeedDword(machine, "UpdateCheck", 0);
  test::SeedDword(machine, "AllowOptimize", 0);
  test::SeedDword(machine, "AllowVistaTweaks", 0);
  DesktopController& controller = Make();
  controller.HandleCommand(Command::kStarted);
  EXPECT_EQ((Calls{"started", "reset to front"}), shell_.Take());
  EXPECT_FALSE(controller.UpdateCheckOffered());
  for (Command command : {Command::kOptimizePage, Command::kOptimize, Command::kUndoOptimize,
                          Command::kVistaPage, Command::kApplyVistaTweaks})
    controller.HandleCommand(command);
  EXPECT_EQ(Calls{}, shell_.Take());
  controller.HandleCommand(Command::kMonitorPage);
  EXPECT_EQ(Calls{"page " + std::to_string(int(Page::kMonitor))}, shell_.Take());

  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPolicyKeyPath);
  EXPECT_TRUE(controller.UpdateCheckOffered());
  controller.HandleCommand(Command::kOptimizePage);
  EXPECT_EQ(Calls{"page " + std::to_string(int(Page::kOptimize))}, shell_.Take());
}

TEST_F(DesktopControllerTest, ARemindLaterMovesTheNextCheck) {
  DesktopController& controller = Make();
  controller.HandleCommand(Command::kRemindLater, 30);
  EXPECT_EQ(30, Saved().UpdateFreq);
  EXPECT_EQ(NextDueText(LocalToday(), 30), Saved().update);
}

TEST_F(DesktopControllerTest, StartModesRunTheirActionQuietly) {
  {
    StartWords words;
    words.mode = StartMode::kSchedule;
    DesktopController& controller = Make(words);
    shell_.duringScan = [&] { EXPECT_TRUE(controller.Quiet()); };
    controller.Shown();
    EXPECT_TRUE(shell_.calls.empty());
    RunQueued();
    EXPECT_EQ((Calls{"scan", "store window", "destroy"}), shell_.Take());
    EXPECT_FALSE(controller.Quiet());
    shell_.duringScan = nullptr;
  }
  {
    StartWords words;
    words.mode = StartMode::kBootup;
    Make(words).Shown();
    RunQueued();
    EXPECT_EQ((Calls{"scan"}), shell_.Take()) << "not silent: the results stay shown";
    words.silent = true;
    Make(words).Shown();
    RunQueued();
    EXPECT_EQ((Calls{"scan", "store window", "destroy"}), shell_.Take());
  }
  {
    StartWords words;
    words.mode = StartMode::kMonitor;
    Make(words).Shown();
    RunQueued();
    EXPECT_EQ((Calls{"page " + std::to_string(int(Page::kMonitor)), "monitor on", "tray"}),
              shell_.Take());
  }
  {
    StartWords words;
    words.mode = StartMode::kStartScan;
    Make(words).Shown();
    RunQueued();
    EXPECT_EQ((Calls{"scan"}), shell_.Take());
    Make().Shown();
    RunQueued();
    EXPECT_TRUE(shell_.calls.empty()) << "a plain start waits for the user";
  }
}

TEST_F(DesktopControllerTest, ABackupStampsItsTimeAndRefreshesTheFrontPage) {
  DesktopController& controller = Make();
  controller.StampLastBackup();
  const std::string stamp = Saved().last_backup;
  ASSERT_EQ(12u, stamp.size());
  const LocalTime now = ProgramClock().LocalNow();
  EXPECT_EQ(std::to_string(now.year), stamp.substr(0, 4));
  RunQueued();
  EXPECT_EQ((Calls{"front"}), shell_.Take());
}

}  // namespace
}  // namespace hvm
