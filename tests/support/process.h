// Runs one of the project's programs as a separate process and collects what
// it printed and its exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hvm::test {

struct ProcessResult {
  DWORD exitCode = 0;
  std::string out;
  std::string err;
};

// Folder of the running test program; the project's programs sit beside it.
std::string ProgramFolder();

// Runs `program` (a file name in ProgramFolder()) with `args`, waits at most
// `timeoutMs`, and returns its exit code and output (line ends as "\n"). Throws when it cannot be
// started or does not end in time (it is then killed).
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         DWORD timeoutMs = 60000);

// Runs a program of the system (for example "reg.exe", found along PATH) the
// same way.
ProcessResult RunSystemProgram(const std::string& program, const std::vector<std::string>& args,
                               DWORD timeoutMs = 60000);

// Starts `program` (in ProgramFolder()) with its output discarded and kills it
// when it is still running after `killAfterMs`. Returns whether it was killed.
bool RunProgramKilledAfter(const std::string& program, const std::vector<std::string>& args,
                           DWORD killAfterMs);

// Quotes one argument for a Windows command line.
std::string QuoteArgument(const std::string& arg);

}  // namespace hvm::test
