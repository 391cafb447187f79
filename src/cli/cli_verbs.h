// The verbs of hvmend-cli. Each takes the arguments after its name and
// returns the process exit code; a UsageError it throws becomes exit code 2.
#pragma once

#include <string>
#include <vector>

namespace hvm {

inline constexpr int kExitOk = 0;        // success, nothing found or left
inline constexpr int kExitProblems = 1;  // problems found, or some not repaired
inline constexpr int kExitError = 2;     // usage or run error

int RunScanVerb(const std::vector<std::string>& args);
int RunRepairVerb(const std::vector<std::string>& args);
int RunUndoVerb(const std::vector<std::string>& args);
int RunOptimizeVerb(const std::vector<std::string>& args);
int RunSettingsVerb(const std::vector<std::string>& args);
int RunAutostartVerb(const std::vector<std::string>& args);
int RunBackupVerb(const std::vector<std::string>& args);
int RunMonitorVerb(const std::vector<std::string>& args);

}  // namespace hvm
