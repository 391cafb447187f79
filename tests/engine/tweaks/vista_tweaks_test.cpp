#include "engine/tweaks/vista_tweaks.h"

#include <gtest/gtest.h>

#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "tweak_registry.h"

namespace hvm {
namespace {

using test::ReadDw;
using test::SeedDword;

constexpr char kExplorerPolicies[] =
    "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr char kAppCompat[] = "HKCU\\SOFTWARE\\Policies\\Microsoft\\Windows\\AppCompat";
constexpr char kSystemPolicies[] =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

using VistaTweaksTest = test::RegistrySandboxTest;

std::array<bool, 6> NoneChecked() {
  return {};
}

TEST_F(VistaTweaksTest, WithNoneOfTheValuesEveryBoxStartsUnchecked) {
  const VistaReading reading = ReadVistaState();
  // An absent EnableLUA means User Account Control is on: its "Disable" box
  // is not checked.
  EXPECT_EQ(NoneChecked(), reading.checked);
  EXPECT_TRUE(reading.errors.empty());
}

// Windows runs with User Account Control on unless EnableLUA is there and 0.
// The policies key exists on every such system, mostly with other values in
// it: an EnableLUA missing from it must not read as User Account Control off,
// and applying the page unchanged must leave each state as it was.
TEST_F(VistaTweaksTest, EnableLuaAbsentFromThePoliciesKeyIsOnZeroIsOffAndOneIsOn) {
  test::SeedKey(kSystemPolicies);
  VistaReading reading = ReadVistaState();
  EXPECT_FALSE(reading.checked[cb5]) << "the key alone";
  EXPECT_FALSE(reading.unreadable[cb5]);

  SeedDword(kSystemPolicies, "ConsentPromptBehaviorAdmin", 5);
  SeedDword(kSystemPolicies, "DisableCAD", 1);
  reading = ReadVistaState();
  EXPECT_FALSE(reading.checked[cb5]) << "the key with other values";
  EXPECT_TRUE(reading.checked[cb6]) << "the key was read";
  EXPECT_TRUE(ApplyVistaState(reading).empty());
  EXPECT_FALSE(test::ValueExists(kSystemPolicies, "EnableLUA"));

  for (const uint32_t value : {0u, 1u}) {
    SCOPED_TRACE(value);
    SeedDword(kSystemPolicies, "EnableLUA", value);
    reading = ReadVistaState();
    EXPECT_EQ(value == 0, reading.checked[cb5]);
    EXPECT_TRUE(ApplyVistaState(reading).empty());
    EXPECT_EQ(value, ReadDw(kSystemPolicies, "EnableLUA"));
  }
}

TEST_F(VistaTweaksTest, ApplyWithoutChangesWritesNothingWhereNothingWasSet) {
  const std::vector<std::string> failures = ApplyVistaState(ReadVistaState());
  EXPECT_TRUE(failures.empty());
  for (const VistaSetting& s : VistaSettings()) {
    const std::string root = s.root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU";
    EXPECT_FALSE(test::ValueExists(root + s.key, s.value)) << s.value;
  }
}

TEST_F(VistaTweaksTest, UncheckingUserAccountControlWithEnableLuaAbsentWritesNothing) {
  VistaReading state = ReadVistaState();
  state.checked[cb5] = false;
  EXPECT_TRUE(ApplyVistaState(state).empty());
  EXPECT_FALSE(test::ValueExists(kSystemPolicies, "EnableLUA"));
  state.checked[cb5] = true;
  EXPECT_TRUE(ApplyVistaState(state).empty());
  EXPECT_EQ(0u, ReadDw(kSystemPolicies, "EnableLUA"));
}

TEST_F(VistaTweaksTest, EachValueOfOneChecksItsBoxAndEnableLuaIsInverted) {
  SeedDword(kExplorerPolicies, "AlwaysShowClassicMenu", 1);
  SeedDword(kAppCompat, "DisablePCA", 1);
  SeedDword(kExplorerPolicies, "ForceRunOnStartMenu", 1);
  SeedDword(kExplorerPolicies, "QuickLaunchEnabled", 1);
  SeedDword(kSystemPolicies, "EnableLUA", 0);
  SeedDword(kSystemPolicies, "DisableCAD", 1);
  EXPECT_EQ((std::array<bool, 6>{true, true, true, true, true, true}), ReadVistaState().checked);

  SeedDword(kSystemPolicies, "EnableLUA", 1);
  SeedDword(kExplorerPolicies, "QuickLaunchEnabled", 2);  // only 1 counts as on
  EXPECT_EQ((std::array<bool, 6>{true, true, true, false, false, true}), ReadVistaState().checked);
}

TEST_F(VistaTweaksTest, ApplyWritesOneOrZeroToValuesThatExistAndCreatesOnlyCheckedOnes) {
  SeedDword(kExplorerPolicies, "QuickLaunchEnabled", 2);
  SeedDword(kSystemPolicies, "EnableLUA", 1);
  VistaReading state;
  state.checked[cb1] = true;   // absent, checked: created as 1
  state.checked[cb4] = false;  // present: written as 0
  state.checked[cb5] = true;   // present: EnableLUA 0
  state.checked[cb6] = false;  // absent, unchecked: not created
  EXPECT_TRUE(ApplyVistaState(state).empty());
  EXPECT_EQ(1u, ReadDw(kExplorerPolicies, "AlwaysShowClassicMenu"));
  EXPECT_EQ(0u, ReadDw(kExplorerPolicies, "QuickLaunchEnabled"));
  EXPECT_EQ(0u, ReadDw(kSystemPolicies, "EnableLUA"));
  EXPECT_FALSE(test::ValueExists(kSystemPolicies, "DisableCAD"));
  EXPECT_FALSE(test::ValueExists(kAppCompat, "DisablePCA"));

  state.checked[cb5] = false;
  EXPECT_TRUE(ApplyVistaState(state).empty());
  EXPECT_EQ(1u, ReadDw(kSystemPolicies, "EnableLUA"));
}

TEST_F(VistaTweaksTest, ShowingThePageCreatesOnlyTheExplorerPoliciesKey) {
  ASSERT_FALSE(test::KeyExists(kExplorerPolicies));
  EXPECT_TRUE(ReadVistaState().errors.empty());
  EXPECT_TRUE(test::KeyExists(kExplorerPolicies));
  EXPECT_FALSE(test::KeyExists(kAppCompat));
  EXPECT_FALSE(test::KeyExists(kSystemPolicies));
}

TEST_F(VistaTweaksTest, AValueOfAnotherKindCostsOnlyItsOwnBoxAndApplyLeavesItAlone) {
  test::SeedString(kAppCompat, "DisablePCA", "1");
  SeedDword(kExplorerPolicies, "ForceRunOnStartMenu", 1);
  SeedDword(kSystemPolicies, "DisableCAD", 1);
  test::SeedBinary(kSystemPolicies, "EnableLUA", std::string(8, '\0'));
  VistaReading reading = ReadVistaState();
  EXPECT_TRUE(reading.unreadable[cb2]);
  EXPECT_TRUE(reading.unreadable[cb5]);
  ASSERT_EQ(2u, reading.errors.size());
  EXPECT_EQ("Invalid data type for 'DisablePCA'", reading.errors[0]);
  EXPECT_EQ("Failed to get data for 'EnableLUA'", reading.errors[1]);
  // The boxes after the unreadable ones were still read.
  EXPECT_TRUE(reading.checked[cb3]);
  EXPECT_TRUE(reading.checked[cb6]);

  reading.checked[cb3] = false;
  EXPECT_TRUE(ApplyVistaState(reading).empty());
  EXPECT_EQ(REG_SZ, test::ReadRaw(kAppCompat, "DisablePCA")->type);
  EXPECT_EQ(REG_BINARY, test::ReadRaw(kSystemPolicies, "EnableLUA")->type);
  EXPECT_EQ(0u, ReadDw(kExplorerPolicies, "ForceRunOnStartMenu"));
}

TEST_F(VistaTweaksTest, AMachineKeyThatCannotBeWrittenIsSkippedSilently) {
  SeedDword(kSystemPolicies, "DisableCAD", 0);
  test::ReadOnlyKey locked(kSystemPolicies);
  VistaReading state = ReadVistaState();
  state.checked[cb6] = true;
  state.checked[cb5] = true;
  state.checked[cb2] = true;
  EXPECT_TRUE(ApplyVistaState(state).empty());
  EXPECT_EQ(0u, ReadDw(kSystemPolicies, "DisableCAD"));
  EXPECT_FALSE(test::ValueExists(kSystemPolicies, "EnableLUA"));
  EXPECT_EQ(1u, ReadDw(kAppCompat, "DisablePCA"));
}

TEST(VistaAccess, AStandardUserMayNotChangeTheMachineWideBoxesAndIsTold) {
  const VistaAccess user = VistaAccessFor(false);
  EXPECT_EQ((std::array<bool, 6>{true, true, true, true, false, false}), user.enabled);
  EXPECT_TRUE(user.noticeVisible);
  const VistaAccess administrator = VistaAccessFor(true);
  EXPECT_EQ((std::array<bool, 6>{true, true, true, true, true, true}), administrator.enabled);
  EXPECT_FALSE(administrator.noticeVisible);
}

}  // namespace
}  // namespace hvm
