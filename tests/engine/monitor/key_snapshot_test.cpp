#include "engine/monitor/key_snapshot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/monitor/change_line.h"
#include "monitor_test_registry.h"
#include "support/registry_sandbox.h"

namespace hvm {
namespace {

using test::SeedKey;
using test::SeedString;
using ::testing::ElementsAre;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunPath = std::string("HKCU\\") + kRun;

class KeyCacheTest : public test::RegistrySandboxTest {
 protected:
  KeySnapshot Cache() {
    return KeySnapshot(kRun, HKEY_CURRENT_USER, [] { return std::string("TIME"); });
  }
  static std::vector<ChangeLineFields> Report(KeySnapshot& cache) {
    std::vector<std::string> lines;
    cache.ReportChanges(lines);
    std::vector<ChangeLineFields> fields;
    for (const std::string& line : lines) fields.push_back(ReadChangeLine(line));
    return fields;
  }
  static std::vector<std::string> Summary(const std::vector<ChangeLineFields>& fields) {
    std::vector<std::string> summary;
    for (const ChangeLineFields& f : fields) summary.push_back(f.action + " " + f.name);
    return summary;
  }
};

TEST_F(KeyCacheTest, SnapshotHoldsTheFirstLevelNamesSortedWithoutCase) {
  SeedString(kRunPath, "zeta", "z.exe");
  SeedString(kRunPath, "Alpha", "a.exe");
  SeedString(kRunPath, "", "default");
  SeedKey(kRunPath + "\\beta");
  SeedKey(kRunPath + "\\Beta2\\deeper");
  KeySnapshot cache = Cache();
  ASSERT_TRUE(cache.Valid());
  EXPECT_THAT(cache.ValueNames()->Names(), ElementsAre("", "Alpha", "zeta"));
  EXPECT_THAT(cache.KeyNames()->Names(), ElementsAre("beta", "Beta2"));
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
            cache.Location());
}

TEST_F(KeyCacheTest, AKeyAndAValueAddedTogetherGiveTheKeyLineFirst) {
  SeedKey(kRunPath);
  KeySnapshot cache = Cache();
  SeedString(kRunPath, "X", "x.exe");
  SeedKey(kRunPath + "\\K");
  const std::vector<ChangeLineFields> lines = Report(cache);
  EXPECT_THAT(Summary(lines), ElementsAre("Key Added To K", "Value Added To X"));
  EXPECT_EQ("TIME", lines[0].time);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
            lines[1].location);
  // The new snapshot holds both: nothing more to report.
  EXPECT_TRUE(Report(cache).empty());
}

TEST_F(KeyCacheTest, SettingTheDefaultValueGivesAnEmptyName) {
  SeedKey(kRunPath);
  KeySnapshot cache = Cache();
  SeedString(kRunPath, "", "now set");
  std::vector<std::string> lines;
  cache.ReportChanges(lines);
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("Value Added To;;;\"\";;;;"));
}

TEST_F(KeyCacheTest, ChangedDataAndDeeperChangesGiveNoLine) {
  SeedString(kRunPath, "App", "old.exe");
  SeedKey(kRunPath + "\\A");
  KeySnapshot cache = Cache();
  SeedString(kRunPath, "App", "new.exe");
  SeedKey(kRunPath + "\\A\\B");
  SeedString(kRunPath + "\\A", "deep", "x");
  EXPECT_TRUE(Report(cache).empty());
  EXPECT_THAT(cache.ValueNames()->Names(), ElementsAre("App"));
  EXPECT_THAT(cache.KeyNames()->Names(), ElementsAre("A"));
}

TEST_F(KeyCacheTest, ANewKeyWithAChildIsOneLine) {
  SeedKey(kRunPath);
  KeySnapshot cache = Cache();
  SeedKey(kRunPath + "\\A\\Child");
  EXPECT_THAT(Summary(Report(cache)), ElementsAre("Key Added To A"));
}

TEST_F(KeyCacheTest, NamesDifferingOnlyInCaseAreTheSame) {
  SeedString(kRunPath, "Updater", "u.exe");
  KeySnapshot cache = Cache();
  test::RemoveValue(HKEY_CURRENT_USER, kRun, "Updater");
  SeedString(kRunPath, "UPDATER", "u.exe");
  EXPECT_TRUE(Report(cache).empty());
}

TEST_F(KeyCacheTest, RemovalsComeInSortedOrderAfterAdditions) {
  SeedString(kRunPath, "c", "");
  SeedString(kRunPath, "A", "");
  SeedString(kRunPath, "b", "");
  SeedKey(kRunPath + "\\Old");
  KeySnapshot cache = Cache();
  test::RemoveValue(HKEY_CURRENT_USER, kRun, "c");
  test::RemoveValue(HKEY_CURRENT_USER, kRun, "A");
  test::RemoveValue(HKEY_CURRENT_USER, kRun, "b");
  SeedString(kRunPath, "new", "");
  // A renamed key: the new name is added, the old one removed.
  test::RemoveKeyTree(HKEY_CURRENT_USER, std::string(kRun) + "\\Old");
  SeedKey(kRunPath + "\\Renamed");
  EXPECT_THAT(Summary(Report(cache)),
              ElementsAre("Key Added To Renamed", "Value Added To new", "Key Removed From Old",
                          "Value Removed From A", "Value Removed From b", "Value Removed From c"));
}

TEST_F(KeyCacheTest, NamesWithSeparatorsSurviveTheLine) {
  SeedKey(kRunPath);
  KeySnapshot cache = Cache();
  SeedString(kRunPath, "two;;three;;;four;;;;", "");
  const std::vector<ChangeLineFields> lines = Report(cache);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ("two;;three;;;four;;;;", lines[0].name);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
            lines[0].location);
}

TEST_F(KeyCacheTest, AMissingKeyLeavesTheCacheInvalidWithoutLists) {
  KeySnapshot cache = Cache();
  EXPECT_FALSE(cache.Valid());
  EXPECT_EQ(nullptr, cache.KeyNames());
  std::vector<std::string> keys = {"untouched"}, values;
  EXPECT_FALSE(cache.GetAdditions(keys, values));
  EXPECT_FALSE(cache.GetRemovals(keys, values));
  EXPECT_THAT(keys, ElementsAre("untouched"));
  // Created meanwhile: the report has no lines but takes the first snapshot.
  SeedString(kRunPath, "X", "");
  EXPECT_TRUE(Report(cache).empty());
  EXPECT_TRUE(cache.Valid());
  EXPECT_THAT(cache.ValueNames()->Names(), ElementsAre("X"));
}

TEST_F(KeyCacheTest, ADeletedKeyGivesNoLineAndGoesInvalid) {
  SeedString(kRunPath + "\\Child", "v", "");
  SeedString(kRunPath, "X", "");
  KeySnapshot cache = Cache();
  test::RemoveKeyTree(HKEY_CURRENT_USER, kRun);
  EXPECT_TRUE(Report(cache).empty());
  EXPECT_FALSE(cache.Valid());
  // The lists stay as they were; a failed snapshot does not clear them.
  EXPECT_THAT(cache.ValueNames()->Names(), ElementsAre("X"));
  EXPECT_FALSE(cache.TakeSnapshot());
  // Back again: the next report takes a snapshot, without lines for it.
  SeedString(kRunPath, "Y", "");
  EXPECT_TRUE(Report(cache).empty());
  EXPECT_TRUE(cache.Valid());
  SeedString(kRunPath, "Z", "");
  EXPECT_THAT(Summary(Report(cache)), ElementsAre("Value Added To Z"));
}

TEST_F(KeyCacheTest, AdditionsAndRemovalsReplaceTheirOutputsAndKeepTheSnapshot) {
  SeedString(kRunPath, "gone", "");
  SeedString(kRunPath, "kept", "");
  KeySnapshot cache = Cache();
  test::RemoveValue(HKEY_CURRENT_USER, kRun, "gone");
  SeedString(kRunPath, "came", "");
  std::vector<std::string> keys = {"stale"}, values = {"stale"};
  ASSERT_TRUE(cache.GetAdditions(keys, values));
  EXPECT_TRUE(keys.empty());
  EXPECT_THAT(values, ElementsAre("came"));
  ASSERT_TRUE(cache.GetRemovals(keys, values));
  EXPECT_THAT(values, ElementsAre("gone"));
  // Neither takes a snapshot: asking again gives the same.
  ASSERT_TRUE(cache.GetAdditions(keys, values));
  EXPECT_THAT(values, ElementsAre("came"));
}

TEST_F(KeyCacheTest, EveryLineTakesTheTimeWhenItIsMade) {
  SeedKey(kRunPath);
  int tick = 0;
  KeySnapshot cache(kRun, HKEY_CURRENT_USER, [&] { return "t" + std::to_string(++tick); });
  SeedString(kRunPath, "a", "");
  SeedString(kRunPath, "b", "");
  std::vector<std::string> lines = {"earlier line"};
  cache.ReportChanges(lines);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("earlier line", lines[0]);
  EXPECT_EQ("t1", ReadChangeLine(lines[1]).time);
  EXPECT_EQ("t2", ReadChangeLine(lines[2]).time);
}

TEST_F(KeyCacheTest, ReadsAKeyTheUserMayOnlyRead) {
  SeedString(kRunPath, "X", "");
  test::ReadOnlyKey lock(HKEY_CURRENT_USER, kRun);
  if (!lock.Enforced()) GTEST_SKIP() << "this platform does not enforce key security";
  KeySnapshot cache = Cache();
  EXPECT_TRUE(cache.Valid());
  ASSERT_NE(nullptr, cache.ValueNames());
  EXPECT_THAT(cache.ValueNames()->Names(), ElementsAre("X"));
}

TEST(LocalChangeTime, HoldsNoSeparatorAndIsNotEmpty) {
  const std::string time = LocalChangeTime();
  EXPECT_FALSE(time.empty());
  EXPECT_EQ(std::string::npos, time.find(";;"));
}

}  // namespace
}  // namespace hvm
