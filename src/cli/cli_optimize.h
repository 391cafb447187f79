// hvmend-cli optimize: the optimize page's actions for scripted machines,
// with the same record in the settings file as the desktop program keeps.
#pragma once

#include <string>
#include <vector>

namespace hvm {

struct ConsoleResult {
  int exitCode = 0;
  std::string out;  // what goes to stdout
};

// "apply", "undo" or "status", with --json and --data-dir DIR. Throws
// UsageError for anything else.
ConsoleResult RunOptimizeCommand(const std::vector<std::string>& args);

}  // namespace hvm
