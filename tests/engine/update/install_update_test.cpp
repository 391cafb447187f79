#include "engine/update/install_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/core/scoped_handle.h"
#include "engine/update/package_digest.h"
#include "folder_access.h"
#include "support/process.h"
#include "support/test_folder.h"
#include "zip_builder.h"

namespace hvm {
namespace {

// Whatever the install leaves in the temporary folder, which is a folder of
// the test's own while it runs, and in the program's folder "app".
class InstallUpdateTest : public ::testing::Test {
 protected:
  InstallUpdateTest()
      : temp_(folder_.File("temp")), app_(folder_.File("app")), update_(app_ + "\\Update") {
    CreateDirectoryA(temp_.c_str(), nullptr);
    CreateDirectoryA(app_.c_str(), nullptr);
    char previous[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TMP", previous, sizeof(previous))) previousTmp_ = previous;
    SetEnvironmentVariableA("TMP", temp_.c_str());
  }
  ~InstallUpdateTest() override {
    SetEnvironmentVariableA("TMP", previousTmp_.empty() ? nullptr : previousTmp_.c_str());
  }
  static std::vector<std::string> Contents(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    return names;
  }
  std::vector<std::string> TempContents() const { return Contents(temp_); }
  // A downloaded package in the temporary folder, as the download leaves it.
  std::string Downloaded(const std::string& bytes) {
    return folder_.WriteFile("temp\\reg1.tmp", bytes);
  }
  InstallOutcome Install(const std::string& bytes, const std::string& digest) {
    return InstallUpdate(Downloaded(bytes), digest, {app_ + "\\hvmend.exe", nullptr});
  }

  test::TestFolder folder_;
  std::string temp_;
  std::string app_;
  std::string update_;
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
  EXPECT_TRUE(Contents(app_).empty());
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
  EXPECT_TRUE(Contents(app_).empty());
}

TEST_F(InstallUpdateTest, AnArchiveWithANameOutsideItsFolderIsAbandoned) {
  for (const std::string name : {"..\\..\\Windows\\x.exe", "C:\\x.exe", "\\x.exe"}) {
    SCOPED_TRACE(name);
    const std::string package = ZipOf(name, "payload");
    const InstallOutcome outcome = Install(package, Sha256Text(package));
    EXPECT_EQ(InstallOutcome::Result::kBadPackage, outcome.result);
    EXPECT_TRUE(TempContents().empty());
    EXPECT_TRUE(Contents(app_).empty());
    EXPECT_FALSE(std::filesystem::exists(folder_.File("x.exe")));
  }
}

TEST_F(InstallUpdateTest, ATruncatedArchiveIsAbandonedWithItsTemporaryFiles) {
  const std::string whole = ZipOf("hvmend.exe", std::string(20000, 'n'));
  const std::string package = whole.substr(0, whole.size() / 2);
  const InstallOutcome outcome = Install(package, Sha256Text(package));
  EXPECT_EQ(InstallOutcome::Result::kBadPackage, outcome.result);
  EXPECT_TRUE(TempContents().empty());
  EXPECT_TRUE(Contents(app_).empty());
}

TEST_F(InstallUpdateTest, AnArchiveWithoutTheProgramIsAbandoned) {
  const std::string package = ZipOf("readme.txt", "no program here");
  const InstallOutcome outcome = Install(package, Sha256Text(package));
  EXPECT_EQ(InstallOutcome::Result::kBadPackage, outcome.result);
  EXPECT_TRUE(TempContents().empty());
  EXPECT_TRUE(Contents(app_).empty());
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
  EXPECT_TRUE(Contents(app_).empty());
}

// Nothing is made in the program's folder where its update folder cannot be
// made there: no program folder, or a file by that name in it.
TEST_F(InstallUpdateTest, WithoutAnUpdateFolderNothingIsStarted) {
  const std::string package = ZipOf("hvmend.exe", "new program");
  InstallOutcome outcome = InstallUpdate(Downloaded(package), Sha256Text(package),
                                         {folder_.File("gone\\hvmend.exe"), nullptr});
  EXPECT_EQ(InstallOutcome::Result::kNotStarted, outcome.result);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_PATH_NOT_FOUND), outcome.status);
  EXPECT_TRUE(TempContents().empty());
  EXPECT_FALSE(std::filesystem::exists(folder_.File("gone")));

  folder_.WriteFile("app\\Update", "a file of that name");
  outcome = Install(package, Sha256Text(package));
  EXPECT_EQ(InstallOutcome::Result::kNotStarted, outcome.result);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ALREADY_EXISTS), outcome.status);
  EXPECT_EQ("a file of that name", test::ReadWholeFile(update_));
  EXPECT_EQ(std::vector<std::string>{"Update"}, Contents(app_));
  EXPECT_TRUE(TempContents().empty());
}

std::string ShortPath(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

// The switch is on a command line anyone can type: only a restart library
// directly in the program's own update folder is removed, however its path
// is spelt, and nothing else, the library's former place in %TEMP% included.
TEST_F(InstallUpdateTest, TheRestartLibraryIsRemovedOnlyFromTheUpdateFolder) {
  const std::string library = folder_.WriteFile("app\\Update\\rst1A2B.tmp", "library");
  const std::string waiting = folder_.WriteFile("app\\Update\\pkg1.tmp\\hvmend.exe", "waits");
  const std::vector<std::string> refused = {
      folder_.WriteFile("temp\\reg1A2B.tmp", "where the library once was"),
      folder_.WriteFile("temp\\rst1A2B.tmp", "in the temporary folder"),
      folder_.WriteFile("app\\rst1A2B.tmp", "in the program folder itself"),
      folder_.WriteFile("other\\Update\\rst1A2B.tmp", "in another program's update folder"),
      folder_.WriteFile("app\\Update\\pkg1.tmp\\rst1A2B.tmp", "in a package"),
      folder_.WriteFile("app\\Update\\pkg2.tmp", "a package, not a library"),
      folder_.WriteFile("app\\Update\\rst.tmp", "no number"),
      folder_.WriteFile("app\\Update\\rst1A2B.dll", "not .tmp"),
  };
  for (const std::string& path : refused) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", path}, app_));
    EXPECT_TRUE(std::filesystem::exists(path));
  }
  for (const std::string& path :
       {update_ + "\\..\\Update\\rst1A2B.tmp", temp_ + "\\..\\app\\Update\\rst1A2B.tmp",
        update_ + "\\rst1A2B.tmp:stream"})
    EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", path}, app_)) << path;
  EXPECT_FALSE(RemoveRestartLibrary({"startscan", library}, app_));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp"}, app_));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", library}, ""));
  EXPECT_FALSE(RemoveRestartLibrary({"/fromtemp", library}, folder_.File("other")));
  EXPECT_TRUE(std::filesystem::exists(library));

  // As rundll32 names it: by its short path.
  EXPECT_TRUE(RemoveRestartLibrary({"/fromtemp", ShortPath(library)}, app_));
  EXPECT_FALSE(std::filesystem::exists(library));
  // Another update's package still waits: the folder stays.
  EXPECT_TRUE(std::filesystem::exists(waiting));
  const std::string again = folder_.WriteFile("app\\Update\\rst1A2C.tmp", "library");
  EXPECT_TRUE(RemoveRestartLibrary({"/updatefailed", again}, app_));
}

TEST_F(InstallUpdateTest, TheLastRestartLibraryTakesTheUpdateFolderWithIt) {
  const std::string library = folder_.WriteFile("app\\Update\\rst1A2B.tmp", "library");
  EXPECT_TRUE(RemoveRestartLibrary({"/fromtemp", library}, app_));
  EXPECT_TRUE(Contents(app_).empty());
}

// A package installed through to the restart, as the program installs one.
// The restart probe stands in for the new program: it carries the restart
// library as the program does and records the command line it is started
// with again, which names the library.
class InstallThroughRestartTest : public InstallUpdateTest {
 protected:
  static constexpr DWORD kHangGuardMs = 60000;

  InstallThroughRestartTest()
      : newProgram_(test::ReadWholeFile(test::ProgramFolder() + "\\restart-probe.exe") +
                    "new version") {
    folder_.WriteFile("app\\hvmend.exe", "old program");
  }

  // The command line of the program started again, once it has recorded it.
  // The probe moves its record into place whole, yet a read the moment the
  // name appears has come back empty on a loaded machine: read until there
  // is a line (a command line is never empty).
  std::string Restarted() const {
    const std::string record = app_ + "\\hvmend.exe.args";
    const DWORD start = GetTickCount();
    std::string line;
    while (GetTickCount() - start < kHangGuardMs) {
      if (std::filesystem::exists(record)) line = test::ReadWholeFile(record);
      if (!line.empty()) break;
      Sleep(20);
    }
    return line;
  }

  static std::string LibraryNamedIn(const std::string& line) {
    const std::string marker = " /fromtemp \"";
    const size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    const size_t end = line.find('"', at + marker.size());
    if (end == std::string::npos) return {};
    return line.substr(at + marker.size(), end - at - marker.size());
  }

  // Removes the library as the program does when it ends; rundll32 may hold
  // it for a moment after it started the program.
  bool RemoveWhenReleased(const std::string& line) const {
    const std::vector<std::string> arguments = {"/fromtemp", LibraryNamedIn(line)};
    const DWORD start = GetTickCount();
    while (!RemoveRestartLibrary(arguments, app_)) {
      if (GetTickCount() - start >= kHangGuardMs) return false;
      Sleep(20);
    }
    return true;
  }

  // Checks what an install left: the new program in place, the library in
  // the update folder beside nothing else (the package has gone), nobody but
  // administrators given anything there, and all of it gone with the library.
  void ExpectInstalled(const std::string& line) {
    EXPECT_TRUE(test::ReadWholeFile(app_ + "\\hvmend.exe") == newProgram_)
        << "the new program is not in place";
    const std::string library = LibraryNamedIn(line);
    ASSERT_FALSE(library.empty()) << line;
    char longPath[MAX_PATH] = {};
    ASSERT_NE(0u, GetLongPathNameA(library.c_str(), longPath, sizeof(longPath))) << library;
    const std::filesystem::path libraryPath(longPath);
    EXPECT_TRUE(std::filesystem::equivalent(libraryPath.parent_path(), update_)) << longPath;
    EXPECT_EQ(std::vector<std::string>{libraryPath.filename().string()}, Contents(update_));
    for (const std::string& grant : test::GrantsToOtherUsers(update_)) ADD_FAILURE() << grant;
    EXPECT_TRUE(TempContents().empty()) << "the download is left";
    EXPECT_TRUE(RemoveWhenReleased(line));
    EXPECT_FALSE(std::filesystem::exists(update_));
  }

  // The package the install staged in the update folder ("pkg*.tmp", beside
  // one restart library and nothing else); empty text, and a failure, when
  // the folder holds anything else.
  std::string StagedPackage() const {
    std::vector<std::string> names = Contents(update_);
    std::sort(names.begin(), names.end());
    const bool expected =
        names.size() == 2 && names[0].rfind("pkg", 0) == 0 && names[1].rfind("rst", 0) == 0;
    if (!expected) {
      ADD_FAILURE() << "the update folder holds " << names.size() << " names, "
                    << (names.empty() ? "" : names[0]);
      return {};
    }
    return update_ + "\\" + names[0];
  }

  std::string newProgram_;
};

// The restarter waits until it can write the program before it reads the
// package: while the program is held open, what the install staged can be
// looked at before it is copied and removed.
TEST_F(InstallThroughRestartTest, AnArchiveWaitsInTheUpdateFolderForTheLibraryThere) {
  ASSERT_GT(newProgram_.size(), 11u);
  const std::string package = test::MakeZip({{"hvmend.exe", newProgram_}, {"notes.txt", "notes"}});
  ScopedFile running(CreateFileA((app_ + "\\hvmend.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(running);
  const InstallOutcome outcome = Install(package, Sha256Text(package));
  ASSERT_TRUE(outcome.Started()) << outcome.status << " " << outcome.detail;
  EXPECT_TRUE(TempContents().empty()) << "the download is left";
  const std::string staged = StagedPackage();
  ASSERT_FALSE(staged.empty());
  EXPECT_EQ((std::vector<std::string>{"hvmend.exe", "notes.txt"}), Contents(staged));
  for (const std::string& grant : test::GrantsToOtherUsers(staged)) ADD_FAILURE() << grant;
  running.Close();

  const std::string line = Restarted();
  EXPECT_NE(std::string::npos, line.find(" /fromtemp ")) << line;
  EXPECT_EQ("notes", test::ReadWholeFile(app_ + "\\notes.txt"));
  ExpectInstalled(line);
}

TEST_F(InstallThroughRestartTest, AProgramThatIsThePackageWaitsInTheUpdateFolderToo) {
  ASSERT_GT(newProgram_.size(), 11u);
  ScopedFile running(CreateFileA((app_ + "\\hvmend.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(running);
  const InstallOutcome outcome = Install(newProgram_, Sha256Text(newProgram_));
  ASSERT_TRUE(outcome.Started()) << outcome.status << " " << outcome.detail;
  EXPECT_TRUE(TempContents().empty()) << "the download is left";
  const std::string staged = StagedPackage();
  ASSERT_FALSE(staged.empty());
  EXPECT_TRUE(test::ReadWholeFile(staged) == newProgram_);
  running.Close();

  const std::string line = Restarted();
  EXPECT_NE(std::string::npos, line.find(" /fromtemp ")) << line;
  ExpectInstalled(line);
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
