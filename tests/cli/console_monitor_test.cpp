#include "cli/console_monitor.h"

#include <gtest/gtest.h>

#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/cli_options.h"
#include "engine/monitor/change_line.h"
#include "engine/monitor/monitor_test_steps.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"

namespace hvm {
namespace {

using test::SeedKey;
using test::SeedString;

const std::string kRunPath = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The console watch on a thread of its own, its output collected.
class ConsoleWatch {
 public:
  explicit ConsoleWatch(MonitorConsoleOptions options)
      : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        changed_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
        ended_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, options] {
      code_ = WatchFromConsole(
          options, stop_,
          [this](const std::string& text) {
            std::lock_guard lock(mutex_);
            printed_.push_back(text);
            SetEvent(changed_);
          },
          [this](const std::string& text) {
            std::lock_guard lock(mutex_);
            notes_.push_back(text);
            SetEvent(changed_);
          });
      SetEvent(ended_);
    });
  }
  ~ConsoleWatch() {
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
    CloseHandle(changed_);
    CloseHandle(ended_);
  }
  // Waits until `done` holds of what was printed and noted.
  bool WaitFor(const std::function<bool(const std::vector<std::string>& printed,
                                        const std::vector<std::string>& notes)>& done) {
    const ULONGLONG deadline = GetTickCount64() + test::kPatienceMs;
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (done(printed_, notes_)) return true;
      }
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      WaitForSingleObject(changed_, DWORD(deadline - now));
    }
  }
  void Stop() { SetEvent(stop_); }
  bool Ended() { return WaitForSingleObject(ended_, test::kPatienceMs) == WAIT_OBJECT_0; }
  int Code() const { return code_; }
  std::vector<std::string> Printed() {
    std::lock_guard lock(mutex_);
    return printed_;
  }
  std::vector<std::string> Notes() {
    std::lock_guard lock(mutex_);
    return notes_;
  }

 private:
  HANDLE stop_, changed_, ended_;
  std::mutex mutex_;
  std::vector<std::string> printed_, notes_;
  int code_ = -1;
  std::thread thread_;
};

class ConsoleMonitorTest : public test::RegistrySandboxTest {};

TEST_F(ConsoleMonitorTest, PrintsEachChangeAsItComesUntilStopped) {
  SeedKey(kRunPath);
  ConsoleWatch watch({});
  ASSERT_TRUE(watch.WaitFor([](auto&, auto& notes) { return !notes.empty(); }));
  EXPECT_EQ(0u, watch.Notes()[0].find("Watching "));
  SeedString(kRunPath, "Updater", "u.exe");
  ASSERT_TRUE(watch.WaitFor([](auto& printed, auto&) { return printed.size() == 1; }));
  const ChangeLineFields fields = ReadChangeLine(watch.Printed()[0]);
  EXPECT_EQ("Value Added To", fields.action);
  EXPECT_EQ("Updater", fields.name);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
            fields.location);
  watch.Stop();
  ASSERT_TRUE(watch.Ended());
  EXPECT_EQ(0, watch.Code());
}

TEST_F(ConsoleMonitorTest, JsonGivesOneObjectPerChange) {
  SeedString(kRunPath, "gone soon", "x");
  MonitorConsoleOptions options;
  options.json = true;
  ConsoleWatch watch(options);
  ASSERT_TRUE(watch.WaitFor([](auto&, auto& notes) { return !notes.empty(); }));
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                          KEY_SET_VALUE, &key));
  RegDeleteValueA(key, "gone soon");
  RegCloseKey(key);
  ASSERT_TRUE(watch.WaitFor([](auto& printed, auto&) { return printed.size() == 1; }));
  const auto object = nlohmann::json::parse(watch.Printed()[0]);
  EXPECT_EQ("Value Removed From", object["action"]);
  EXPECT_EQ("gone soon", object["name"]);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
            object["location"]);
  EXPECT_FALSE(object["time"].get<std::string>().empty());
}

TEST_F(ConsoleMonitorTest, EndsByItselfAfterTheSecondsGiven) {
  SeedKey(kRunPath);
  MonitorConsoleOptions options;
  options.seconds = 1;
  ConsoleWatch watch(options);
  ASSERT_TRUE(watch.Ended()) << "never stopped by hand";
  EXPECT_EQ(0, watch.Code());
  EXPECT_NE(std::string::npos, watch.Notes()[0].find("(or 1 seconds)"));
}

TEST(ConsoleMonitorOptions, ParsesSecondsAndJsonAndRefusesTheRest) {
  const MonitorConsoleOptions both = ParseMonitorOptions({"--seconds", "30", "--json"});
  EXPECT_EQ(30u, both.seconds.value_or(0));
  EXPECT_TRUE(both.json);
  const MonitorConsoleOptions none = ParseMonitorOptions({});
  EXPECT_FALSE(none.seconds);
  EXPECT_FALSE(none.json);
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--seconds"},
                                             {"--seconds", "abc"},
                                             {"--seconds", "-3"},
                                             {"--seconds", "0"},
                                             {"--seconds", "99999999999"},
                                             {"--verbose"},
                                             {"now"}})
    EXPECT_THROW(ParseMonitorOptions(bad), UsageError) << bad.back();
}

TEST(ConsoleMonitorOptions, PlainOutputIsTheChangeLineItself) {
  const std::string line =
      MakeChangeLine("T", ChangeAction::kKeyAdded, "K", "HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
  EXPECT_EQ(line, ConsoleChangeText(line, false));
  const auto object = nlohmann::json::parse(ConsoleChangeText(line, true));
  EXPECT_EQ("Key Added To", object["action"]);
  EXPECT_EQ("K", object["name"]);
}

}  // namespace
}  // namespace hvm
