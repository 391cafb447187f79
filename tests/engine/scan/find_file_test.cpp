#include "engine/scan/find_file.h"

#include <gtest/gtest.h>

#include "support/test_folder.h"

namespace hvm {
namespace {

class FindFileTest : public test::TestFolderTest {
 protected:
  std::string Root() const { return folder_.Path() + "\\"; }
};

TEST_F(FindFileTest, FindsANameAnywhereInTheTree) {
  folder_.WriteFile("a\\b\\c\\shared.dll", "x");
  folder_.WriteFile("z\\other.dll", "x");
  EXPECT_TRUE(FindFile(Root(), "shared.dll"));
  EXPECT_TRUE(FindFile(Root(), "other.dll"));
  EXPECT_TRUE(FindFile(folder_.File("a\\b\\"), "shared.dll"));
  EXPECT_FALSE(FindFile(folder_.File("z\\"), "shared.dll"));
}

TEST_F(FindFileTest, IgnoresCaseAndAcceptsTheNamePlusExe) {
  folder_.WriteFile("bin\\Setup.EXE", "MZ");
  EXPECT_TRUE(FindFile(Root(), "SETUP.exe"));
  EXPECT_TRUE(FindFile(Root(), "setup"));
  EXPECT_FALSE(FindFile(Root(), "setu"));
  EXPECT_FALSE(FindFile(Root(), "setup.ex"));
}

TEST_F(FindFileTest, FolderNamesCountAsEntries) {
  folder_.WriteFile("tools\\readme.txt", "x");
  EXPECT_TRUE(FindFile(Root(), "tools"));
}

TEST_F(FindFileTest, MissingNamesAndFoldersAreNotFound) {
  folder_.WriteFile("a\\one.txt", "x");
  EXPECT_FALSE(FindFile(Root(), "two.txt"));
  EXPECT_FALSE(FindFile(folder_.File("missing\\"), "one.txt"));
}

}  // namespace
}  // namespace hvm
