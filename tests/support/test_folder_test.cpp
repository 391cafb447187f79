#include "test_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace hvm::test {
namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(TestFolder, LivesOnDriveCAndIsRemovedWithItsContent) {
  std::string path;
  {
    TestFolder folder;
    path = folder.Path();
    EXPECT_EQ(0, path.rfind("C:\\", 0)) << path;
    const std::string file = folder.WriteFile("deep\\er\\file.txt", "content");
    EXPECT_EQ("content", ReadWholeFile(file));
    EXPECT_TRUE(Exists(folder.File("deep\\er")));
  }
  EXPECT_FALSE(Exists(path));
}

TEST(TestFolder, TwoFoldersInOneTestDiffer) {
  TestFolder first;
  TestFolder second;
  EXPECT_NE(first.Path(), second.Path());
}

TEST(TestFolder, ReadingAMissingFileGivesEmptyText) {
  TestFolder folder;
  EXPECT_EQ("", ReadWholeFile(folder.File("missing.txt")));
}

}  // namespace
}  // namespace hvm::test
