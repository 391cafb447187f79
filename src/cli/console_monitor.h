// hvmend-cli monitor: the same 32 watch points as the desktop program's
// monitor, watched from the console; each change line is printed as it comes.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hvm {

struct MonitorConsoleOptions {
  std::optional<unsigned> seconds;  // --seconds N: end after N seconds
  bool json = false;                // --json: one JSON object per line
};

// Parses the options of `monitor`; throws UsageError on anything else.
MonitorConsoleOptions ParseMonitorOptions(const std::vector<std::string>& args);

// One change line as the console prints it: the line itself, or with --json
// an object with "schemaVersion", "time", "action", "name" and "location"
// (UTF-8) on one line.
std::string ConsoleChangeText(const std::string& line, bool json);

// Watches until `stop` is signalled or the seconds have passed, handing each
// change to `print` as it comes and the start note ("Watching N watch points
// ...") to `note` once every worker is armed. Returns the exit code.
int WatchFromConsole(const MonitorConsoleOptions& options, HANDLE stop,
                     const std::function<void(const std::string&)>& print,
                     const std::function<void(const std::string&)>& note);

}  // namespace hvm
