#include "cli/console_monitor.h"

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "cli/json_document.h"
#include "engine/core/window_thread.h"
#include "engine/monitor/change_line.h"
#include "engine/monitor/registry_monitor.h"

namespace hvm {
namespace {

// How long the workers may take to arm before the note is printed anyway.
constexpr DWORD kArmingPatienceMs = 30000;

// The console has no page: it prints the lines and ignores the rest.
class ConsoleMonitorView : public MonitorView {
 public:
  ConsoleMonitorView(bool json, const std::function<void(const std::string&)>& print)
      : json_(json), print_(print) {}
  void ShowPage() override {}
  void UpdateCounters() override {}
  void AddChanges(const std::vector<std::string>& lines) override {
    for (const std::string& line : lines)
      if (!line.empty()) print_(ConsoleChangeText(line, json_));
  }
  void ShowTrayIcon(bool) override {}
  void PumpMessages() override {}

 private:
  bool json_;
  const std::function<void(const std::string&)>& print_;
};

unsigned ParseSeconds(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError("--seconds needs a whole number of seconds, not '" + text + "'");
  const unsigned seconds = unsigned(std::stoul(text));
  if (seconds == 0) throw UsageError("--seconds needs at least 1");
  return seconds;
}

}  // namespace

MonitorConsoleOptions ParseMonitorOptions(const std::vector<std::string>& args) {
  MonitorConsoleOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      options.json = true;
    } else if (args[i] == "--seconds") {
      if (i + 1 >= args.size()) throw UsageError("--seconds needs a number");
      options.seconds = ParseSeconds(args[++i]);
    } else {
      throw UsageError("unknown option '" + args[i] + "'");
    }
  }
  return options;
}

std::string ConsoleChangeText(const std::string& line, bool json) {
  if (!json) return line;
  const ChangeLineFields fields = ReadChangeLine(line);
  nlohmann::ordered_json object;
  object["time"] = fields.time;
  object["action"] = fields.action;
  object["name"] = fields.name;
  object["location"] = fields.location;
  return JsonDocumentText(object, -1);
}

int WatchFromConsole(const MonitorConsoleOptions& options, HANDLE stop,
                     const std::function<void(const std::string&)>& print,
                     const std::function<void(const std::string&)>& note) {
  WindowThreadQueue steps;  // this thread, run from the wait loops below, is the window thread
  ConsoleMonitorView view(options.json, print);
  RegistryMonitor monitor(steps, view);
  const ULONGLONG started = GetTickCount64();
  const ULONGLONG deadline =
      options.seconds ? started + ULONGLONG(*options.seconds) * 1000 : ~ULONGLONG(0);
  monitor.SetMonitoring(true);
  int watched = 0;
  for (int i = 0; i < kWatchPointCount; ++i) watched += monitor.Slot(i) != nullptr;
  // The note comes once every worker listens, so that whoever waits for it
  // knows a change made afterwards is seen.
  const ULONGLONG armingDeadline = started + kArmingPatienceMs;
  for (;;) {
    steps.RunPending();
    const ULONGLONG now = GetTickCount64();
    if (monitor.ActiveCount() >= watched || now >= armingDeadline) break;
    WaitForSingleObject(steps.ReadyEvent(), DWORD(armingDeadline - now));
  }
  note("Watching " + std::to_string(monitor.ActiveCount()) + " watch points; Ctrl+C ends" +
       (options.seconds ? " (or " + std::to_string(*options.seconds) + " seconds)" : "") + ".");
  for (;;) {
    steps.RunPending();
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    const HANDLE events[] = {steps.ReadyEvent(), stop};
    const DWORD wait = deadline == ~ULONGLONG(0) ? INFINITE : DWORD(deadline - now);
    if (WaitForMultipleObjects(2, events, FALSE, wait) == WAIT_OBJECT_0 + 1) break;
  }
  monitor.Shutdown();
  return kExitOk;
}

}  // namespace hvm
