// The restart library as rundll32.exe runs it after an update: a separate
// process copies from a source folder of the test's own into a program
// folder of the test's own and starts the program there again. The program
// is a probe that records the switch it was started with.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/core/scoped_handle.h"
#include "engine/update/install_update.h"
#include "engine/update/package_digest.h"
#include "support/process.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

constexpr DWORD kHangGuardMs = 60000;

class RestartLibraryTest : public test::TestFolderTest {
 protected:
  RestartLibraryTest()
      : probe_(test::ReadWholeFile(test::ProgramFolder() + "\\restart-probe.exe")),
        newProgram_(probe_ + "new version"),
        source_(folder_.File("temp dir\\reg2.tmp") + "\\"),
        app_(folder_.File("app")),
        program_(app_ + "\\hvmend.exe") {
    // A library path with a blank, as a long path is when no short one can
    // be had.
    library_ = folder_.File("temp dir\\reg 1.tmp");
    CreateDirectoryA(folder_.File("temp dir").c_str(), nullptr);
    CreateDirectoryA(source_.c_str(), nullptr);
    CreateDirectoryA(app_.c_str(), nullptr);
    CopyFileA((test::ProgramFolder() + "\\hvmend_restart.dll").c_str(), library_.c_str(), FALSE);
    folder_.WriteFile("app\\hvmend.exe", probe_);
    folder_.WriteFile("temp dir\\reg2.tmp\\hvmend.exe", newProgram_);
  }

  // Runs the restarter as the program starts it, waits for it to end and
  // then for the program it started to record its command line.
  std::string Restart(const std::vector<CheckedFile>& files) {
    std::string line = RestarterCommandLine(library_, source_, program_, nullptr, files);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof(system));
    const std::string host = std::string(system) + "\\rundll32.exe";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(host.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      ADD_FAILURE() << "rundll32 not started: " << GetLastError();
      return {};
    }
    CloseHandle(process.hThread);
    const ScopedKernelHandle running(process.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kHangGuardMs));
    // The restarted program runs on its own; its record appears when it is done.
    // Read until there is a line: a read the moment the name appears has come
    // back empty on a loaded machine.
    const std::string record = program_ + ".args";
    const DWORD start = GetTickCount();
    std::string recorded;
    while (GetTickCount() - start < kHangGuardMs) {
      if (std::filesystem::exists(record)) recorded = test::ReadWholeFile(record);
      if (!recorded.empty()) break;
      Sleep(20);
    }
    return recorded;
  }

  std::string probe_, newProgram_, source_, app_, program_, library_;
};

TEST_F(RestartLibraryTest, OnlyTheCheckedFilesAreCopied) {
  ASSERT_FALSE(probe_.empty());
  folder_.WriteFile("temp dir\\reg2.tmp\\added.dll", "put there after the check");
  folder_.WriteFile("temp dir\\reg2.tmp\\notes.txt", "notes");
  const std::string line =
      Restart({{"notes.txt", Sha256Text("notes")}, {"hvmend.exe", Sha256Text(newProgram_)}});
  EXPECT_NE(std::string::npos, line.find(" /fromtemp ")) << line;
  EXPECT_TRUE(test::ReadWholeFile(program_) == newProgram_) << "the new program is not in place";
  EXPECT_EQ("notes", test::ReadWholeFile(app_ + "\\notes.txt"));
  EXPECT_FALSE(std::filesystem::exists(app_ + "\\added.dll"));
}

// A file swapped between the check and the copy: nothing at all is copied,
// and the program is told that the update failed.
TEST_F(RestartLibraryTest, AFileThatChangedSinceTheCheckStopsTheWholeCopy) {
  folder_.WriteFile("temp dir\\reg2.tmp\\helper.dll", "swapped");
  const std::string line =
      Restart({{"helper.dll", Sha256Text("checked")}, {"hvmend.exe", Sha256Text(newProgram_)}});
  EXPECT_NE(std::string::npos, line.find(" /updatefailed ")) << line;
  EXPECT_TRUE(test::ReadWholeFile(program_) == probe_) << "the old program was replaced";
  EXPECT_FALSE(std::filesystem::exists(app_ + "\\helper.dll"));
}

// The restarter checks each file again against its whole digest: one that
// differs only in its last digit is as wrong as any other.
TEST_F(RestartLibraryTest, ADigestWrongOnlyInItsLastDigitStopsTheWholeCopy) {
  std::string digest = Sha256Text(newProgram_);
  digest.back() = digest.back() == '0' ? '1' : '0';
  const std::string line = Restart({{"hvmend.exe", digest}});
  EXPECT_NE(std::string::npos, line.find(" /updatefailed ")) << line;
  EXPECT_TRUE(test::ReadWholeFile(program_) == probe_) << "the old program was replaced";
}

// A list that names a file outside the source folder, or no file at all,
// copies nothing either.
TEST_F(RestartLibraryTest, AListWithAPathOrNoEntryCopiesNothing) {
  folder_.WriteFile("temp dir\\outside.dll", "outside");
  for (const std::vector<CheckedFile>& files :
       {std::vector<CheckedFile>{{"..\\outside.dll", Sha256Text("outside")},
                                 {"hvmend.exe", Sha256Text(newProgram_)}},
        std::vector<CheckedFile>{}}) {
    SCOPED_TRACE(files.size());
    DeleteFileA((program_ + ".args").c_str());
    folder_.WriteFile("temp dir\\reg2.tmp\\hvmend.exe", newProgram_);
    const std::string line = Restart(files);
    EXPECT_NE(std::string::npos, line.find(" /updatefailed ")) << line;
    EXPECT_TRUE(test::ReadWholeFile(program_) == probe_) << "the old program was replaced";
    EXPECT_FALSE(std::filesystem::exists(app_ + "\\outside.dll"));
  }
}

}  // namespace
}  // namespace hvm
