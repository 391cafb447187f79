#include "process.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

#include "test_folder.h"

namespace hvm::test {
namespace {

HANDLE CreateCaptureFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

// Console output in text mode ends its lines with CR LF.
std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

}  // namespace

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

namespace {

// Under load, Wine now and then reports ERROR_INTERNAL_ERROR for a start: the
// new process ended before its initialisation was done, having run none of
// the program's code. Such a start is made again, with a note in the test's
// output so that it never passes unseen; any other failure is final.
bool StartMayBeRetried(DWORD error, int attempt) {
  return error == ERROR_INTERNAL_ERROR && attempt < 3;
}

ProcessResult RunExecutable(const std::string& program, const std::string& exe,
                            const std::vector<std::string>& args, DWORD timeoutMs) {
  static std::atomic<int> serial{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string stem = std::string(temp) + "hvmrun-" + std::to_string(GetCurrentProcessId()) +
                           "-" + std::to_string(++serial);
  std::string commandLine = QuoteArgument(exe.empty() ? program : exe);
  for (const std::string& arg : args) commandLine += " " + QuoteArgument(arg);

  PROCESS_INFORMATION info{};
  for (int attempt = 1;; ++attempt) {
    HANDLE out = CreateCaptureFile(stem + ".out");
    HANDLE err = CreateCaptureFile(stem + ".err");
    HANDLE in =
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetHandleInformation(in, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string line = commandLine;
    const BOOL started = CreateProcessA(exe.empty() ? nullptr : exe.c_str(), line.data(), nullptr,
                                        nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    const DWORD startError = started ? ERROR_SUCCESS : GetLastError();
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    if (started) break;
    // What the platform's loader said before it gave up, if anything.
    const std::string said = ReadWholeFile(stem + ".err");
    DeleteFileA((stem + ".out").c_str());
    DeleteFileA((stem + ".err").c_str());
    const std::string failure = "cannot start " + (exe.empty() ? program : exe) + ": error " +
                                std::to_string(startError) + (said.empty() ? "" : ": " + said);
    if (!StartMayBeRetried(startError, attempt)) throw std::runtime_error(failure);
    std::fprintf(stderr, "note: %s; starting it again\n", failure.c_str());
  }

  ProcessResult result;
  const DWORD waited = WaitForSingleObject(info.hProcess, timeoutMs);
  if (waited != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
  GetExitCodeProcess(info.hProcess, &result.exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  result.out = WithoutCarriageReturns(ReadWholeFile(stem + ".out"));
  result.err = WithoutCarriageReturns(ReadWholeFile(stem + ".err"));
  DeleteFileA((stem + ".out").c_str());
  DeleteFileA((stem + ".err").c_str());
  if (waited != WAIT_OBJECT_0) throw std::runtime_error(program + " did not end in time");
  return result;
}

}  // namespace

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         DWORD timeoutMs) {
  return RunExecutable(program, ProgramFolder() + "\\" + program, args, timeoutMs);
}

ProcessResult RunSystemProgram(const std::string& program, const std::vector<std::string>& args,
                               DWORD timeoutMs) {
  return RunExecutable(program, "", args, timeoutMs);
}

bool RunProgramKilledAfter(const std::string& program, const std::vector<std::string>& args,
                           DWORD killAfterMs) {
  const std::string exe = ProgramFolder() + "\\" + program;
  std::string commandLine = QuoteArgument(exe);
  for (const std::string& arg : args) commandLine += " " + QuoteArgument(arg);
  PROCESS_INFORMATION info{};
  for (int attempt = 1;; ++attempt) {
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    std::string line = commandLine;
    const BOOL started = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &info);
    const DWORD startError = started ? ERROR_SUCCESS : GetLastError();
    CloseHandle(nul);
    if (started) break;
    const std::string failure = "cannot start " + exe + ": error " + std::to_string(startError);
    if (!StartMayBeRetried(startError, attempt)) throw std::runtime_error(failure);
    std::fprintf(stderr, "note: %s; starting it again\n", failure.c_str());
  }
  const bool killed = WaitForSingleObject(info.hProcess, killAfterMs) != WAIT_OBJECT_0;
  if (killed) TerminateProcess(info.hProcess, 99);
  WaitForSingleObject(info.hProcess, 60000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return killed;
}

}  // namespace hvm::test
