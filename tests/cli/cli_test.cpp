#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/process.h"
#include "support/test_folder.h"

namespace hvm::test {
namespace {

TEST(ConsoleProgram, VersionPrintsTheProgramVersion) {
  const ProcessResult result = RunProgram("hvmend-cli.exe", {"--version"});
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ(std::string("Hivemend ") + HVM_VERSION + "\n", result.out);
}

TEST(ConsoleProgram, HelpGoesToStandardOutputAndSucceeds) {
  const ProcessResult result = RunProgram("hvmend-cli.exe", {"--help"});
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_NE(std::string::npos, result.out.find("Usage: hvmend-cli"));
  EXPECT_EQ("", result.err);
}

TEST(ConsoleProgram, NoArgumentsOrAnUnknownVerbIsAUsageError) {
  const ProcessResult none = RunProgram("hvmend-cli.exe", {});
  EXPECT_EQ(2u, none.exitCode);
  EXPECT_NE(std::string::npos, none.err.find("Usage: hvmend-cli"));
  const ProcessResult unknown = RunProgram("hvmend-cli.exe", {"frobnicate"});
  EXPECT_EQ(2u, unknown.exitCode);
  EXPECT_NE(std::string::npos, unknown.err.find("unknown verb or option 'frobnicate'"));
  EXPECT_EQ("", unknown.out);
}

}  // namespace
}  // namespace hvm::test

namespace hvm::test {
namespace {

// The test prefix's own registry is scanned here, and Wine's registry holds
// stale entries of its own: the figures are checked against each other.
TEST(ConsoleScan, JsonListsAllTwentyFourSectionsWithATotalThatMatchesTheExitCode) {
  // The sections that remove stale values at once are left out, so that the
  // test prefix stays as it is.
  const ProcessResult result = RunProgram(
      "hvmend-cli.exe",
      {"scan", "--json", "--quiet", "--sections", "1,2,3,4,5,6,7,8,9,11,13,14,16,18,20,21,22,23"});
  EXPECT_EQ("", result.err);
  const auto document = nlohmann::json::parse(result.out);
  ASSERT_EQ(24u, document["sections"].size());
  EXPECT_EQ("Registry Integrity", document["sections"][0]["label"]);
  EXPECT_EQ("Configuration Cache", document["sections"][23]["label"]);
  EXPECT_FALSE(document["sections"][23]["enabled"]);
  EXPECT_FALSE(document["sections"][9]["enabled"]);
  EXPECT_TRUE(document["sections"][22]["enabled"]);
  size_t listed = 0;
  for (const auto& section : document["sections"]) listed += section["problems"].size();
  EXPECT_EQ(document["total"].get<size_t>(), listed);
  EXPECT_EQ(listed > 0 ? 1u : 0u, result.exitCode);
}

TEST(ConsoleScan, NoSectionsFindNothingAndExitZero) {
  const ProcessResult result =
      RunProgram("hvmend-cli.exe", {"scan", "--json", "--quiet", "--sections", "none"});
  EXPECT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ(0, nlohmann::json::parse(result.out)["total"]);
}

TEST(ConsoleScan, ChosenSectionsAreTheOnlyEnabledOnes) {
  const ProcessResult result =
      RunProgram("hvmend-cli.exe", {"scan", "--json", "--quiet", "--sections", "1,24"});
  ASSERT_NE(2u, result.exitCode) << result.err;
  const auto document = nlohmann::json::parse(result.out);
  int enabled = 0;
  for (const auto& section : document["sections"]) enabled += section["enabled"].get<bool>();
  EXPECT_EQ(2, enabled);
  EXPECT_TRUE(document["sections"][0]["enabled"]);
  EXPECT_TRUE(document["sections"][23]["enabled"]);
}

TEST(ConsoleScan, TextFormListsWhatTheJsonFormListsAndEndsWithTheTotalLine) {
  const ProcessResult none =
      RunProgram("hvmend-cli.exe", {"scan", "--quiet", "--sections", "none"});
  EXPECT_EQ(0u, none.exitCode);
  EXPECT_EQ("0 Problems Found\n", none.out);

  const ProcessResult text = RunProgram("hvmend-cli.exe", {"scan", "--quiet", "--sections", "7"});
  const ProcessResult json =
      RunProgram("hvmend-cli.exe", {"scan", "--quiet", "--json", "--sections", "7"});
  const auto problems = nlohmann::json::parse(json.out)["sections"][6]["problems"];
  std::string expected;
  if (!problems.empty()) {
    expected = "7. Code Pages (" + std::to_string(problems.size()) + ")\n";
    for (const auto& problem : problems)
      expected += "  [x] " + problem["line"].get<std::string>() + "\n";
  }
  const size_t total = problems.size();
  expected += std::to_string(total) + (total == 1 ? " Problem Found\n" : " Problems Found\n");
  EXPECT_EQ(expected, text.out);
  EXPECT_EQ(total > 0 ? 1u : 0u, text.exitCode);
}

TEST(ConsoleScan, BadOptionsAreUsageErrors) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"scan", "--sections", "0"},
                                               {"scan", "--sections"},
                                               {"scan", "--frob"}}) {
    const ProcessResult result = RunProgram("hvmend-cli.exe", args);
    EXPECT_EQ(2u, result.exitCode) << args.back();
    EXPECT_EQ("", result.out);
    EXPECT_NE(std::string::npos, result.err.find("hvmend-cli scan: ")) << result.err;
  }
}

}  // namespace
}  // namespace hvm::test

namespace hvm::test {
namespace {

class ConsoleScanSettingsTest : public TestFolderTest {
 protected:
  ProcessResult Scan(const std::string& settings) {
    if (!settings.empty()) folder_.WriteFile("hvmend.ini", settings);
    return RunProgram("hvmend-cli.exe",
                      {"scan", "--json", "--quiet", "--data-dir", folder_.Path()});
  }
};

TEST_F(ConsoleScanSettingsTest, TheSettingsFileSwitchesSectionsOnAndOff) {
  // Only the two sections switched on here run; the others are off.
  std::string ini = "[scan]\n";
  for (const char* key : {"RegistryIntegrity",
                          "TypeLibrary",
                          "WindowsAssociations",
                          "DeepScan",
                          "CustomControls",
                          "ApplicationIDs",
                          "ContentType",
                          "Applications",
                          "KnownDrivers",
                          "VirtualDrivers",
                          "OpenGLDrivers",
                          "SharedDLLs",
                          "StartMenu",
                          "Startup",
                          "HelpAndResources",
                          "WindowsFonts",
                          "ApplicationLocations",
                          "FileExtensions",
                          "HTMLHelp",
                          "InstalledFiles",
                          "AddRemoveCache",
                          "FilePathReferences"})
    ini += std::string(key) + "=0\n";
  ini += "CodePages=1\nConfigurationCache=1\n";
  const ProcessResult result = Scan(ini);
  ASSERT_NE(2u, result.exitCode) << result.err;
  const auto document = nlohmann::json::parse(result.out);
  std::vector<int> enabled;
  for (const auto& section : document["sections"])
    if (section["enabled"].get<bool>()) enabled.push_back(section["number"].get<int>());
  EXPECT_EQ((std::vector<int>{7, 24}), enabled);

  // The scan's statistics went into the same file.
  const std::string after = ReadWholeFile(folder_.File("hvmend.ini"));
  EXPECT_NE(std::string::npos, after.find("last_scan=")) << after;
  EXPECT_NE(std::string::npos,
            after.find("last_err=" + std::to_string(document["total"].get<int>())))
      << after;
}

TEST_F(ConsoleScanSettingsTest, AReadOnlySettingsFileDoesNotStopTheScan) {
  const std::string path = folder_.WriteFile("hvmend.ini", "[scan]\nConfigurationCache=0\n");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const ProcessResult result =
      RunProgram("hvmend-cli.exe",
                 {"scan", "--json", "--quiet", "--sections", "7", "--data-dir", folder_.Path()});
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_NE(2u, result.exitCode) << result.err;
  EXPECT_EQ(24u, nlohmann::json::parse(result.out)["sections"].size());
  EXPECT_EQ("[scan]\nConfigurationCache=0\n", ReadWholeFile(path));
}

}  // namespace
}  // namespace hvm::test

namespace hvm::test {
namespace {

// A real backup of the test prefix's registry into a folder of the test's own.
// Wine keeps no hive list, so the hives are saved by name.
TEST(ConsoleBackup, SavesTheHivesIntoADatedFolderAndListsIt) {
  TestFolder folder;
  const ProcessResult made = RunProgram(
      "hvmend-cli.exe",
      {"backup", "--json", "--root", folder.File("Hivemend"), "--data-dir", folder.Path()});
  ASSERT_EQ(0u, made.exitCode) << made.out << made.err;
  const auto document = nlohmann::json::parse(made.out);
  EXPECT_TRUE(document["made"]);
  EXPECT_FALSE(document["hiveList"]);
  const std::vector<std::string> hives = document["hives"];
  EXPECT_EQ((std::vector<std::string>{"software", "system", "default", "user0"}), hives);
  const std::string backup = document["folder"];
  EXPECT_EQ(0u, backup.rfind(folder.File("Hivemend") + "\\", 0));
  EXPECT_NE(std::string::npos, ReadWholeFile(backup + "\\user.ini").find("default=\\.DEFAULT"));
  // The date of the last backup is kept.
  EXPECT_NE(std::string::npos, ReadWholeFile(folder.File("hvmend.ini")).find("last_backup=20"));

  const ProcessResult listed =
      RunProgram("hvmend-cli.exe", {"backup", "list", "--json", "--root", folder.File("Hivemend")});
  EXPECT_EQ(0u, listed.exitCode);
  const auto list = nlohmann::json::parse(listed.out);
  ASSERT_EQ(1u, list["backups"].size());
  // Both documents name the folder alike.
  EXPECT_EQ(backup, list["backups"][0]["folder"].get<std::string>());
  EXPECT_EQ(4u, list["backups"][0]["hives"].size());
}

TEST(ConsoleBackup, BadWordsAndOptionsAreUsageErrors) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"backup", "now"},
                                             {"backup", "--root"},
                                             {"backup", "--fast"},
                                             {"backup", "list", "extra"}}) {
    const ProcessResult result = RunProgram("hvmend-cli.exe", args);
    EXPECT_EQ(2u, result.exitCode) << args.back();
    EXPECT_EQ("", result.out);
  }
  TestFolder folder;
  const ProcessResult empty =
      RunProgram("hvmend-cli.exe", {"backup", "list", "--root", folder.File("none")});
  EXPECT_EQ(0u, empty.exitCode);
  EXPECT_EQ("", empty.out);
}

TEST(ConsoleMonitor, EndsByItselfAfterTheSecondsGivenAndSaysWhatItWatches) {
  const ProcessResult result = RunProgram("hvmend-cli.exe", {"monitor", "--seconds", "1"});
  EXPECT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ(0u, result.err.find("Watching ")) << result.err;
  EXPECT_NE(std::string::npos, result.err.find("watch points; Ctrl+C ends (or 1 seconds)."));
}

TEST(ConsoleMonitor, BadOptionsAreUsageErrors) {
  const ProcessResult bogus = RunProgram("hvmend-cli.exe", {"monitor", "--forever"});
  EXPECT_EQ(2u, bogus.exitCode);
  EXPECT_NE(std::string::npos, bogus.err.find("unknown option '--forever'"));
  const ProcessResult noNumber = RunProgram("hvmend-cli.exe", {"monitor", "--seconds", "soon"});
  EXPECT_EQ(2u, noNumber.exitCode);
  EXPECT_EQ("", noNumber.out);
}

}  // namespace
}  // namespace hvm::test
