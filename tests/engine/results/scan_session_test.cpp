#include "engine/results/scan_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/core/environment.h"
#include "engine/results/text_file.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/section_switches.h"
#include "support/fixed_clock.h"
#include "support/recording_dialogs.h"
#include "support/recording_scan_view.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/scan_harness.h"
#include "support/snapshot_text.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace hvm::test;

constexpr char kRun[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kStaleRunLine[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\\\:Bare = "
    "hivemend-no-such-program.exe -x";

class CountingTicks : public TickSource {
 public:
  uint32_t Ticks() override { return now; }
  void SleepOne() override { ++now; }
  uint32_t now = 0;
};

// A session over the sandboxed registry with a data folder of its own, a
// system folder that holds no program, and recording front-end parts.
class ScanSessionTest : public RegistrySandboxTest {
 protected:
  ScanSessionTest() {
    environment_.windowsFolder = "C:\\windows\\";
    environment_.systemFolder = systemFolder_.Path() + "\\";
    environment_.WindowsVersionCode = 6;
    environment_.IsAdministrator = true;
    environment_.SnapshotName = "Undo20261209";
    setup_.dataFolder = data_.Path();
    setup_.clock = &clock_;
  }
  ScanSession& Make() {
    ScanSession::Hooks hooks;
    hooks.totalsRecorded = [this] { ++totalsRecorded_; };
    session_ = std::make_unique<ScanSession>(
        setup_, environment_,
        ScanSessionFrontEnd{view_, dialogs_, monitor_, restorePoint_, progress_, report_, ticks_},
        hooks);
    return *session_;
  }
  std::vector<std::string> Lines(int section) const {
    std::vector<std::string> lines;
    for (const ProblemEntry& entry : session_->Results().Section(section))
      lines.push_back(entry.line);
    return lines;
  }
  ProgramSettings Settings() const {
    ProgramSettings settings;
    LoadSettings(settings, data_.File("hvmend.ini"));
    return settings;
  }
  bool Exists(const std::string& path) const {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  void SeedStaleRunValue() {
    SeedString(kRun, "Bare", "hivemend-no-such-program.exe -x");
    SeedString(kRun, "Kept", "notepad.exe");
  }

  TestFolder data_;
  TestFolder systemFolder_;
  EnvironmentValues environment_;
  ScanSessionSetup setup_;
  FixedClock clock_{{2024, 2, 29, 23, 59, 30}};
  RecordingView view_;
  RecordingDialogs dialogs_;
  FakeMonitor monitor_;
  RestorePointMaker restorePoint_;
  RepairProgress progress_;
  RepairReport report_;
  CountingTicks ticks_;
  int totalsRecorded_ = 0;
  std::unique_ptr<ScanSession> session_;
};

TEST_F(ScanSessionTest, StaleValuesAreRemovedAtOnceIntoTheDaysSnapshot) {
  SeedStaleRunValue();
  setup_.sections = std::set<int>{15};
  ScanSession& session = Make();
  session.RunScan();
  const std::vector<RemovedValue>& removed = session.Results().RemovedAtOnce();
  ASSERT_EQ(1u, removed.size());
  EXPECT_EQ(kStaleRunLine, removed[0].line);
  EXPECT_EQ("Undo20261209.reg", removed[0].snapshot);
  EXPECT_FALSE(ValueExists(kRun, "Bare"));
  EXPECT_TRUE(ValueExists(kRun, "Kept"));
  EXPECT_THAT(test::SnapshotFileText(data_.File("Undo20261209.reg")),
              HasSubstr("\"Bare\"=\"hivemend-no-such-program.exe -x\""));
  EXPECT_TRUE(session.Switches().Enabled(15));
  EXPECT_FALSE(session.Switches().Enabled(1));
}

TEST_F(ScanSessionTest, TheSnapshotNameIsAskedAgainAtEachScan) {
  SeedStaleRunValue();
  setup_.sections = std::set<int>{15};
  setup_.snapshotNameNow = [] { return std::string("Undo20270101"); };
  Make().RunScan();
  ASSERT_EQ(1u, session_->Results().RemovedAtOnce().size());
  EXPECT_EQ("Undo20270101.reg", session_->Results().RemovedAtOnce()[0].snapshot);
  EXPECT_TRUE(Exists(data_.File("Undo20270101.reg")));
  EXPECT_FALSE(Exists(data_.File("Undo20261209.reg")));
}

TEST_F(ScanSessionTest, AReadOnlySessionWithoutStatisticsListsAndWritesNothing) {
  SeedStaleRunValue();
  setup_.sections = std::set<int>{15};
  setup_.readOnly = true;
  setup_.keepStatistics = false;
  Make().RunScan();
  EXPECT_THAT(Lines(15), ElementsAre(kStaleRunLine));
  EXPECT_TRUE(session_->Results().RemovedAtOnce().empty());
  EXPECT_TRUE(ValueExists(kRun, "Bare"));
  EXPECT_FALSE(Exists(data_.File("Undo20261209.reg")));
  EXPECT_FALSE(Exists(data_.File("hvmend.ini")));
}

TEST_F(ScanSessionTest, ADryRunRemovesNothingEvenInTheFileWalks) {
  SeedStaleRunValue();
  setup_.sections = std::set<int>{15};
  setup_.dryRun = true;
  Make().RunScan();
  EXPECT_TRUE(ValueExists(kRun, "Bare"));
  EXPECT_FALSE(Exists(data_.File("Undo20261209.reg")));
  EXPECT_THAT(session_->Repair().DryRunText(), HasSubstr("\"Bare\""));
}

TEST_F(ScanSessionTest, StatisticsAreStampedByTheSessionClock) {
  SeedStaleRunValue();
  setup_.sections = std::set<int>{15};
  setup_.readOnly = true;
  Make().RunScan();
  const ProgramSettings settings = Settings();
  EXPECT_EQ("202402292359", settings.last_scan);
  EXPECT_EQ(1, settings.last_err);
  EXPECT_EQ(1, totalsRecorded_);
  EXPECT_EQ(0u, session_->TakeSettingsFailure());
}

TEST_F(ScanSessionTest, TheSettingsFileSwitchesAreReadAgainAtEveryScan) {
  ProgramSettings settings;
  for (int section = kFirstSection; section <= kLastSection; ++section)
    settings.SetSection(section, section == 15);
  ASSERT_EQ(0u, SaveSettings(settings, data_.File("hvmend.ini")));
  ScanSession& session = Make();
  session.RunScan();
  EXPECT_TRUE(session.Switches().Enabled(15));
  EXPECT_FALSE(session.Switches().Enabled(14));

  settings = Settings();
  settings.SetSection(15, false);
  settings.SetSection(14, true);
  ASSERT_EQ(0u, SaveSettings(settings, data_.File("hvmend.ini")));
  EXPECT_TRUE(session.Switches().Enabled(15));  // read at the start of a scan only
  session.RunScan();
  EXPECT_FALSE(session.Switches().Enabled(15));
  EXPECT_TRUE(session.Switches().Enabled(14));
}

TEST_F(ScanSessionTest, StopFromThePageEndsTheScanAndAStartMeanwhileIsIgnored) {
  for (int i = 0; i < 12; ++i) SeedString(kRun, "Kept" + std::to_string(i), "notepad.exe");
  setup_.sections = std::set<int>{15, 16, 17};
  ScanSession& session = Make();
  bool stopped = false;
  view_.onPump = [&] {
    if (view_.started.empty() || stopped) return;
    stopped = true;
    session.RunScan();  // a second start while the first runs
    session.Stop();
  };
  session.RunScan();
  EXPECT_TRUE(stopped);
  EXPECT_THAT(view_.started, ElementsAre(15));
  EXPECT_TRUE(session.Driver().StopFlag());
  EXPECT_FALSE(session.Driver().Busy());
}

}  // namespace
}  // namespace hvm
