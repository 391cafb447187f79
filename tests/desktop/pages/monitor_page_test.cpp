#include "desktop/pages/monitor_page.h"

#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "desktop/gui_startup.h"
#include "desktop/pages/force_foreground.h"
#include "desktop/program_tray.h"
#include "desktop/window_thread_poster.h"
#include "engine/monitor/monitor_test_registry.h"
#include "engine/monitor/monitor_test_steps.h"
#include "support/recording_dialogs.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "ui/test_host.h"
#include "ui/window.h"

namespace hvm {
namespace {

using test::SeedKey;
using test::SeedString;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunPath = std::string("HKCU\\") + kRun;

// Runs the GUI thread's messages (the workers' steps come as posted
// messages) until `done` holds; false when it did not within the patience.
bool PumpUntil(const std::function<bool()>& done, DWORD patienceMs = test::kPatienceMs) {
  const ULONGLONG deadline = GetTickCount64() + patienceMs;
  for (;;) {
    ui::PumpMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(deadline - now), QS_ALLINPUT);
  }
}

// A top-level window standing in for the main window, with the page on it.
using Host = ui::test::TestHost;

class MonitorPageTest : public test::RegistrySandboxTest {
 protected:
  MonitorPageTest() {
    StartGui();
    SeedKey(kRunPath);
    EXPECT_TRUE(windowThread_.Create());
  }
  ~MonitorPageTest() override { page_.reset(); }

  MonitorPage& Open(int monitorPrompt = 300) {
    Templates().SetCommandSink(
        [window = host_.Hwnd()](int number) { PostMessageA(window, WM_USER, WPARAM(number), 0); });
    page_ = std::make_unique<MonitorPage>(dialogs_, windowThread_.Queue());
    MonitorPage::Hooks hooks;
    tray_.Attach(host_.Hwnd(), [this] { return page_ && page_->Monitor().Active(); });
    hooks.programHidden = [this] { return tray_.WindowHidden(); };
    hooks.restoreProgram = [this] { tray_.RestoreWindow(); };
    hooks.showTray = [this](bool monitoring) { tray_.ShowMonitoring(monitoring); };
    hooks.monitorPrompt = [monitorPrompt] { return monitorPrompt; };
    hooks.chooseListFile = [this] { return listFile_; };
    EXPECT_TRUE(page_->Create(host_.Hwnd(), host_.ClientRect(), hooks));
    page_->Show(true);
    page_->PageShown(true);
    ui::PumpMessages();
    return *page_;
  }
  // Switches on and waits until every watch point present has its worker
  // armed (the platform's own start-up may have made some of them in the
  // sandbox besides those a test seeds).
  void SwitchOnAndArm(MonitorPage& page) {
    page.Monitor().SetMonitoring(true);
    watched_ = 0;
    for (int i = 0; i < kWatchPointCount; ++i) watched_ += page.Monitor().Slot(i) != nullptr;
    ASSERT_TRUE(PumpUntil([&] { return page.Monitor().ActiveCount() == watched_; }));
  }
  int watched_ = 0;
  static bool OnPanel(HWND control) {
    char name[64] = {};
    GetClassNameA(GetParent(control), name, sizeof(name));
    return std::string(name) == "HivemendTemplatePanel";
  }

  Host host_{640, 520};
  test::RecordingDialogs dialogs_;
  std::string listFile_;
  WindowThreadPoster windowThread_;
  // The main window's icon in the notification area, over the host.
  ProgramTray tray_;
  std::unique_ptr<MonitorPage> page_;
};

TEST_F(MonitorPageTest, OffShowsTheStartButtonAndTheListOnThePanel) {
  MonitorPage& page = Open();
  EXPECT_EQ(190, page.TemplateButtonCode());
  EXPECT_TRUE(IsWindowEnabled(page.TemplateButton()));
  EXPECT_TRUE(OnPanel(page.ChangeList().Hwnd()));
  EXPECT_TRUE(IsWindowVisible(page.ChangeList().Hwnd()));
  // Framed: an empty list still reads as a list.
  EXPECT_NE(0, GetWindowLongA(page.ChangeList().Hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ("Monitoring: 0 changes", page.MonitorCaption());
  EXPECT_EQ("0 Active Watch Points", page.ActiveCaption());
  EXPECT_FALSE(tray_.Icon().IsShown());
  HWND header = reinterpret_cast<HWND>(SendMessageA(page.ChangeList().Hwnd(), LVM_GETHEADER, 0, 0));
  ASSERT_EQ(4, int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)));
  const int dpiWidth = MulDiv(120, int(page.CurrentDpi().Value()), 96);
  EXPECT_EQ(dpiWidth, int(SendMessageA(page.ChangeList().Hwnd(), LVM_GETCOLUMNWIDTH, 0, 0)));
  // The template button posts its command to the main window.
  SendMessageA(page.TemplateButton(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageA(page.TemplateButton(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  ui::PumpMessages();
  EXPECT_THAT(host_.commands, ::testing::Contains(WPARAM(190)));
}

TEST_F(MonitorPageTest, CapturedRowsFillTheFourColumnsAndSurviveARender) {
  MonitorPage& page = Open();
  SwitchOnAndArm(page);
  EXPECT_EQ(195, page.TemplateButtonCode());
  EXPECT_EQ(MonitorPageModel::ActiveText(watched_), page.ActiveCaption());
  EXPECT_NE(nullptr, page.Monitor().Slot(10)) << "the seeded Run key";
  EXPECT_TRUE(tray_.Icon().IsShown());
  EXPECT_TRUE(tray_.ShowsMonitoring());
  SeedString(kRunPath, "Updater", "u.exe");
  ASSERT_TRUE(PumpUntil([&] { return page.ChangeList().RowCount() == 1; }));
  EXPECT_EQ("Updater", page.ChangeList().Cell(0, 1));
  EXPECT_EQ("Value Added To", page.ChangeList().Cell(0, 2));
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
            page.ChangeList().Cell(0, 3));
  EXPECT_FALSE(page.ChangeList().Cell(0, 0).empty());
  EXPECT_EQ("Monitoring: 1 changes", page.MonitorCaption());
  // Away and back: a new rendering, the same list with its rows.
  page.PageShown(false);
  page.PageShown(true);
  ui::PumpMessages();
  EXPECT_TRUE(OnPanel(page.ChangeList().Hwnd()));
  EXPECT_EQ(1, page.ChangeList().RowCount());
  EXPECT_EQ("Monitoring: 1 changes", page.MonitorCaption());
}

TEST_F(MonitorPageTest, TheStartButtonWaitsForTheLastWorkerToEnd) {
  MonitorPage& page = Open();
  SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  SwitchOnAndArm(page);
  page.Monitor().SetMonitoring(false);
  EXPECT_EQ(190, page.TemplateButtonCode());
  EXPECT_FALSE(IsWindowEnabled(page.TemplateButton())) << "workers still ending";
  EXPECT_FALSE(tray_.Icon().IsShown());
  ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(page.TemplateButton()) != FALSE; }));
  EXPECT_EQ(0, page.Monitor().ActiveCount());
  EXPECT_EQ("0 Active Watch Points", page.ActiveCaption());
}

TEST_F(MonitorPageTest, TheNotificationComesOnceTheCountIsReached) {
  MonitorPage& page = Open(2);
  SwitchOnAndArm(page);
  SeedString(kRunPath, "one", "x");
  ASSERT_TRUE(PumpUntil([&] { return page.ChangeList().RowCount() == 1; }));
  EXPECT_TRUE(dialogs_.asked.empty());
  SeedString(kRunPath, "two", "x");
  ASSERT_TRUE(PumpUntil([&] { return !dialogs_.asked.empty(); }));
  EXPECT_EQ("The Monitor has captured 2 events.", dialogs_.asked[0].text);
  EXPECT_EQ(4, page.Model().NextPrompt());
}

TEST_F(MonitorPageTest, HidingToTheTrayAndComingBack) {
  MonitorPage& page = Open();
  tray_.HideWindow();
  EXPECT_FALSE(IsWindowVisible(host_.Hwnd()));
  EXPECT_TRUE(tray_.Icon().IsShown()) << "shown even while off";
  EXPECT_FALSE(tray_.ShowsMonitoring());
  EXPECT_EQ("Hivemend is not monitoring registry changes\r\n\r\nRight-click to view Hivemend",
            tray_.BalloonText());
  tray_.RestoreWindow();
  EXPECT_TRUE(IsWindowVisible(host_.Hwnd()));
  EXPECT_FALSE(IsIconic(host_.Hwnd()));
  EXPECT_FALSE(tray_.Icon().IsShown());

  SwitchOnAndArm(page);
  EXPECT_EQ("Hivemend is actively monitoring registry changes\r\n\r\nRight-click to view Hivemend",
            tray_.BalloonText());
  tray_.HideWindow();
  EXPECT_TRUE(tray_.ShowsMonitoring());
  // A notification while hidden brings the program back first.
  page.Model().ResetPrompt(1);
  SeedString(kRunPath, "wakes", "x");
  ASSERT_TRUE(PumpUntil([&] { return !dialogs_.asked.empty(); }));
  EXPECT_TRUE(IsWindowVisible(host_.Hwnd()));
  EXPECT_TRUE(tray_.Icon().IsShown()) << "monitoring: the icon stays";
}

TEST_F(MonitorPageTest, SaveListWritesTheCapturedRows) {
  MonitorPage& page = Open();
  SwitchOnAndArm(page);
  SeedString(kRunPath, "a,b", "x");
  ASSERT_TRUE(PumpUntil([&] { return page.ChangeList().RowCount() == 1; }));
  test::TestFolder folder;
  listFile_ = folder.File("list.csv");
  page.SaveList();
  const std::string text = test::ReadWholeFile(listFile_);
  EXPECT_EQ(0u, text.find("Time,Key,Action,Registry Location\r\n"));
  EXPECT_NE(std::string::npos, text.find(",\"a,b\",Value Added To,HKEY_CURRENT_USER\\Software"));
  EXPECT_TRUE(dialogs_.asked.empty());
  listFile_ = folder.File("no\\such\\folder\\list.csv");
  page.SaveList();
  ASSERT_EQ(1u, dialogs_.asked.size());
  EXPECT_NE(std::string::npos, dialogs_.asked[0].text.find("could not be saved"));
}

TEST_F(MonitorPageTest, AThousandChangesArriveWhileTheWindowKeepsAnswering) {
  MonitorPage& page = Open();
  SwitchOnAndArm(page);
  constexpr int kCount = 1000;
  std::atomic<bool> writing{true};
  std::atomic<int> answered{0}, unanswered{0};
  // Another thread writes the registry and asks the page's window for an
  // answer between writes, as a user's clicks would.
  std::thread writer([&] {
    for (int i = 0; i < kCount; ++i) {
      SeedString(kRunPath, "stress" + std::to_string(i), "x");
      if (i % 50 == 0) {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(page.Hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, test::kPatienceMs,
                                &result))
          ++answered;
        else
          ++unanswered;
      }
    }
    writing = false;
  });
  const bool all = PumpUntil([&] { return !writing && page.ChangeList().RowCount() >= kCount; });
  writer.join();
  ASSERT_TRUE(all) << page.ChangeList().RowCount();
  EXPECT_EQ(kCount, page.ChangeList().RowCount());
  EXPECT_EQ(kCount / 50, answered.load());
  EXPECT_EQ(0, unanswered.load());
}

TEST_F(MonitorPageTest, ClosingWhileMonitoringLeavesNoThread) {
  MonitorPage& page = Open();
  SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  SwitchOnAndArm(page);
  const test::WorkerThreads threads(page.Monitor());
  ASSERT_GT(watched_, 0);
  EXPECT_EQ(watched_, threads.Opened());
  EXPECT_EQ(watched_, threads.Running());
  page_.reset();
  EXPECT_EQ(0, threads.Running());
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST(ForceForeground, RestoresAMinimisedWindowAndSaysWhetherItLeads) {
  StartGui();
  Host behind(640, 520), front(640, 520);
  ShowWindow(behind.Hwnd(), SW_MINIMIZE);
  SetForegroundWindow(front.Hwnd());
  ui::PumpMessages();
  const bool leads = ForceForeground(behind.Hwnd());
  EXPECT_FALSE(IsIconic(behind.Hwnd()));
  EXPECT_EQ(GetForegroundWindow() == behind.Hwnd(), leads);
  if (leads) {
    EXPECT_TRUE(ForceForeground(behind.Hwnd())) << "already in front";
  }
}

}  // namespace
}  // namespace hvm
