#include "cli/cli_optimize.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "engine/settings/program_settings.h"
#include "engine/tweaks/optimize.h"
#include "engine/tweaks/tweak_registry.h"
#include "support/process.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using nlohmann::json;

constexpr char kDesktop[] = "HKCU\\Control Panel\\Desktop";
constexpr char kControl[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control";

class ConsoleOptimizeTest : public test::RegistrySandboxTest {
 protected:
  ConsoleResult Run(std::vector<std::string> args) {
    args.push_back("--data-dir");
    args.push_back(folder_.Path());
    return RunOptimizeCommand(args);
  }
  std::string Record() {
    ProgramSettings settings;
    LoadSettings(settings, folder_.File("hvmend.ini"));
    return settings.optimize;
  }
  test::TestFolder folder_;
};

TEST_F(ConsoleOptimizeTest, ApplyStatusAndUndoShareTheSettingsRecord) {
  test::SeedString(kDesktop, "MenuShowDelay", "400");
  const json before = json::parse(Run({"status", "--json"}).out);
  EXPECT_FALSE(before["optimized"]);
  EXPECT_TRUE(before["entries"].empty());

  const ConsoleResult applied = Run({"apply", "--json"});
  EXPECT_EQ(0, applied.exitCode);
  const json apply = json::parse(applied.out);
  EXPECT_EQ("MSD=400;WKT=-1;AUD=-1;WKST=-1;BOF=-1;AET=-1", apply["record"]);
  EXPECT_EQ(Record(), apply["record"]);
  ASSERT_EQ(6u, apply["steps"].size());
  EXPECT_EQ("HKEY_CURRENT_USER\\Control Panel\\Desktop\\MenuShowDelay",
            apply["steps"][0]["setting"]);
  EXPECT_EQ("done", apply["steps"][0]["result"]);
  EXPECT_EQ("400", apply["steps"][0]["previous"]);

  const json status = json::parse(Run({"status", "--json"}).out);
  EXPECT_TRUE(status["optimized"]);
  ASSERT_EQ(6u, status["entries"].size());
  EXPECT_EQ("WKT", status["entries"][1]["name"]);
  EXPECT_EQ("-1", status["entries"][1]["previous"]);

  const ConsoleResult undone = Run({"undo"});
  EXPECT_EQ(0, undone.exitCode);
  EXPECT_NE(std::string::npos,
            undone.out.find("restored  HKEY_CURRENT_USER\\Control Panel\\Desktop\\MenuShowDelay"));
  EXPECT_EQ("", Record());
  EXPECT_EQ("400", test::ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_FALSE(test::ValueExists(kDesktop, "WaitToKillAppTimeout"));
}

TEST_F(ConsoleOptimizeTest, ApplyTwiceKeepsTheFirstRecord) {
  test::SeedString(kDesktop, "MenuShowDelay", "400");
  Run({"apply"});
  const ConsoleResult again = Run({"apply", "--json"});
  EXPECT_EQ(0, again.exitCode);
  EXPECT_FALSE(json::parse(again.out)["changed"]);
  EXPECT_EQ("400", LookUpRecord(Record(), "MSD"));
}

TEST_F(ConsoleOptimizeTest, UndoWhenNotOptimizedChangesNothing) {
  const ConsoleResult result = Run({"undo"});
  EXPECT_EQ(0, result.exitCode);
  EXPECT_EQ("Not optimized; nothing to undo.\n", result.out);
  EXPECT_FALSE(test::KeyExists(kDesktop));
}

TEST_F(ConsoleOptimizeTest, AnUndoThatCannotFinishExitsOneAndKeepsWhatIsLeft) {
  test::SeedString(kControl, "WaitToKillServiceTimeout", "20000");
  Run({"apply"});
  test::ReadOnlyKey locked(kControl);
  const ConsoleResult result = Run({"undo", "--json"});
  EXPECT_EQ(1, result.exitCode);
  const json undo = json::parse(result.out);
  EXPECT_EQ("WKST=20000", undo["remaining"]);
  EXPECT_TRUE(undo["optimized"]);
  EXPECT_EQ("key-not-opened", undo["steps"][2]["result"]);  // steps run 6 to 1
  EXPECT_EQ("WKST=20000", Record());
  locked.Release();
  EXPECT_EQ(0, Run({"undo"}).exitCode);
  EXPECT_EQ("", Record());
  EXPECT_EQ("20000", test::ReadSz(kControl, "WaitToKillServiceTimeout"));
}

TEST_F(ConsoleOptimizeTest, ApplyThatCannotChangeEverySettingExitsOne) {
  test::ReadOnlyKey locked(kControl);
  const ConsoleResult result = Run({"apply"});
  EXPECT_EQ(1, result.exitCode);
  EXPECT_NE(std::string::npos,
            result.out.find("FAILED  HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\"
                            "WaitToKillServiceTimeout: the key could not be opened or created"));
  EXPECT_EQ(std::nullopt, LookUpRecord(Record(), "WKST"));
}

TEST_F(ConsoleOptimizeTest, BadWordsAreUsageErrors) {
  EXPECT_THROW(Run({}), UsageError);
  EXPECT_THROW(Run({"frobnicate"}), UsageError);
  EXPECT_THROW(Run({"apply", "undo"}), UsageError);
  EXPECT_THROW(Run({"status", "--loud"}), UsageError);
  EXPECT_THROW(RunOptimizeCommand({"status", "--data-dir"}), UsageError);
}

TEST(ConsoleOptimizeProgram, ReportsAStateAndRefusesAnUnknownAction) {
  test::TestFolder folder;
  const test::ProcessResult status = test::RunProgram(
      "hvmend-cli.exe", {"optimize", "status", "--json", "--data-dir", folder.Path()});
  EXPECT_EQ(0u, status.exitCode) << status.err;
  EXPECT_FALSE(json::parse(status.out)["optimized"]);
  const test::ProcessResult wrong = test::RunProgram("hvmend-cli.exe", {"optimize", "faster"});
  EXPECT_EQ(2u, wrong.exitCode);
  EXPECT_NE(std::string::npos, wrong.err.find("not 'faster'"));
}

}  // namespace
}  // namespace hvm
