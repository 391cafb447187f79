#include "engine/core/registry_paths.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

struct Split {
  HKEY root;
  std::string rest;
};

Split Short(std::string path) {
  HKEY root = SplitShortRoot(path);
  return {root, path};
}

Split Long(std::string path) {
  HKEY root = SplitLongRoot(path);
  return {root, path};
}

TEST(SplitShortRoot, RecognisesEveryShortNameInAnyCase) {
  EXPECT_EQ(HKEY_LOCAL_MACHINE, Short("HKLM\\Software").root);
  EXPECT_EQ("\\Software", Short("HKLM\\Software").rest);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, Short("hklm\\Software").root);
  EXPECT_EQ("\\Software", Short("hklm\\Software").rest);
  EXPECT_EQ(HKEY_CLASSES_ROOT, Short("HKCR\\CLSID").root);
  EXPECT_EQ(HKEY_CURRENT_USER, Short("HKCU\\Software").root);
  EXPECT_EQ(HKEY_USERS, Short("HKU\\.DEFAULT").root);
  EXPECT_EQ("\\.DEFAULT", Short("HKU\\.DEFAULT").rest);
  EXPECT_EQ(HKEY_CURRENT_CONFIG, Short("HKCC\\System").root);
  EXPECT_EQ(HKEY_DYN_DATA, Short("HKDD\\Config").root);
}

TEST(SplitShortRoot, LeavesPathsWithoutAShortNameUnchanged) {
  EXPECT_EQ(nullptr, Short("Software\\X").root);
  EXPECT_EQ("Software\\X", Short("Software\\X").rest);
  EXPECT_EQ(nullptr, Short("").root);
  EXPECT_EQ(nullptr, Short("HK").root);
  // Long names do not start with a short one.
  EXPECT_EQ(nullptr, Short("HKEY_LOCAL_MACHINE\\Software").root);
}

// A root name followed by more letters is the start of a key name, not a
// root: a key named "HKEY_CURRENT_USEREnvironment" must never read as
// HKCU\Environment.
TEST(SplitShortRoot, ANameIsARootOnlyBeforeABackslashOrTheEnd) {
  EXPECT_EQ(nullptr, Short("HKLMX").root);
  EXPECT_EQ("HKLMX", Short("HKLMX").rest);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, Short("HKLM").root);
  EXPECT_EQ("", Short("HKLM").rest);
  EXPECT_EQ(nullptr, Short("HKCRHKCU\\x").root);
  EXPECT_EQ("HKCRHKCU\\x", Short("HKCRHKCU\\x").rest);
  EXPECT_EQ(nullptr, Short("HKUHKLM\\x").root);
}

TEST(SplitLongRoot, ANameIsARootOnlyBeforeABackslashOrTheEnd) {
  EXPECT_EQ(nullptr, Long("HKEY_CURRENT_USEREnvironment").root);
  EXPECT_EQ("HKEY_CURRENT_USEREnvironment", Long("HKEY_CURRENT_USEREnvironment").rest);
  EXPECT_EQ(nullptr, Long("HKEY_CURRENT_USERX\\Environment").root);
  EXPECT_EQ(HKEY_CURRENT_USER, Long("HKEY_CURRENT_USER").root);
  EXPECT_EQ(HKEY_CURRENT_USER, Long("hkey_current_user\\Environment").root);
}

TEST(SplitLongRoot, RecognisesEveryLongNameInAnyCase) {
  EXPECT_EQ(HKEY_LOCAL_MACHINE, Long("HKEY_local_machine\\Software").root);
  EXPECT_EQ("\\Software", Long("HKEY_local_machine\\Software").rest);
  EXPECT_EQ(HKEY_CLASSES_ROOT, Long("HKEY_CLASSES_ROOT\\.txt").root);
  EXPECT_EQ(HKEY_CURRENT_USER, Long("HKEY_CURRENT_USER\\Software").root);
  EXPECT_EQ(HKEY_USERS, Long("HKEY_USERS\\S-1").root);
  EXPECT_EQ(HKEY_CURRENT_CONFIG, Long("HKEY_CURRENT_CONFIG\\System").root);
  EXPECT_EQ(HKEY_DYN_DATA, Long("HKEY_DYN_DATA").root);
  EXPECT_EQ("", Long("HKEY_DYN_DATA").rest);
}

TEST(SplitLongRoot, IgnoresPerformanceDataShortNamesAndPlainPaths) {
  EXPECT_EQ(nullptr, Long("HKEY_PERFORMANCE_DATA\\x").root);
  EXPECT_EQ("HKEY_PERFORMANCE_DATA\\x", Long("HKEY_PERFORMANCE_DATA\\x").rest);
  EXPECT_EQ(nullptr, Long("HKLM\\Software").root);
  EXPECT_EQ("HKLM\\Software", Long("HKLM\\Software").rest);
  EXPECT_EQ(nullptr, Long("Software\\X").root);
  EXPECT_EQ(nullptr, Long("HKEY_LOCAL").root);
}

TEST(RootNames, LongAndShortNamesOfTheTable) {
  EXPECT_EQ("HKEY_CLASSES_ROOT", RootToRootSt(HKEY_CLASSES_ROOT));
  EXPECT_EQ("HKEY_PERFORMANCE_DATA", RootToRootSt(HKEY_PERFORMANCE_DATA));
  EXPECT_EQ("HKEY_DYN_DATA", RootToRootSt(HKEY_DYN_DATA));
  EXPECT_EQ("UNKNOWN", RootToRootSt(nullptr));
  EXPECT_EQ("UNKNOWN", RootToRootSt(reinterpret_cast<HKEY>(0x1234)));
  EXPECT_EQ("HKLM", RootToShortRootSt(HKEY_LOCAL_MACHINE));
  EXPECT_EQ("HKU", RootToShortRootSt(HKEY_USERS));
  EXPECT_EQ("", RootToShortRootSt(HKEY_PERFORMANCE_DATA));
  EXPECT_EQ("", RootToShortRootSt(nullptr));
}

TEST(RootNames, NamesRoundTripThroughTheSplitters) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_CURRENT_CONFIG, HKEY_DYN_DATA}) {
    EXPECT_EQ(root, Long(RootToRootSt(root) + "\\x").root);
    EXPECT_EQ(root, Short(RootToShortRootSt(root) + "\\x").root);
  }
}

TEST(RemoveSlash, DropsOneTrailingBackslashOnly) {
  EXPECT_EQ("HKLM\\Software", RemoveSlash("HKLM\\Software\\"));
  EXPECT_EQ("HKLM\\Software\\", RemoveSlash("HKLM\\Software\\\\"));
  EXPECT_EQ("HKLM\\Software", RemoveSlash("HKLM\\Software"));
  EXPECT_EQ("", RemoveSlash(""));
  EXPECT_EQ("", RemoveSlash("\\"));
}

}  // namespace
}  // namespace hvm
