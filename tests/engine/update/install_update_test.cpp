#include "engine/update/install_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/update/package_digest.h"
#include "support/test_folder.h"
#include "zip_builder.h"

namespace hvm {
namespace {

// Whatever the install leaves in the temporary folder, which is a folder of
// the test's own while it runs.
class InstallUpdateTest : public ::testing::Test {
 protected:
  InstallUpdateTest() : temp_(folder_.File("temp")) {
    CreateDirectoryA(temp_.c_str(), nullptr);
    char previous[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TMP", previous, sizeof(previous))) previousTmp_ = previous;
    SetEnvironmentVariableA("TMP", temp_.c_str());
  }
  ~InstallUpdateTest() override {
    SetEnvironmentVariableA("TMP", previousTmp_.empty() ? nullptr : previousTmp_.c_str());
  }
  std::vector<std::string> TempContents() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp_))
      names.push_back(entry.path().filename().string());
    return names;
  }
  // A downloaded package in the temporary folder, as the download leaves it.
  std::string Downloaded(const std::string& bytes) {
    return folder_.WriteFile("temp\\reg1.tmp", bytes);
  }
  InstallOutcome Install(const std::string& bytes, const std::string& digest) {
    return InstallUpdate(Downloaded(bytes), digest, {folder_.File("app\\hvmend.exe"), nullptr});
  }

  test::TestFolder folder_;
  std::string temp_;
  std::string previousTmp_;
};

std::string ZipOf(const std::string& name, const std::string& data) {
  return test::MakeZip({{name, data}});
}

TEST_F(InstallUpdateTest, ADigestMismatchInstallsNothingAndRemovesTheDownload) {
  const std::string package = ZipOf("hvmend.exe", "new program");
  const InstallOutcome outcome = Install(package, Sha256Text(package + "x"));
  EXPECT_EQ(InstallOutcome::Result::kNotVerified, outcome.result);
  EXPECT_TRUE(TempContents().empty());
}

// Only the last digit wrong: a comparison of any shorter part would let it in.
TEST_F(InstallUpdateTest, ADigestWrongOnlyInItsLastDigitInstallsNothing) {
  const std::string package = ZipOf("hvmend.exe", "new program");
  std::string digest = Sha256Text(package);
  digest.back() = digest.back() == '0' ? '1' : '0';
  const InstallOutcome outcome = Install(package, digest);
  EXPECT_EQ(InstallOutcome::Result::kNotVerified, outcome.result);
  EXPECT_TRUE(TempContents().empty());
  EXPECT_FALSE(std::filesystem::exists(folder_.File("app\\hvmend.exe")));
}

TEST_F(InstallUpdateTest, WithoutADigestNothingIsInstalled) {
  const InstallOutcome outcome = Install(ZipOf("hvmend.exe", "new"), "");
  EXPECT_EQ(InstallOutcome::Result::kNotVerified, outcome.result);
  EXPECT_TRUE(TempContents().empty());
}

TEST_F(InstallUpdateTest, AnArchiveWithANameOutsideItsFolderIsAbandoned) {
  for (const std::string name : {"..\\..\\Windows\\x.exe", "C:\\x.exe", "\\x.exe"}) {
    SCOPED_TRACE(name);
    const std::string package = ZipOf(name, "payload");
    const InstallOutcome outcome = Install(package, Sha256Text(package));
    EXPECT_EQ(InstallOutcome::Result::kBadPackage, outcome.result);
    EXPECT_TRUE(TempContents().empty());
    EXPECT_FALSE(std::filesystem::exists(folder_.File("x.exe")));
  }
}

TEST_F(InstallUpdateTest, ATruncatedArchiveIsAbandonedWithItsTemporaryFiles) {
  const std::string whole = ZipOf("hvmend.exe", std::string(20000, 'n'));
  const std::string package = whole.substr(0, whole.size() / 2);
  const InstallOutcome outcome = Install(package, Sha256Text(package));
  EXPECT_EQ(InstallOutcome::Result::kBadPackage, outcome.result);
  EXPECT_TRUE(TempContents().empty());
}

TEST_F(InstallUpdateTest, AnArchiveWithoutTheProgramIsAbandoned) {
  const std::string package = ZipOf("readme.txt", "no program here");
  const InstallOutcome outcome = Install(package, Sha256Text(package));
  EXPECT_EQ(InstallOutcome::Result::kBadPackage, outcome.result);
  EXPECT_TRUE(TempContents().empty());
}

TEST_F(InstallUpdateTest, AProgramWithoutTheRestartLibraryStartsNothing) {
  // This test program is a real executable without resource 990.
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof(self));
  std::string program;
  ASSERT_TRUE(test::ReadWholeFile(self).size() > 0);
  program = test::ReadWholeFile(self);
  const std::string package = ZipOf("hvmend.exe", program);
  const InstallOutcome outcome = Install(package, Sha256Text(package));
  EXPECT_EQ(InstallOutcome::Result::kNoRestarter, outcome.result);
  EXPECT_TRUE(TempContents().empty());
}

TEST_F(InstallUpdateTest, TheRestartLibraryIsRemovedOnlyFromTheTemporaryFolder) {
  const std::string library = folder_.WriteFile("temp\\reg1A2B.tmp", "library");
  const std::string elsewhere = folder_.WriteFile("reg77.tmp", "not ours");
  const std::string other = folder_.WriteFile("temp\\notes.txt", "not ours");
  EXPECT_FALSE(RemoveRestartLibrary({"startscan", library}));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp"}));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", elsewhere}));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", other}));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", temp_ + "\\..\\reg77.tmp"}));
  EXPECT_TRUE(std::filesystem::exists(elsewhere));
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_TRUE(RemoveRestartLibrary({"/fromtemp", library}));
  EXPECT_FALSE(std::filesystem::exists(library));
  const std::string again = folder_.WriteFile("temp\\reg1A2C.tmp", "library");
  EXPECT_TRUE(RemoveRestartLibrary({"/updatefailed", again}));
}

TEST(WriteEntries, AFileAlreadyThereIsNeverOverwrittenAndNothingIsLeft) {
  test::TestFolder folder;
  folder.WriteFile("b.txt", "keep");
  const uint32_t status = WriteEntries({{"a.txt", "new"}, {"b.txt", "new"}}, folder.Path());
  EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_EXISTS), status);
  EXPECT_FALSE(std::filesystem::exists(folder.File("a.txt")));
  EXPECT_EQ("keep", test::ReadWholeFile(folder.File("b.txt")));
}

TEST(RestarterCommandLine, LibraryEntrySourceTargetWindowAndTheCheckedFiles) {
  EXPECT_EQ(
      "rundll32.exe \"C:\\TEMP\\REG1A.TMP\",bfs_restart \"C:\\TEMP\\reg2.tmp\\\" "
      "\"C:\\Program Files\\Hivemend\\hvmend.exe\" 65810 \"hvmend.chm|ab12\" \"hvmend.exe|cd34\"",
      RestarterCommandLine("C:\\TEMP\\REG1A.TMP", "C:\\TEMP\\reg2.tmp\\",
                           "C:\\Program Files\\Hivemend\\hvmend.exe",
                           reinterpret_cast<HWND>(static_cast<uintptr_t>(65810)),
                           {{"hvmend.chm", "ab12"}, {"hvmend.exe", "cd34"}}));
  // A long path, as when no short one can be had, stays one word.
  EXPECT_EQ(0u, RestarterCommandLine("C:\\Users\\A B\\Temp\\reg1A.tmp", "s", "p", nullptr, {})
                    .find("rundll32.exe \"C:\\Users\\A B\\Temp\\reg1A.tmp\",bfs_restart \"s\" "));
}

}  // namespace
}  // namespace hvm
