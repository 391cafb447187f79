// The update against a real HTTP server on 127.0.0.1, started by
// update_server_test.py, which hands its address over in HVM_TEST_SERVER:
// the download window, and the whole round trip of a running program that is
// offered a newer version, downloads it, starts the restarter, ends, and comes
// back as the new version.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "desktop/pages/download_window.h"
#include "engine/core/environment.h"
#include "engine/update/update_check.h"
#include "support/process.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

constexpr DWORD kPatienceMs = 120000;

std::string Variable(const char* name) {
  char value[1024] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
  return length > 0 && length < sizeof(value) ? value : "";
}

std::string Server() {
  return Variable("HVM_TEST_SERVER");
}

bool WaitFor(const std::function<bool()>& ready, DWORD timeoutMs = kPatienceMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (ready()) return true;
    Sleep(50);
  }
  return ready();
}

// A temporary folder of the test's own while it runs (TMP), so that what is
// left in it is what the code under test left.
class OwnTempFolder {
 public:
  explicit OwnTempFolder(const std::string& path) : path_(path) {
    CreateDirectoryA(path.c_str(), nullptr);
    char previous[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TMP", previous, sizeof(previous))) previous_ = previous;
    SetEnvironmentVariableA("TMP", path.c_str());
  }
  ~OwnTempFolder() {
    SetEnvironmentVariableA("TMP", previous_.empty() ? nullptr : previous_.c_str());
  }
  std::vector<std::string> Contents() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  std::string path_;
  std::string previous_;
};

class DownloadWindowTest : public ::testing::Test {
 protected:
  DownloadWindowTest() : temp_(folder_.File("temp")) {}
  void SetUp() override {
    ASSERT_FALSE(Server().empty()) << "run through update_server_test.py";
    ASSERT_TRUE(window_.Create(nullptr));
  }
  test::TestFolder folder_;
  OwnTempFolder temp_;
  DownloadWindow window_;
};

TEST_F(DownloadWindowTest, ShowsNameStatusSizeAndProgressAndKeepsTheFile) {
  std::vector<std::string> statuses;
  window_.onProgress = [&](DownloadWindow& window) {
    if (statuses.empty() || statuses.back() != window.Status()) statuses.push_back(window.Status());
  };
  const std::string file = window_.DownloadFile(Server() + "package/plain.bin");
  ASSERT_FALSE(file.empty());
  const uint64_t size = 256 * 2048;
  EXPECT_EQ(size, std::filesystem::file_size(file));
  EXPECT_EQ("plain.bin", window_.FileName());
  EXPECT_EQ("524288 bytes (512 KB)", window_.FileSize());
  EXPECT_EQ(static_cast<long long>(size), window_.Bar().Maximum());
  EXPECT_EQ(static_cast<long long>(size), window_.Bar().Position());
  // Which steps a host reports varies (a small answer may arrive in one
  // piece); the last word is always that it is complete.
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ("Download complete", statuses.back()) << ::testing::PrintToString(statuses);
  std::string bytes(size, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 256);
  EXPECT_EQ(bytes, test::ReadWholeFile(file));
  EXPECT_FALSE(window_.IsVisible());
  DeleteFileA(file.c_str());
}

TEST(FileSizeText, TheBytesAsTheDesignSaysThemAndTheSizeAsAPersonReadsIt) {
  EXPECT_EQ("0 bytes", FileSizeText(0));
  EXPECT_EQ("1023 bytes", FileSizeText(1023));
  EXPECT_EQ("1024 bytes (1 KB)", FileSizeText(1024));
  EXPECT_EQ("1536 bytes (1.5 KB)", FileSizeText(1536));
  EXPECT_EQ("10188 bytes (9.9 KB)", FileSizeText(10188));
  EXPECT_EQ("10230 bytes (10 KB)", FileSizeText(10230)) << "rounds up into whole units";
  EXPECT_EQ("4718592 bytes (4.5 MB)", FileSizeText(4718592));
  EXPECT_EQ("5368709120 bytes (5 GB)", FileSizeText(5368709120ULL));
}

TEST_F(DownloadWindowTest, CancelLeavesNoTemporaryFileBehind) {
  int notifications = 0;
  window_.onProgress = [&](DownloadWindow& window) {
    if (++notifications == 1) window.CancelButton().Click();
  };
  EXPECT_EQ("", window_.DownloadFile(Server() + "package/plain.bin"));
  EXPECT_GE(notifications, 1);
  EXPECT_TRUE(temp_.Contents().empty());
}

TEST_F(DownloadWindowTest, AMissingFileLeavesNoTemporaryFileBehind) {
  EXPECT_EQ("", window_.DownloadFile(Server() + "package/missing.zip"));
  EXPECT_TRUE(temp_.Contents().empty());
}

TEST_F(DownloadWindowTest, PlainHttpOffTheLoopbackIsNotFetched) {
  int notifications = 0;
  window_.onProgress = [&](DownloadWindow&) { ++notifications; };
  EXPECT_EQ("", window_.DownloadFile("http://hivemend.example.org/package/plain.bin"));
  EXPECT_EQ(0, notifications);
  EXPECT_TRUE(temp_.Contents().empty());
}

TEST(FetchResponse, ReadsTheServersAnswerAndLeavesNoFile) {
  test::TestFolder folder;
  OwnTempFolder temp(folder.File("temp"));
  std::string body;
  ASSERT_TRUE(FetchResponse(Server() + "update/?prod=3319&i=46365", body));
  EXPECT_NE(std::string::npos, body.find("#" + Variable("HVM_TEST_NEXT_VERSION") + "#"));
  EXPECT_TRUE(temp.Contents().empty());
  EXPECT_FALSE(FetchResponse(Server() + "nothing-here/", body));
}

// ---- the round trip -----------------------------------------------------

std::string ImageOf(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return {};
  char path[MAX_PATH] = {};
  DWORD length = sizeof(path);
  const bool known = QueryFullProcessImageNameA(process, 0, path, &length);
  CloseHandle(process);
  return known ? std::string(path, length) : std::string();
}

// The visible top-level window of `className` and `title` whose process runs
// `image`, or null.
HWND WindowOfProgram(const char* className, const char* title, const std::string& image) {
  for (HWND window = FindWindowA(className, title); window;
       window = FindWindowExA(nullptr, window, className, title)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (IsWindowVisible(window) && lstrcmpiA(ImageOf(process).c_str(), image.c_str()) == 0)
      return window;
  }
  return nullptr;
}

HWND ChildWithText(HWND parent, const char* className, const std::string& text) {
  for (HWND child = FindWindowExA(parent, nullptr, className, nullptr); child;
       child = FindWindowExA(parent, child, className, nullptr)) {
    char buffer[512] = {};
    GetWindowTextA(child, buffer, sizeof(buffer));
    if (text == buffer) return child;
  }
  return nullptr;
}

class UpdateRoundTrip : public ::testing::Test {
 protected:
  UpdateRoundTrip()
      : app_(folder_.File("app")), program_(app_ + "\\hvmend.exe"), data_(folder_.File("data")) {}

  void SetUp() override {
    ASSERT_FALSE(Server().empty()) << "run through update_server_test.py";
    CreateDirectoryA(app_.c_str(), nullptr);
    CreateDirectoryA(data_.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA((test::ProgramFolder() + "\\hvmend.exe").c_str(), program_.c_str(), FALSE));
    // The update check is due and asks the test's server.
    folder_.WriteFile(
        "data\\hvmend.ini",
        "[settings]\r\nUpdateFreq=1\r\nupdate=\r\n\r\n[update]\r\nServer=" + Server() + "\r\n");
    oldVersion_ = VersionTextOf(program_);
  }

  // Starts the copy of the program with its own data and temporary folders.
  void Start(const std::string& words = {}) {
    OwnTempFolder temp(folder_.File("temp"));
    SetEnvironmentVariableA("HVMEND_DATA_FOLDER", data_.c_str());
    std::string commandLine = test::QuoteArgument(program_) + (words.empty() ? "" : " " + words);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(CreateProcessA(program_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, app_.c_str(), &startup, &old_));
    SetEnvironmentVariableA("HVMEND_DATA_FOLDER", nullptr);
    CloseHandle(old_.hThread);
  }

  void TearDown() override {
    // Whatever program still runs from the test's folder is closed, its
    // dialogs first (a modal dialog holds its main window disabled).
    for (int round = 0; round < 4; ++round)
      for (const char* title : {"Hivemend Update", "Hivemend"})
        if (HWND dialog = WindowOfProgram("TfrmMsg", title, program_)) {
          PostMessageA(dialog, WM_CLOSE, 0, 0);
          WaitFor([&] { return !IsWindow(dialog); });
        }
    for (int round = 0; round < 3; ++round)
      if (HWND window = WindowOfProgram("TForm1", "Hivemend", program_)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process);
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (handle && WaitForSingleObject(handle, kPatienceMs) != WAIT_OBJECT_0)
          TerminateProcess(handle, 99);
        if (handle) CloseHandle(handle);
      }
    if (old_.hProcess) {
      if (WaitForSingleObject(old_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(old_.hProcess, 99);
      CloseHandle(old_.hProcess);
    }
  }

  // Answers the update prompt of the running program with "&Yes".
  void AcceptTheOffer() {
    HWND prompt = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      return (prompt = WindowOfProgram("TfrmMsg", "Hivemend Update", program_)) != nullptr;
    }));
    // The reminder row is there, preselected at the interval of one day.
    EXPECT_TRUE(ChildWithText(prompt, "STATIC", "&Remind me: "));
    HWND choices = FindWindowExA(prompt, nullptr, "ComboBox", nullptr);
    ASSERT_TRUE(choices);
    EXPECT_EQ(0, SendMessageA(choices, CB_GETCURSEL, 0, 0));
    HWND yes = ChildWithText(prompt, "Button", "&Yes");
    ASSERT_TRUE(yes);
    PostMessageA(yes, BM_CLICK, 0, 0);
  }

  test::TestFolder folder_;
  std::string app_, program_, data_;
  std::string oldVersion_;
  PROCESS_INFORMATION old_{};
};

TEST_F(UpdateRoundTrip, OfferedDownloadedReplacedAndStartedAsTheNewVersion) {
  const std::string nextVersion = Variable("HVM_TEST_NEXT_VERSION");
  ASSERT_NE(oldVersion_, nextVersion);
  Start();
  AcceptTheOffer();
  // The old program ends, the restarter replaces its files ...
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(old_.hProcess, kPatienceMs));
  ASSERT_TRUE(WaitFor([&] { return VersionTextOf(program_) == nextVersion; }));
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(app_ + "\\whatsnew.txt"); }));
  // ... and starts the new program from the same place.
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] { return (window = WindowOfProgram("TForm1", "Hivemend", program_)) != nullptr; }));
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  EXPECT_NE(old_.dwProcessId, process);
  // Once the new program has ended, nothing of the update is left: no
  // download in the temporary folder, and neither the package nor the restart
  // library in the update folder, which goes too.
  HANDLE running = OpenProcess(SYNCHRONIZE, FALSE, process);
  ASSERT_TRUE(running);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(running, kPatienceMs));
  CloseHandle(running);
  for (const auto& entry : std::filesystem::directory_iterator(folder_.File("temp")))
    ADD_FAILURE() << "left behind: " << entry.path();
  EXPECT_FALSE(std::filesystem::exists(app_ + "\\Update"));
}

TEST_F(UpdateRoundTrip, AFailedCopyStartsTheOldProgramSayingSo) {
  // A folder where the package has a file: that copy cannot succeed.
  ASSERT_TRUE(CreateDirectoryA((app_ + "\\whatsnew.txt").c_str(), nullptr));
  Start();
  AcceptTheOffer();
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(old_.hProcess, kPatienceMs));
  // The old program says so (the offer may come up beside it again, as the
  // check is still due).
  HWND notice = nullptr;
  EXPECT_TRUE(WaitFor([&] {
    for (HWND dialog = FindWindowA("TfrmMsg", "Hivemend Update"); dialog;
         dialog = FindWindowExA(nullptr, dialog, "TfrmMsg", "Hivemend Update"))
      if (ChildWithText(dialog, "STATIC", "The update could not be installed")) notice = dialog;
    return notice != nullptr;
  }));
  // The program copied last was left as it was.
  EXPECT_EQ(oldVersion_, VersionTextOf(program_));
  if (notice) PostMessageA(notice, WM_CLOSE, 0, 0);
}

}  // namespace
}  // namespace hvm
