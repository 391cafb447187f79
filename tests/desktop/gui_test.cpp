// The desktop program as a user starts it: a separate hvmend.exe under the
// test display, driven only through its windows and its files. The tests of
// this file run one after another in one program, since a second hvmend.exe
// of another test would count as a running instance.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "engine/settings/due_dates.h"
#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/window_placement.h"
#include "support/process.h"
#include "support/test_folder.h"

namespace hvm::test {
namespace {

// Generous: the program starts, scans and writes its settings while other test
// programs load the machine; the wait ends as soon as the state is there.
constexpr DWORD kPatienceMs = 180000;

// Waits until `ready` holds, checking every 50 ms; false when it never did.
bool WaitFor(const std::function<bool()>& ready, DWORD timeoutMs = kPatienceMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (ready()) return true;
    Sleep(50);
  }
  return ready();
}

int CountMainWindows() {
  int count = 0;
  for (HWND window = FindWindowA("TForm1", "Hivemend"); window;
       window = FindWindowExA(nullptr, window, "TForm1", "Hivemend"))
    ++count;
  return count;
}

// hvmend.exe started with `words`, keeping its settings in a test folder.
class DesktopProgram {
 public:
  DesktopProgram(const std::string& dataFolder, const std::vector<std::string>& words) {
    const std::string exe = ProgramFolder() + "\\hvmend.exe";
    std::string commandLine = QuoteArgument(exe);
    for (const std::string& word : words) commandLine += " " + QuoteArgument(word);
    SetEnvironmentVariableA("HVMEND_DATA_FOLDER", dataFolder.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    started_ = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info_) != FALSE;
    SetEnvironmentVariableA("HVMEND_DATA_FOLDER", nullptr);
  }
  ~DesktopProgram() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      if (HWND window = MainWindow()) PostMessageA(window, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(info_.hProcess, kPatienceMs) != WAIT_OBJECT_0)
        TerminateProcess(info_.hProcess, 99);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Started() const { return started_; }
  // The exit code once it ended within the time, or nothing.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kPatienceMs) {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  // This process's visible main window, or null.
  HWND MainWindow() const {
    for (HWND window = FindWindowA("TForm1", "Hivemend"); window;
         window = FindWindowExA(nullptr, window, "TForm1", "Hivemend")) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == info_.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

class DesktopProgramTest : public ::testing::Test {
 protected:
  DesktopProgramTest() : data_(folder_.File("data")) {
    CreateDirectoryA(data_.c_str(), nullptr);
    // No section runs: the scans of these tests look at no registry.
    for (int section = 1; section <= 24; ++section) settings_.SetSection(section, false);
    // Nor does the program ask the network for updates: an answer arriving
    // in the middle of a test would be the test's business.
    settings_.UpdateFreq = 0;
  }
  void WriteSettings() { ASSERT_EQ(0u, SaveSettings(settings_, Settings())); }
  std::string Settings() const { return data_ + "\\hvmend.ini"; }
  ProgramSettings ReadSettings() const {
    ProgramSettings settings;
    LoadSettings(settings, Settings());
    return settings;
  }

  TestFolder folder_;
  std::string data_;
  ProgramSettings settings_;
};

TEST_F(DesktopProgramTest, MainWindowOpensWithItsTitleAndClosesCleanly) {
  WriteSettings();
  DesktopProgram program(data_, {});
  ASSERT_TRUE(program.Started());
  ASSERT_TRUE(WaitFor([&] { return program.MainWindow() != nullptr; }));
  PostMessageA(program.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, program.WaitForExit().value_or(99));
  // Closing saved the window's place under the key of the screen's density,
  // and only there.
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ProgramSettings saved = ReadSettings();
  EXPECT_FALSE(PlacementSetting(saved, dpi).empty());
  EXPECT_TRUE(PlacementSetting(saved, dpi > 96 ? 96 : 144).empty());
}

TEST_F(DesktopProgramTest, SecondStartBringsTheFirstForwardAndEnds) {
  WriteSettings();
  DesktopProgram first(data_, {});
  ASSERT_TRUE(WaitFor([&] { return first.MainWindow() != nullptr; }));
  DesktopProgram second(data_, {"startscan", "silent"});
  EXPECT_EQ(0u, second.WaitForExit().value_or(99));
  EXPECT_EQ(1, CountMainWindows());
  EXPECT_TRUE(first.Running());
  // The second start scanned nothing: the first one shows no scan either.
  EXPECT_TRUE(ReadSettings().last_scan.empty());
}

TEST_F(DesktopProgramTest, BootupWithNothingToDoEndsWithoutAWindow) {
  settings_.AutoAction = 0;
  WriteSettings();
  DesktopProgram program(data_, {"bootup"});
  EXPECT_EQ(0u, program.WaitForExit().value_or(99));
  EXPECT_EQ(0, CountMainWindows());
  EXPECT_TRUE(ReadSettings().last_scan.empty());
}

TEST_F(DesktopProgramTest, BootupWhenDueScansStoresTheNextDateAndStaysOpen) {
  settings_.AutoAction = 1;
  settings_.AutoFreq = 1;  // weekly
  settings_.autorun = "";
  WriteSettings();
  DesktopProgram program(data_, {"bootup"});
  ASSERT_TRUE(WaitFor([&] { return !ReadSettings().last_scan.empty(); }));
  EXPECT_EQ(NextDueText(LocalToday(), 7), ReadSettings().autorun);
  EXPECT_TRUE(WaitFor([&] { return program.MainWindow() != nullptr; }));
  EXPECT_TRUE(program.Running());
}

TEST_F(DesktopProgramTest, BootupSilentWhenDueScansAndEnds) {
  settings_.AutoAction = 1;
  settings_.AutoFreq = 2;  // bi-weekly
  settings_.autorun = "";
  WriteSettings();
  DesktopProgram program(data_, {"bootup", "silent"});
  EXPECT_EQ(0u, program.WaitForExit().value_or(99));
  EXPECT_EQ(0, CountMainWindows());
  const ProgramSettings after = ReadSettings();
  EXPECT_FALSE(after.last_scan.empty()) << "it scanned before it ended";
  EXPECT_EQ(NextDueText(LocalToday(), 14), after.autorun);
}

// The main window reads the settings into its pages at every start; that must
// not make the scan due again.
TEST_F(DesktopProgramTest, WeeklyScheduleScansAtTheFirstLogOnAndNotAgainTheSameDay) {
  settings_.AutoAction = 1;
  settings_.AutoFreq = 1;  // weekly
  settings_.autorun = "";
  WriteSettings();
  std::string firstScan;
  {
    DesktopProgram first(data_, {"bootup"});
    ASSERT_TRUE(WaitFor([&] { return first.MainWindow() != nullptr; }));
    ASSERT_TRUE(WaitFor([&] { return !ReadSettings().last_scan.empty(); }));
    firstScan = ReadSettings().last_scan;
    PostMessageA(first.MainWindow(), WM_CLOSE, 0, 0);
    ASSERT_EQ(0u, first.WaitForExit().value_or(99));
  }
  EXPECT_EQ(NextDueText(LocalToday(), 7), ReadSettings().autorun);
  // The stamp has minutes only: a second scan would look the same, so the
  // stamp is cleared to see whether one happens.
  ProgramSettings settings = ReadSettings();
  settings.last_scan.clear();
  ASSERT_EQ(0u, SaveSettings(settings, Settings()));
  DesktopProgram second(data_, {"bootup"});
  EXPECT_EQ(0u, second.WaitForExit().value_or(99));
  EXPECT_EQ(0, CountMainWindows());
  EXPECT_TRUE(ReadSettings().last_scan.empty());
  EXPECT_EQ(NextDueText(LocalToday(), 7), ReadSettings().autorun);
  EXPECT_FALSE(firstScan.empty());
}

TEST_F(DesktopProgramTest, ScheduleScansAndEnds) {
  WriteSettings();
  DesktopProgram program(data_, {"schedule"});
  EXPECT_EQ(0u, program.WaitForExit().value_or(99));
  EXPECT_FALSE(ReadSettings().last_scan.empty());
  EXPECT_EQ(0, CountMainWindows());
}

// A due log-on scan whose next date cannot be stored would be due again at
// every log-on: it does not run, and nothing shows.
TEST_F(DesktopProgramTest, BootupWhoseNextDateCannotBeStoredDoesNotScan) {
  settings_.AutoAction = 1;
  settings_.autorun = "";
  WriteSettings();
  ASSERT_TRUE(SetFileAttributesA(Settings().c_str(), FILE_ATTRIBUTE_READONLY));
  DesktopProgram program(data_, {"bootup"});
  const std::optional<DWORD> exitCode = program.WaitForExit();
  SetFileAttributesA(Settings().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(0u, exitCode.value_or(99));
  EXPECT_EQ(0, CountMainWindows());
  EXPECT_TRUE(ReadSettings().autorun.empty());
}

// Unattended, a settings file that cannot be written is not a question for
// anybody: the scheduled scan runs and the program ends by itself.
TEST_F(DesktopProgramTest, ScheduleWithAReadOnlySettingsFileEndsQuietly) {
  WriteSettings();
  ASSERT_TRUE(SetFileAttributesA(Settings().c_str(), FILE_ATTRIBUTE_READONLY));
  DesktopProgram program(data_, {"schedule"});
  const std::optional<DWORD> exitCode = program.WaitForExit();
  SetFileAttributesA(Settings().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(0u, exitCode.value_or(99));
  EXPECT_EQ(0, CountMainWindows());
}

TEST_F(DesktopProgramTest, StartScanOpensAndScansAtOnce) {
  WriteSettings();
  DesktopProgram program(data_, {"startscan"});
  ASSERT_TRUE(WaitFor([&] { return !ReadSettings().last_scan.empty(); }));
  EXPECT_TRUE(WaitFor([&] { return program.MainWindow() != nullptr; }));
  EXPECT_TRUE(program.Running());
}

}  // namespace
}  // namespace hvm::test
