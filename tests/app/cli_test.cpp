#include <gtest/gtest.h>

#include "support/process.h"

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

#include <nlohmann/json.hpp>

namespace hvm::test {
namespace {

TEST(ConsoleScan, JsonListsAllTwentyFourSectionsAndExitsZeroWhenNothingIsFound) {
  const ProcessResult result = RunProgram("hvmend-cli.exe", {"scan", "--json", "--quiet"});
  EXPECT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ("", result.err);
  const auto document = nlohmann::json::parse(result.out);
  EXPECT_EQ(0, document["total"]);
  ASSERT_EQ(24u, document["sections"].size());
  EXPECT_EQ("Registry Integrity", document["sections"][0]["label"]);
  EXPECT_EQ("Configuration Cache", document["sections"][23]["label"]);
  EXPECT_FALSE(document["sections"][23]["enabled"]);
}

TEST(ConsoleScan, ChosenSectionsAreTheOnlyEnabledOnes) {
  const ProcessResult result =
      RunProgram("hvmend-cli.exe", {"scan", "--json", "--quiet", "--sections", "1,24"});
  ASSERT_EQ(0u, result.exitCode) << result.err;
  const auto document = nlohmann::json::parse(result.out);
  int enabled = 0;
  for (const auto& section : document["sections"]) enabled += section["enabled"].get<bool>();
  EXPECT_EQ(2, enabled);
  EXPECT_TRUE(document["sections"][0]["enabled"]);
  EXPECT_TRUE(document["sections"][23]["enabled"]);
}

TEST(ConsoleScan, TextFormEndsWithTheTotalLine) {
  const ProcessResult result = RunProgram("hvmend-cli.exe", {"scan", "--quiet"});
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ("0 Problems Found\n", result.out);
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
