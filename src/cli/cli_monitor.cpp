// hvmend-cli monitor: watches the monitor's watch points from the console
// until Ctrl+C or the given number of seconds.
#include <cstdio>

#include "cli/cli_verbs.h"
#include "cli/console_monitor.h"
#include "cli/console_output.h"
#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

// Set by Ctrl+C, Ctrl+Break or the console closing; the watch ends cleanly.
HANDLE gStop = nullptr;

BOOL WINAPI StopOnControl(DWORD) {
  if (gStop) SetEvent(gStop);
  return TRUE;
}

}  // namespace

int RunMonitorVerb(const std::vector<std::string>& args) {
  const MonitorConsoleOptions options = ParseMonitorOptions(args);
  ScopedKernelHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  gStop = stop.Get();
  SetConsoleCtrlHandler(&StopOnControl, TRUE);
  const int code = WatchFromConsole(
      options, stop.Get(),
      [](const std::string& text) {
        WriteText(stdout, text + "\n");
        std::fflush(stdout);
      },
      [](const std::string& text) {
        PrintTo(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
      });
  SetConsoleCtrlHandler(&StopOnControl, FALSE);
  gStop = nullptr;
  return code;
}

}  // namespace hvm
