#include "engine/scan/file_tests.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/core/environment.h"
#include "engine/scan/drive_types.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

class FileTestsTest : public test::TestFolderTest {
 protected:
  void SetUp() override {
    InitEnvironment();
    ResetDriveCache();
  }
};

TEST_F(FileTestsTest, FilesCountAndFoldersDoNot) {
  const std::string file = folder_.WriteFile("app.exe", "MZ");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(nFileExists(file));
  EXPECT_FALSE(FileExists(folder_.Path()));
  EXPECT_FALSE(nFileExists(folder_.Path()));
  EXPECT_TRUE(FolderExists(folder_.Path()));
  EXPECT_FALSE(FolderExists(file));
}

TEST_F(FileTestsTest, MissingPathsAndEmptyTextAreNotFound) {
  EXPECT_FALSE(nFileExists(folder_.File("missing.dll")));
  EXPECT_FALSE(nFileExists(folder_.File("missing\\deeper.dll")));
  EXPECT_FALSE(nFileExists(""));
  EXPECT_FALSE(FolderExists(""));
}

TEST_F(FileTestsTest, HiddenAndSystemFilesCount) {
  const std::string file = folder_.WriteFile("hidden.sys", "x");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_TRUE(nFileExists(file));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileTestsTest, BareDrivesAreNeverFiles) {
  EXPECT_FALSE(nFileExists("C:"));
  EXPECT_FALSE(nFileExists("R:"));
  EXPECT_FALSE(nFileExists("Q:"));
}

TEST_F(FileTestsTest, PatternsMatchFilesAndFolders) {
  folder_.WriteFile("report.txt", "x");
  folder_.WriteFile("sub\\inner.txt", "x");
  EXPECT_TRUE(AnyEntryMatches(folder_.File("report.*")));
  EXPECT_TRUE(AnyEntryMatches(folder_.File("sub.*")));
  EXPECT_FALSE(AnyEntryMatches(folder_.File("inner.*")));
}

TEST_F(FileTestsTest, FolderHoldsEntrySearchesThatFolderOnly) {
  folder_.WriteFile("tool.exe", "MZ");
  folder_.WriteFile("sub\\deep.exe", "MZ");
  EXPECT_TRUE(FolderHoldsEntry(folder_.Path(), "tool.exe"));
  EXPECT_TRUE(FolderHoldsEntry(folder_.Path(), "TOOL.EXE"));
  EXPECT_FALSE(FolderHoldsEntry(folder_.Path(), "tool"));
  EXPECT_FALSE(FolderHoldsEntry(folder_.Path(), "deep.exe"));
  EXPECT_FALSE(FolderHoldsEntry(folder_.Path(), "notepad.exe"));
  EXPECT_FALSE(FolderHoldsEntry(folder_.Path(), ""));
}

TEST_F(FileTestsTest, DeleteRemovesAFileAndKeepsTheStatusOfAFailure) {
  const std::string file = folder_.WriteFile("old.log", "x");
  EXPECT_TRUE(nDeleteFile(file));
  EXPECT_FALSE(nFileExists(file));
  EXPECT_FALSE(nDeleteFile(file));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(nDeleteFile(folder_.Path()));
  EXPECT_TRUE(FolderExists(folder_.Path()));
}

TEST_F(FileTestsTest, AReadOnlyFileIsNotDeleted) {
  const std::string file = folder_.WriteFile("locked.ini", "x");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(nDeleteFile(file));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(nFileExists(file));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace hvm
