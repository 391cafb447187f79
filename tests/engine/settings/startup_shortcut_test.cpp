#include "engine/settings/startup_shortcut.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/core/environment.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

constexpr char kShellFolders[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool FileThere(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class StartupShortcutTest : public test::TestFolderTest {
 protected:
  StartupShortcutTest() { InitEnvironment(); }
  std::string Program() const { return folder_.File("app\\hvmend.exe"); }
};

TEST_F(StartupShortcutTest, MakesTheShortcutThatStartsTheProgramWithTheStartWord) {
  StartupShortcut shortcut(folder_.Path(), Program());
  EXPECT_EQ(folder_.File("hvmend.lnk"), shortcut.Path());
  EXPECT_FALSE(shortcut.Exists());
  ASSERT_EQ(0u, shortcut.Make("bootup"));
  EXPECT_TRUE(shortcut.Exists());
  const std::optional<ShortcutFacts> facts = ReadShortcut(shortcut.Path());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ(Program(), facts->target);
  EXPECT_EQ("bootup", facts->arguments);
  EXPECT_EQ(folder_.File("app"), facts->workingFolder);
}

// A program and a start-up folder whose paths hold characters beyond any one
// code page: the shortcut names them as they are.
TEST_F(StartupShortcutTest, PathsInEveryScriptAreKeptWhole) {
  const std::string folder =
      folder_.File("\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8 \xE6\x96\x87\xE4\xBB\xB6");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string program = folder + "\\\xF0\x9F\x93\x81 caf\xC3\xA9\\hvmend.exe";
  StartupShortcut shortcut(folder, program);
  ASSERT_EQ(0u, shortcut.Make("monitor"));
  EXPECT_TRUE(shortcut.Exists());
  const std::optional<ShortcutFacts> facts = ReadShortcut(shortcut.Path());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ(program, facts->target);
  EXPECT_EQ(folder + "\\\xF0\x9F\x93\x81 caf\xC3\xA9", facts->workingFolder);
}

TEST_F(StartupShortcutTest, ChangingTheActionReplacesTheOneShortcut) {
  StartupShortcut shortcut(folder_.Path() + "\\", Program());
  ASSERT_EQ(0u, MatchStartupEntry(shortcut, kAutoScanAndRepair));
  ASSERT_EQ(0u, MatchStartupEntry(shortcut, kAutoMonitor));
  EXPECT_EQ("monitor", ReadShortcut(shortcut.Path()).value_or(ShortcutFacts{}).arguments);
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(folder_.File("*.lnk").c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  EXPECT_FALSE(FindNextFileA(search, &found));  // one shortcut, no other
  FindClose(search);
}

TEST_F(StartupShortcutTest, DisabledRemovesItAndLeavesOtherFilesAlone) {
  const std::string other = folder_.WriteFile("other.lnk", "not ours");
  StartupShortcut shortcut(folder_.Path(), Program());
  ASSERT_EQ(0u, shortcut.Make("monitor"));
  EXPECT_EQ(0u, MatchStartupEntry(shortcut, kAutoDisabled));
  EXPECT_FALSE(FileThere(shortcut.Path()));
  EXPECT_EQ(0u, MatchStartupEntry(shortcut, kAutoDisabled));  // nothing left to remove
  EXPECT_EQ(0u, MatchStartupEntry(shortcut, 9));
  EXPECT_EQ("not ours", test::ReadWholeFile(other));
}

TEST_F(StartupShortcutTest, AFolderThatIsNotThereIsAFailureNotASuccess) {
  StartupShortcut shortcut(folder_.File("missing\\deeper"), Program());
  EXPECT_NE(0u, shortcut.Make("bootup"));
  EXPECT_FALSE(shortcut.Exists());
}

TEST_F(StartupShortcutTest, AFileThatIsNotAShortcutReadsAsNothing) {
  EXPECT_FALSE(ReadShortcut(folder_.WriteFile("broken.lnk", "garbage")).has_value());
  EXPECT_FALSE(ReadShortcut(folder_.File("absent.lnk")).has_value());
}

TEST_F(StartupShortcutTest, StartWordsOfTheActions) {
  EXPECT_EQ("", StartWordFor(kAutoDisabled));
  EXPECT_EQ("bootup", StartWordFor(kAutoScanAndRepair));
  EXPECT_EQ("monitor", StartWordFor(kAutoMonitor));
  EXPECT_EQ("", StartWordFor(3));
  EXPECT_EQ("", StartWordFor(-1));
}

class StartupFolderTest : public test::RegistrySandboxTest {
 protected:
  StartupFolderTest() { InitEnvironment(); }
  std::string Fallback() const {
    return Environment().windowsFolder + "Startm~1\\Programs\\StartUp\\";
  }
};

TEST_F(StartupFolderTest, ReadFromTheShellFoldersWithABackslash) {
  test::SeedString(kShellFolders, "Startup", "C:\\Users\\u\\Start Menu\\Programs\\Startup");
  EXPECT_EQ("C:\\Users\\u\\Start Menu\\Programs\\Startup\\", UserStartupFolder());
  test::SeedString(kShellFolders, "Startup", "D:\\Startup\\");
  EXPECT_EQ("D:\\Startup\\", UserStartupFolder());
}

TEST_F(StartupFolderTest, WithoutTheKeyOrItsValueTheWindowsFolderIsUsed) {
  EXPECT_EQ(Fallback(), UserStartupFolder());
  test::SeedString(kShellFolders, "Startup", "");
  EXPECT_EQ(Fallback(), UserStartupFolder());
  test::SeedDword(kShellFolders, "Startup", 1);
  EXPECT_EQ(Fallback(), UserStartupFolder());
}

}  // namespace
}  // namespace hvm
