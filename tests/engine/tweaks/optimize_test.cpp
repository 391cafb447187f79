#include "engine/tweaks/optimize.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/settings/program_settings.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"
#include "tweak_registry.h"

namespace hvm {
namespace {

using test::ReadRaw;
using test::ReadSz;
using test::SeedString;

constexpr char kDesktop[] = "HKCU\\Control Panel\\Desktop";
constexpr char kExplorer[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr char kControl[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control";
constexpr char kBootOptimize[] =
    "HKLM\\SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction\\SUCCESS\"Y\"";
constexpr char kDefaultDesktop[] = "HKU\\.DEFAULT\\Control Panel\\Desktop";

// Counts what a run shows and, at each position, lets the test look.
class RecordingProgress : public TweakProgress {
 public:
  void SetMaximum(int maximum) override { maxima.push_back(maximum); }
  void SetPosition(int position) override {
    positions.push_back(position);
    if (onPosition) onPosition(position);
  }
  void Pause() override { ++pauses; }
  std::vector<int> maxima, positions;
  int pauses = 0;
  std::function<void(int)> onPosition;
};

void SeedAllSix() {
  SeedString(kDesktop, "MenuShowDelay", "400");
  SeedString(kDesktop, "WaitToKillAppTimeout", "20000");
  SeedString(kExplorer, "AlwaysUnloadDLL", "0");
  SeedString(kControl, "WaitToKillServiceTimeout", "20000");
  SeedString(kBootOptimize, "Enable", "N");
  SeedString(kDefaultDesktop, "AutoEndTasks", "0");
}

class OptimizeTest : public test::RegistrySandboxTest {
 protected:
  RecordingProgress progress_;
};

TEST_F(OptimizeTest, AllSixPresentAreRecordedInStepOrderAndSetAsText) {
  SeedAllSix();
  const OptimizeOutcome outcome = Optimize(progress_);
  EXPECT_EQ("MSD=400;WKT=20000;AUD=0;WKST=20000;BOF=N;AET=0", outcome.record);
  EXPECT_EQ("50", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("1000", ReadSz(kDesktop, "WaitToKillAppTimeout"));
  EXPECT_EQ("1", ReadSz(kExplorer, "AlwaysUnloadDLL"));
  EXPECT_EQ("2000", ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_EQ("Y", ReadSz(kBootOptimize, "Enable"));
  EXPECT_EQ("1", ReadSz(kDefaultDesktop, "AutoEndTasks"));
  ASSERT_EQ(6u, outcome.steps.size());
  for (const TweakStepOutcome& step : outcome.steps)
    EXPECT_EQ(TweakStepOutcome::Result::kDone, step.result) << step.Setting();
}

TEST_F(OptimizeTest, UndoPutsEveryValueBackExactly) {
  SeedAllSix();
  const std::string record = Optimize(progress_).record;
  const UndoOutcome undone = Undo(record, progress_);
  EXPECT_EQ("", undone.remaining);
  EXPECT_TRUE(undone.Failures().empty());
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("20000", ReadSz(kDesktop, "WaitToKillAppTimeout"));
  EXPECT_EQ("0", ReadSz(kExplorer, "AlwaysUnloadDLL"));
  EXPECT_EQ("20000", ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_EQ("N", ReadSz(kBootOptimize, "Enable"));
  EXPECT_EQ("0", ReadSz(kDefaultDesktop, "AutoEndTasks"));
}

TEST_F(OptimizeTest, AnAbsentValueIsRecordedAsMinusOneAndDeletedAgainByUndo) {
  SeedString(kDesktop, "MenuShowDelay", "400");
  const std::string record = Optimize(progress_).record;
  EXPECT_EQ("MSD=400;WKT=-1;AUD=-1;WKST=-1;BOF=-1;AET=-1", record);
  EXPECT_EQ("1000", ReadSz(kDesktop, "WaitToKillAppTimeout"));
  EXPECT_EQ("", Undo(record, progress_).remaining);
  EXPECT_FALSE(test::ValueExists(kDesktop, "WaitToKillAppTimeout"));
  EXPECT_FALSE(test::ValueExists(kDefaultDesktop, "AutoEndTasks"));
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
}

TEST_F(OptimizeTest, OptimizeCreatesTheQuotedBootOptimizeKey) {
  ASSERT_FALSE(test::KeyExists(kBootOptimize));
  Optimize(progress_);
  EXPECT_EQ("Y", ReadSz(kBootOptimize, "Enable"));
  // The quotes are part of the last key's name, not an escape of anything.
  EXPECT_FALSE(test::KeyExists("HKLM\\SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction\\SUCCESS"));
}

TEST_F(OptimizeTest, EmptyPreviousTextsUseTheUndoFallbackOrGoBackEmpty) {
  SeedString(kDefaultDesktop, "AutoEndTasks", "");
  SeedString(kDesktop, "MenuShowDelay", "");
  SeedString(kControl, "WaitToKillServiceTimeout", "");
  const std::string record = Optimize(progress_).record;
  EXPECT_EQ("MSD=;WKT=-1;AUD=-1;WKST=;BOF=-1;AET=", record);
  EXPECT_EQ("", Undo(record, progress_).remaining);
  EXPECT_EQ("Y", ReadSz(kDefaultDesktop, "AutoEndTasks"));
  EXPECT_EQ("5000", ReadSz(kControl, "WaitToKillServiceTimeout"));
  // MenuShowDelay has no fallback: its empty text goes back as it was.
  EXPECT_EQ("", ReadSz(kDesktop, "MenuShowDelay"));
}

TEST_F(OptimizeTest, APreviousValueThatIsNotTextIsLeftAloneAndNotRecorded) {
  test::SeedDword(kExplorer, "AlwaysUnloadDLL", 0);
  const OptimizeOutcome outcome = Optimize(progress_);
  EXPECT_EQ("MSD=-1;WKT=-1;WKST=-1;BOF=-1;AET=-1", outcome.record);
  EXPECT_EQ(REG_DWORD, ReadRaw(kExplorer, "AlwaysUnloadDLL")->type);
  EXPECT_EQ(TweakStepOutcome::Result::kFailed, outcome.steps[2].result);
  EXPECT_EQ("Invalid data type for 'AlwaysUnloadDLL'", outcome.steps[2].error);
  EXPECT_EQ("2000", ReadSz(kControl, "WaitToKillServiceTimeout"))
      << "the steps after a failed one still run";
}

// The record separates its entries with ";" and "=" and lives on one line of
// the settings file: a previous value holding either, or a line break, would
// come back from it cut or changed, and Undo would lose the user's original.
TEST_F(OptimizeTest, APreviousValueTheRecordCannotHoldIsLeftAloneAndNotRecorded) {
  SeedAllSix();
  SeedString(kDesktop, "MenuShowDelay", "4;00");
  SeedString(kControl, "WaitToKillServiceTimeout", "a=b");
  SeedString(kDefaultDesktop, "AutoEndTasks", "0\r\n1");
  const OptimizeOutcome outcome = Optimize(progress_);
  EXPECT_EQ("WKT=20000;AUD=0;BOF=N", outcome.record);
  for (int step : {0, 3, 5}) {
    EXPECT_EQ(TweakStepOutcome::Result::kFailed, outcome.steps[size_t(step)].result) << step;
    EXPECT_EQ("the previous value cannot be recorded", outcome.steps[size_t(step)].error);
  }
  EXPECT_EQ("4;00", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("a=b", ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_EQ("0\r\n1", ReadSz(kDefaultDesktop, "AutoEndTasks"));
  EXPECT_EQ("1000", ReadSz(kDesktop, "WaitToKillAppTimeout"));

  const UndoOutcome undone = Undo(outcome.record, progress_);
  EXPECT_EQ("", undone.remaining);
  EXPECT_EQ("4;00", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("20000", ReadSz(kDesktop, "WaitToKillAppTimeout"));
}

TEST_F(OptimizeTest, StepsRunAtEveryTenthTickOfSixtyWithTheBarUpToThreeThousand) {
  std::vector<std::pair<int, bool>> seen;  // position, MenuShowDelay already set
  progress_.onPosition = [&](int position) {
    seen.push_back({position, ReadSz(kDesktop, "MenuShowDelay") == "50"});
  };
  Optimize(progress_);
  EXPECT_EQ(std::vector<int>{3000}, progress_.maxima);
  ASSERT_EQ(60u, progress_.positions.size());
  EXPECT_EQ(50, progress_.positions.front());
  EXPECT_EQ(3000, progress_.positions.back());
  EXPECT_EQ(60, progress_.pauses);
  // The first step runs after the tenth tick is shown, before the eleventh.
  EXPECT_FALSE(seen[9].second);
  EXPECT_TRUE(seen[10].second);
}

TEST_F(OptimizeTest, UndoCountsDownAndUndoesStepSixFirst) {
  SeedAllSix();
  const std::string record = Optimize(progress_).record;
  RecordingProgress down;
  std::vector<std::pair<int, std::optional<std::string>>> autoEnd;
  down.onPosition = [&](int position) {
    autoEnd.push_back({position, ReadSz(kDefaultDesktop, "AutoEndTasks")});
  };
  const UndoOutcome outcome = Undo(record, down);
  ASSERT_EQ(60u, down.positions.size());
  EXPECT_EQ(3000, down.positions.front());
  EXPECT_EQ(50, down.positions.back());
  EXPECT_EQ(60, down.pauses);
  EXPECT_EQ("1", autoEnd[0].second);  // tick 60 shown, step 6 not yet undone
  EXPECT_EQ("0", autoEnd[1].second);
  ASSERT_EQ(6u, outcome.steps.size());
  EXPECT_EQ(6, outcome.steps.front().step);
  EXPECT_EQ(1, outcome.steps.back().step);
}

TEST_F(OptimizeTest, UndoChangesNothingForAStepMissingFromTheRecord) {
  SeedAllSix();
  const std::string record = Optimize(progress_).record;
  const UndoOutcome outcome = Undo("MSD=400;AUD=0;WKST=20000;BOF=N;AET=0", progress_);
  EXPECT_EQ("1000", ReadSz(kDesktop, "WaitToKillAppTimeout"));
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("", outcome.remaining);
  EXPECT_EQ(TweakStepOutcome::Result::kNotRecorded, outcome.steps[4].result);  // step 2
}

TEST_F(OptimizeTest, UndoOfARecordWithoutAStepCreatesNoKeyForIt) {
  EXPECT_EQ("", Undo("MSD=400", progress_).remaining);
  EXPECT_FALSE(test::KeyExists(kBootOptimize));
  EXPECT_FALSE(test::KeyExists(kDefaultDesktop));
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
}

TEST_F(OptimizeTest, AFailedUndoStepIsNamedAndStaysRecordedUntilASecondUndoFinishes) {
  SeedAllSix();
  const std::string record = Optimize(progress_).record;
  test::ReadOnlyKey locked(kControl);
  const UndoOutcome first = Undo(record, progress_);
  const auto failures = first.Failures();
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(4, failures[0]->step);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\WaitToKillServiceTimeout",
            failures[0]->Setting());
  EXPECT_EQ("WKST=20000", first.remaining);
  EXPECT_EQ("2000", ReadSz(kControl, "WaitToKillServiceTimeout"));
  // The other five were put back all the same.
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("0", ReadSz(kDefaultDesktop, "AutoEndTasks"));
  EXPECT_EQ("N", ReadSz(kBootOptimize, "Enable"));

  locked.Release();
  const UndoOutcome second = Undo(first.remaining, progress_);
  EXPECT_EQ("", second.remaining);
  EXPECT_TRUE(second.Failures().empty());
  EXPECT_EQ("20000", ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
}

TEST_F(OptimizeTest, OptimizeSkipsAKeyThatCannotBeWrittenAndRecordsNothingForIt) {
  SeedAllSix();
  test::ReadOnlyKey locked(kControl);
  const OptimizeOutcome outcome = Optimize(progress_);
  EXPECT_EQ("MSD=400;WKT=20000;AUD=0;BOF=N;AET=0", outcome.record);
  EXPECT_EQ("20000", ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_NE(TweakStepOutcome::Result::kDone, outcome.steps[3].result);
}

TEST(RecordLookUp, FindsTheFirstPairOfTheNameOnly) {
  const std::string record = "MSD=400;WKT=20000;WKST=5000;AET=";
  EXPECT_EQ("400", LookUpRecord(record, "MSD"));
  EXPECT_EQ("20000", LookUpRecord(record, "WKT"));
  EXPECT_EQ("5000", LookUpRecord(record, "WKST"));
  EXPECT_EQ("", LookUpRecord(record, "AET"));
  EXPECT_EQ(std::nullopt, LookUpRecord(record, "BOF"));
  EXPECT_EQ(std::nullopt, LookUpRecord(record, "WK"));
  EXPECT_EQ("1", LookUpRecord("MSD=1;MSD=2", "MSD"));
}

TEST(RecordLookUp, ReadsPairsAsTheyComeEvenWhenTheTextIsDamaged) {
  EXPECT_EQ(std::nullopt, LookUpRecord("", "MSD"));
  EXPECT_EQ(std::nullopt, LookUpRecord("MSD", "MSD"));
  EXPECT_EQ("a=b", LookUpRecord("MSD=a=b;WKT=1", "MSD"));
  EXPECT_EQ("1", LookUpRecord("MSD=a=b;WKT=1", "WKT"));
  // A pair without "=" swallows the next name.
  EXPECT_EQ(std::nullopt, LookUpRecord("junk;MSD=1", "MSD"));
  EXPECT_EQ("1", LookUpRecord("junk;MSD=1", "junk;MSD"));
  EXPECT_EQ("400", LookUpRecord("MSD=400;", "MSD"));
}

class OptimizerTest : public test::RegistrySandboxTest {
 protected:
  std::string SettingsPath() const { return folder_.File("hvmend.ini"); }
  test::TestFolder folder_;
  RecordingProgress progress_;
};

TEST_F(OptimizerTest, TheSettingsFileHoldsTheRecordWhileOptimized) {
  SeedAllSix();
  ProgramSettings settings;
  settings.last_scan = "202612091042";
  ASSERT_EQ(0u, SaveSettings(settings, SettingsPath()));
  const Optimizer optimizer(SettingsPath());
  EXPECT_FALSE(optimizer.IsOptimized());
  uint32_t saved = 99;
  optimizer.Apply(progress_, &saved);
  EXPECT_EQ(0u, saved);
  EXPECT_TRUE(optimizer.IsOptimized());
  ProgramSettings back;
  LoadSettings(back, SettingsPath());
  EXPECT_EQ("MSD=400;WKT=20000;AUD=0;WKST=20000;BOF=N;AET=0", back.optimize);
  EXPECT_TRUE(IsOptimized(back));
  EXPECT_EQ("202612091042", back.last_scan);

  EXPECT_EQ("", optimizer.Undo(progress_, &saved).remaining);
  EXPECT_EQ(0u, saved);
  EXPECT_FALSE(optimizer.IsOptimized());
  LoadSettings(back, SettingsPath());
  EXPECT_EQ("", back.optimize);
  EXPECT_EQ("202612091042", back.last_scan);
}

TEST_F(OptimizerTest, ARecordEditedToDropWktLeavesThatValueAlone) {
  SeedAllSix();
  const Optimizer optimizer(SettingsPath());
  optimizer.Apply(progress_);
  ProgramSettings settings;
  LoadSettings(settings, SettingsPath());
  settings.optimize = "MSD=400;AUD=0;WKST=20000;BOF=N;AET=0";
  ASSERT_EQ(0u, SaveSettings(settings, SettingsPath()));
  EXPECT_EQ("", optimizer.Undo(progress_).remaining);
  EXPECT_EQ("1000", ReadSz(kDesktop, "WaitToKillAppTimeout"));
  EXPECT_EQ("400", ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_FALSE(optimizer.IsOptimized());
}

TEST_F(OptimizerTest, AFailedUndoKeepsOnlyTheEntryStillToBeUndoneInTheFile) {
  SeedAllSix();
  const Optimizer optimizer(SettingsPath());
  optimizer.Apply(progress_);
  test::ReadOnlyKey locked(kExplorer);
  EXPECT_EQ("AUD=0", optimizer.Undo(progress_).remaining);
  EXPECT_EQ("AUD=0", optimizer.Record());
  locked.Release();
  EXPECT_EQ("", optimizer.Undo(progress_).remaining);
  EXPECT_FALSE(optimizer.IsOptimized());
  EXPECT_EQ("0", ReadSz(kExplorer, "AlwaysUnloadDLL"));
}

}  // namespace
}  // namespace hvm
