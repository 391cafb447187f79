#include "engine/core/results_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace hvm {
namespace {

class FakeFilter : public SuppressionFilter {
 public:
  bool IsSuppressed(const std::string& keyText, const std::string& valuePart,
                    bool wholeKey) override {
    asked.push_back(keyText + "|" + valuePart + "|" + (wholeKey ? "key" : "value"));
    return suppressedKeys.count(keyText) > 0;
  }
  void Reload() override { ++reloads; }
  std::set<std::string> suppressedKeys;
  std::vector<std::string> asked;
  int reloads = 0;
};

class FakeStamps : public ResultsStamps {
 public:
  void StampOrganized() override { ++organized; }
  void StoreScanTotals(int found) override { scans.push_back(found); }
  void StoreRepairTotals(int repaired) override { repairs.push_back(repaired); }
  int organized = 0;
  std::vector<int> scans, repairs;
};

class FakeObserver : public ResultsObserver {
 public:
  void SetCautionVisible(bool visible) override { caution.push_back(visible); }
  void ResultsReset() override { ++resets; }
  void TotalsRecorded() override { ++recorded; }
  std::vector<bool> caution;
  int resets = 0, recorded = 0;
};

class ResultsStoreTest : public ::testing::Test {
 protected:
  FakeFilter filter_;
  FakeStamps stamps_;
  FakeObserver observer_;
  ResultsStore store_{&filter_, &stamps_, &observer_};
};

TEST_F(ResultsStoreTest, OrdinarySectionsStoreCheckedEntriesWithKeyFlag) {
  EXPECT_EQ(1, store_.AddProblem(3, "HKCR\\.old"));
  EXPECT_EQ(2, store_.AddProblem(3, "HKCR\\.x\\\\:Name = abc"));
  const auto& list = store_.Section(3);
  ASSERT_EQ(2u, list.size());
  EXPECT_EQ(kKindOrdinary, list[0].Kind());
  EXPECT_TRUE(list[0].Checked());
  EXPECT_TRUE(list[0].WholeKey());
  EXPECT_EQ(kChecked | kWholeKey, list[0].flags);
  EXPECT_EQ(kChecked, list[1].flags);
  EXPECT_EQ("HKCR\\.x\\\\:Name = abc", list[1].line);
  EXPECT_EQ(2, store_.TotalCount());
  EXPECT_TRUE(store_.TreeDirty());
  EXPECT_TRUE(observer_.caution.empty());
  EXPECT_THAT(filter_.asked, ::testing::ElementsAre("HKCR\\.old||key", "HKCR\\.x|Name|value"));
}

TEST_F(ResultsStoreTest, CautionSectionsStoreUncheckedAndShowTheCautionLabelOnce) {
  store_.AddProblem(23, "HKLM\\A\\\\:v = C:\\gone.exe");
  store_.AddProblem(24, "HKLM\\B");
  EXPECT_EQ(kKindCaution, store_.Section(23)[0].Kind());
  EXPECT_FALSE(store_.Section(23)[0].Checked());
  EXPECT_EQ(kKindCaution | kWholeKey, store_.Section(24)[0].flags);
  EXPECT_THAT(observer_.caution, ::testing::ElementsAre(true));
  EXPECT_TRUE(store_.CautionVisible());
  EXPECT_EQ(0, store_.CheckedCount());
  EXPECT_EQ(2, store_.SkippedCount());
}

TEST_F(ResultsStoreTest, SuppressedLinesLeaveCountsUnchangedButReturnTheSectionCount) {
  filter_.suppressedKeys = {"HKCR\\Ignored"};
  store_.AddProblem(5, "HKCR\\Kept");
  EXPECT_EQ(1, store_.AddProblem(5, "HKCR\\Ignored"));
  EXPECT_EQ(1, store_.AddProblem(5, "HKCR\\Ignored\\\\:v"));
  EXPECT_EQ(0, store_.AddProblem(6, "HKCR\\Ignored"));
  EXPECT_EQ(1, store_.TotalCount());
  EXPECT_EQ(1u, store_.Section(5).size());
  EXPECT_TRUE(store_.Section(6).empty());
}

TEST_F(ResultsStoreTest, SectionNumbersOutsideOneToTwentyFourAreRefused) {
  EXPECT_THROW(store_.AddProblem(0, "HKCR\\x"), std::out_of_range);
  EXPECT_THROW(store_.AddProblem(25, "HKCR\\x"), std::out_of_range);
  EXPECT_EQ(0, store_.TotalCount());
}

TEST_F(ResultsStoreTest, ResetEmptiesEverythingAndReloadsTheFilter) {
  store_.AddProblem(1, "HKLM\\a");
  store_.AddProblem(23, "HKLM\\b");
  store_.RecordTotals();
  store_.SetTreeDirty(false);
  store_.ResetResults();
  EXPECT_EQ(0, store_.TotalCount());
  for (int section = 1; section <= kSectionCount; ++section)
    EXPECT_TRUE(store_.Section(section).empty()) << section;
  EXPECT_FALSE(store_.TotalsRecordedFlag());
  EXPECT_TRUE(store_.TreeDirty());
  EXPECT_FALSE(store_.CautionVisible());
  EXPECT_EQ(1, filter_.reloads);
  EXPECT_EQ(1, observer_.resets);
  EXPECT_EQ(false, observer_.caution.back());
}

TEST_F(ResultsStoreTest, ClearTotalKeepsTheLists) {
  store_.AddProblem(2, "HKCR\\TypeLib\\{x}");
  store_.ClearTotal();
  EXPECT_EQ(0, store_.TotalCount());
  EXPECT_EQ(1u, store_.Section(2).size());
}

TEST_F(ResultsStoreTest, CheckedAndSkippedCountsFollowTheFlags) {
  store_.AddProblem(1, "HKLM\\a");
  store_.AddProblem(2, "HKLM\\b");
  store_.AddProblem(3, "HKLM\\c");
  store_.AddProblem(23, "HKLM\\d");
  store_.Section(2)[0].SetIgnoreMark(true);
  store_.Section(3)[0].SetChecked(false);
  EXPECT_EQ(1, store_.CheckedCount());
  EXPECT_EQ(2, store_.SkippedCount());  // section 3 unchecked and the caution entry
}

TEST(ProblemEntry, CheckedAndIgnoreMarkExcludeEachOther) {
  ProblemEntry entry{"HKLM\\x", kChecked | kWholeKey};
  entry.SetIgnoreMark(true);
  EXPECT_TRUE(entry.IgnoreMarked());
  EXPECT_FALSE(entry.Checked());
  EXPECT_TRUE(entry.WholeKey());
  entry.SetChecked(true);
  EXPECT_TRUE(entry.Checked());
  EXPECT_FALSE(entry.IgnoreMarked());
  entry.SetChecked(false);
  EXPECT_EQ(kWholeKey, entry.flags);
}

TEST_F(ResultsStoreTest, RecordTotalsStoresScanOrRepairFigures) {
  store_.AddProblem(4, "HKCR\\CLSID\\{a}");
  store_.AddProblem(4, "HKCR\\CLSID\\{b}");
  store_.RecordTotals();
  EXPECT_THAT(stamps_.scans, ::testing::ElementsAre(2));
  EXPECT_TRUE(store_.TotalsRecordedFlag());
  store_.RecordTotals(1);
  EXPECT_THAT(stamps_.repairs, ::testing::ElementsAre(1));
  EXPECT_EQ(2, observer_.recorded);
}

TEST(ResultsStoreAlone, WorksWithoutCollaborators) {
  ResultsStore store;
  EXPECT_EQ(1, store.AddProblem(23, "HKLM\\x"));
  store.RecordTotals();
  store.StampOrganized();
  store.ResetResults();
  EXPECT_EQ(0, store.TotalCount());
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST(ResultsStoreReasons, EachLineKeepsItsReasonAndAResetForgetsTheRemovedValues) {
  ResultsStore store;
  store.AddProblem(4, "HKCR\\CLSID\\{x}\\InprocServer32", {"file missing", "C:\\gone.dll"});
  store.AddProblem(9, "HKCR\\Applications\\a.exe");
  EXPECT_EQ((ProblemReason{"file missing", "C:\\gone.dll"}), store.Section(4)[0].reason);
  EXPECT_EQ("HKCR\\CLSID\\{x}\\InprocServer32", store.Section(4)[0].line);
  EXPECT_TRUE(store.Section(9)[0].reason.rule.empty());
  store.AddRemovedAtOnce({15, "HKLM\\Run\\\\:a = a.exe", {"file missing", "C:\\a.exe"}, "U.reg"});
  ASSERT_EQ(1u, store.RemovedAtOnce().size());
  EXPECT_EQ(2, store.TotalCount()) << "removed values are no problems of the list";
  store.ResetResults();
  EXPECT_TRUE(store.RemovedAtOnce().empty());
}

// A value listed in place of its removal is the same value under any
// spelling of its key and name; the default value is not another one's.
TEST(ResultsStoreReasons, AValueListedInsteadOfRemovedIsKnownByAnySpellingUntilAReset) {
  ResultsStore store;
  store.AddListedInsteadOfRemoved(
      {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Acme Tray", false});
  store.AddListedInsteadOfRemoved({"HKCU\\Software\\Run", "", false});
  EXPECT_TRUE(store.ListedInsteadOfRemoved(
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\", "ACME TRAY"));
  EXPECT_TRUE(store.ListedInsteadOfRemoved("HKCU\\Software\\Run", ""));
  EXPECT_FALSE(store.ListedInsteadOfRemoved("HKCU\\Software\\Run", "(Default)"));
  EXPECT_FALSE(store.ListedInsteadOfRemoved(
      "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Acme Tray"));
  EXPECT_FALSE(store.ListedInsteadOfRemoved("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion",
                                            "Run\\Acme Tray"));
  EXPECT_EQ(0, store.TotalCount()) << "nothing is listed by it";
  store.ResetResults();
  EXPECT_FALSE(store.ListedInsteadOfRemoved("HKCU\\Software\\Run", ""));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// The line is for the eye; the item is kept beside it and asked of the
// filter by its own name, never cut out of the line again.
TEST_F(ResultsStoreTest, EachEntryKeepsItsItemBesideItsUnchangedLine) {
  const std::string line = "HKCU\\M\\\\:LangID = C:\\gone\\x.exe = C:\\gone\\x.exe";
  store_.AddProblem(22, {"HKCU\\M", "LangID = C:\\gone\\x.exe", false}, line);
  store_.AddProblem(22, "HKCU\\M\\\\:(Default) = C:\\y.exe");
  store_.AddProblem(3, "HKCU\\Gone");
  const ProblemEntry& named = store_.Section(22)[0];
  EXPECT_EQ(line, named.line);
  EXPECT_EQ("HKCU\\M", named.keyText);
  EXPECT_EQ("LangID = C:\\gone\\x.exe", named.valueName);
  EXPECT_FALSE(named.WholeKey());
  EXPECT_EQ("", store_.Section(22)[1].valueName);
  EXPECT_EQ("HKCU\\Gone", store_.Section(3)[0].keyText);
  EXPECT_TRUE(store_.Section(3)[0].WholeKey());
  EXPECT_EQ((std::vector<std::string>{"HKCU\\M|LangID = C:\\gone\\x.exe|value", "HKCU\\M||value",
                                      "HKCU\\Gone||key"}),
            filter_.asked);
}

}  // namespace
}  // namespace hvm
