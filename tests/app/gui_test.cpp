#include <windows.h>

#include <gtest/gtest.h>

#include "support/process.h"

namespace hvm::test {
namespace {

// The window exists before the program shows it: wait until it is visible.
HWND WaitForVisibleWindow(const char* className, const char* title, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
    HWND window = FindWindowA(className, title);
    if (window && IsWindowVisible(window)) return window;
    Sleep(100);
  }
  return nullptr;
}

TEST(DesktopProgram, MainWindowOpensWithItsTitleAndClosesCleanly) {
  const std::string exe = ProgramFolder() + "\\hvmend.exe";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::string commandLine = QuoteArgument(exe);
  ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  HWND window = WaitForVisibleWindow("TForm1", "Hivemend", 30000);
  EXPECT_NE(nullptr, window);
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  const DWORD waited = WaitForSingleObject(info.hProcess, 30000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
  DWORD exitCode = 99;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  EXPECT_EQ(WAIT_OBJECT_0, waited);
  EXPECT_EQ(0u, exitCode);
}

}  // namespace
}  // namespace hvm::test
