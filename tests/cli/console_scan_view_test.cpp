#include "cli/console_scan_view.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "cli/cli_options.h"
#include "cli/console_dialogs.h"
#include "engine/core/text_encoding.h"
#include "engine/scan/scan_driver.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

class ManualClock : public Clock {
 public:
  uint64_t NowMs() override { return now; }
  LocalTime LocalNow() override { return {}; }
  uint64_t FileTimeNow() override { return 0; }
  uint64_t now = 1000;
};

// A section that walks `items` keys, advancing the clock 100 ms per key.
class TimedGroups : public ScanGroups {
 public:
  explicit TimedGroups(ManualClock& clock) : clock_(clock) {}
  void ScanClassRegistrations(ScanDriver& driver) override {
    driver.RunSection(1, [&] {
      for (int i = 0; i < items; ++i) {
        if (driver.StopRequested(i)) return;
        clock_.now += 100;
        driver.SetCurrentKeyText(keyName + std::to_string(i));
        if (i % 5 == 0) driver.AddItemToResultsList("HKLM\\Key" + std::to_string(i), {});
        ++walked;
      }
    });
  }
  int items = 40;
  int walked = 0;
  std::string keyName = "Key";

 private:
  ManualClock& clock_;
};

class ConsoleScanViewTest : public test::TestFolderTest {
 protected:
  std::string RunCapturing(TimedGroups& groups, bool quiet,
                           ConsoleScanView::Style style = ConsoleScanView::Style::RedrawnLine) {
    const std::string path = folder_.File("progress.txt");
    FILE* out = quiet ? nullptr : std::fopen(path.c_str(), "wb");
    {
      ResultsStore results;
      ConsoleScanView view(out, clock_, style);
      ConsoleDialogService dialogs(out);
      NoMonitor monitor;
      ChosenSectionSwitches switches({1});
      ScanDriver driver({results, view, groups, switches, dialogs, monitor});
      view.Attach(&driver);
      driver.RunScan();
      found_ = results.TotalCount();
    }
    if (out) std::fclose(out);
    return test::ReadWholeFile(path);
  }
  ManualClock clock_;
  int found_ = 0;
};

TEST_F(ConsoleScanViewTest, RefreshesAtMostFourTimesASecondWithSectionCountAndKey) {
  TimedGroups groups(clock_);
  const std::string text = RunCapturing(groups, false);
  // 40 keys at 100 ms each: 4 seconds of scanning, so at most 17 refreshes.
  size_t refreshes = 0;
  for (size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', at + 1))
    refreshes += text.compare(at + 1, 1, " ") != 0;
  EXPECT_GE(refreshes, 10u);
  EXPECT_LE(refreshes, 17u);
  EXPECT_NE(std::string::npos, text.find("Registry Integrity (")) << text;
  EXPECT_NE(std::string::npos, text.find(": Key3")) << text;
  EXPECT_EQ(8, found_);
}

// A key in another script takes two or more bytes a character: the line is
// cut and filled by characters, never inside one, so it always covers the
// one before it.
TEST_F(ConsoleScanViewTest, TheLineIsCutAndFilledByCharacters) {
  TimedGroups groups(clock_);
  for (int i = 0; i < 60; ++i) groups.keyName += "\xD7\x93";
  const std::string text = RunCapturing(groups, false);
  size_t lines = 0;
  for (size_t at = text.find('\r'); at != std::string::npos;) {
    const size_t next = text.find('\r', at + 1);
    const std::string line = text.substr(at + 1, next == std::string::npos ? next : next - at - 1);
    at = next;
    if (line.empty() || line.find('\n') != std::string::npos) continue;
    ++lines;
    EXPECT_TRUE(IsValidUtf8(line)) << line;
    EXPECT_EQ(ConsoleScanView::kLineWidth, TextUnits(line)) << line;
  }
  EXPECT_GE(lines, 10u);
  EXPECT_NE(std::string::npos, text.find("\xD7\x93\xD7\x93...")) << text;
}

TEST_F(ConsoleScanViewTest, IntoAFileEachSectionGetsOneLine) {
  TimedGroups groups(clock_);
  EXPECT_EQ("1. Registry Integrity...\n",
            RunCapturing(groups, false, ConsoleScanView::Style::LinePerSection));
}

TEST_F(ConsoleScanViewTest, QuietPrintsNothing) {
  TimedGroups groups(clock_);
  EXPECT_EQ("", RunCapturing(groups, true));
  EXPECT_EQ(40, groups.walked);
}

TEST_F(ConsoleScanViewTest, AnInterruptStopsTheScanAtTheNextPollAndKeepsItsResults) {
  TimedGroups groups(clock_);
  groups.items = 1000;
  ConsoleScanView::RequestStop();
  RunCapturing(groups, true);
  // The request is taken up at the first poll, the single pass of messages
  // before the sections run.
  EXPECT_EQ(0, groups.walked);
  EXPECT_EQ(0, found_);
}

}  // namespace
}  // namespace hvm
