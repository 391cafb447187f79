#include "engine/scan/short_names.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_drives.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

// The platform's own short form, to compare with.
std::string PlatformShortPath(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

TEST(BuildShortName, TheDocumentedExamples) {
  EXPECT_EQ("MyRepo~1.htm", BuildShortName("My Report.html"));
  EXPECT_EQ("page~1.htm", BuildShortName("page.html"));
  EXPECT_EQ("notes.txt", BuildShortName("notes.txt"));
}

TEST(BuildShortName, LongOrChangedBasesAreCutToSixAndNumbered) {
  EXPECT_EQ("verylo~1.txt", BuildShortName("verylongname.txt"));
  EXPECT_EQ("eightchr.txt", BuildShortName("eightchr.txt"));
  EXPECT_EQ("a_b~1.txt", BuildShortName("a+b.txt"));
  EXPECT_EQ("x_y_z_~1.dat", BuildShortName("x,y;z=.dat"));
  EXPECT_EQ("_a_~1.c", BuildShortName("[a].c"));
}

TEST(BuildShortName, OnlyTheLastDotStays) {
  EXPECT_EQ("archiv~1.gz", BuildShortName("archive.tar.gz"));
  EXPECT_EQ("ab~1.c", BuildShortName("a.b.c"));
  EXPECT_EQ("name.", BuildShortName("name."));
  EXPECT_EQ(".txt", BuildShortName(".txt"));
}

TEST(BuildShortName, NamesWithoutADotAreNeverShortened) {
  EXPECT_EQ("averyveryverylongname", BuildShortName("averyveryverylongname"));
  EXPECT_EQ("withblank", BuildShortName("with blank"));
  EXPECT_EQ("", BuildShortName(""));
}

class ShortNamesTest : public test::TestFolderTest {
 protected:
  // An existing folder whose name is a valid short name already, so it has
  // no alternate name of its own.
  std::string Data() {
    CreateDirectoryA(folder_.File("Data").c_str(), nullptr);
    return folder_.File("Data");
  }
};

TEST_F(ShortNamesTest, MissingFilesUnderAnExistingFolder) {
  const std::string data = Data();
  const std::string shortData = PlatformShortPath(data);
  ASSERT_FALSE(shortData.empty());
  EXPECT_EQ(shortData + "\\MyRepo~1.htm", MakeShortName(data + "\\My Report.html", false));
  EXPECT_EQ(shortData + "\\page~1.htm", MakeShortName(data + "\\page.html", false));
  EXPECT_EQ(shortData + "\\notes.txt", MakeShortName(data + "\\notes.txt", false));
}

TEST_F(ShortNamesTest, ExistingEntriesGiveTheirAlternateNames) {
  const std::string file = folder_.WriteFile("Long Folder Name\\Long File Name.text", "x");
  EXPECT_EQ(PlatformShortPath(file), MakeShortName(file, false));
  EXPECT_EQ(PlatformShortPath(file), ShortFileName(file));
}

TEST_F(ShortNamesTest, TheFolderOnlySwitchOnAFileStillEnds) {
  const std::string file = folder_.WriteFile("Some Long Name.html", "x");
  EXPECT_EQ(PlatformShortPath(file), MakeShortName(file, true));
  EXPECT_EQ(PlatformShortPath(file) + "\\x.txt", MakeShortName(file + "\\x.txt", false));
}

TEST_F(ShortNamesTest, ShortFileNameBuildsOneForAMissingFile) {
  const std::string data = Data();
  EXPECT_EQ(PlatformShortPath(data) + "\\page~1.htm", ShortFileName(data + "\\page.html"));
}

TEST_F(ShortNamesTest, DriveRootsAndBareNames) {
  EXPECT_EQ("C:\\hvmgone.txt", MakeShortName("C:\\hvmgone.txt", false));
  EXPECT_EQ("C:\\hvmgon~1.htm", MakeShortName("C:\\hvm gone.html", false));
  EXPECT_EQ("verylo~1.txt", MakeShortName("verylongname.txt", false));
  EXPECT_EQ("\\page~1.htm", MakeShortName("\\page.html", false));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// The test prefix's network share, through Wine's dosdevices/unc.
TEST_F(ShortNamesTest, ANetworkPathKeepsBothLeadingBackslashes) {
  const std::string share = test::kNetworkShare;
  // A name that is a short name already, so that it has no alternate name.
  const std::string folder = share + "\\Hvm" + std::to_string(GetCurrentProcessId() % 100000);
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::string name = folder.substr(share.size() + 1);
  EXPECT_EQ(share + "\\" + name + "\\MyRepo~1.htm",
            MakeShortName(folder + "\\My Report.html", false));
  EXPECT_EQ(share + "\\" + name + "\\MyRepo~1.htm", ShortFileName(folder + "\\My Report.html"));
  EXPECT_EQ(share + "\\gone\\notes.txt", MakeShortName(share + "\\gone\\notes.txt", false));
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace hvm
