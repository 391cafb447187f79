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
