// The optimize and Vista tweaks pages as real windows over the sandboxed
// registry, alone and inside the main window. This program runs with the
// prefix's Windows version set to Vista for it (see CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "desktop/main_window.h"
#include "desktop/pages/optimize_page.h"
#include "desktop/pages/template_renderer.h"
#include "desktop/pages/vista_tweaks_page.h"
#include "engine/core/dialog_service.h"
#include "engine/core/environment.h"
#include "engine/settings/program_settings.h"
#include "engine/tweaks/tweak_registry.h"
#include "support/recording_dialogs.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

constexpr char kDesktop[] = "HKCU\\Control Panel\\Desktop";
constexpr char kControl[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control";
constexpr char kExplorerPolicies[] =
    "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr char kSystemPolicies[] =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// A top-level window for the pages; WM_APP runs the test's handler, so that
// a test can see when the page lets messages run.
class Host : public ui::Window {
 public:
  Host() {
    CreateArgs args;
    args.className = "HivemendTweaksTestHost";
    args.title = "host";
    args.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN;
    args.bounds = ui::MakeRect(10, 10, 640, 560);
    if (!CreateWindowOf(args)) throw std::runtime_error("cannot create the test host");
    Templates().SetCommandSink(
        [window = Hwnd()](int number) { PostMessageA(window, WM_USER, WPARAM(number), 0); });
  }
  std::function<void()> onApp;
  std::vector<WPARAM> commands;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP && onApp) onApp();
    if (message == WM_USER) commands.push_back(wParam);
    return Window::OnMessage(message, wParam, lParam);
  }
};

class OptimizePageTest : public ::testing::Test {
 protected:
  OptimizePageTest() {
    test::SeedString(kDesktop, "MenuShowDelay", "400");
    test::SeedString(kControl, "WaitToKillServiceTimeout", "20000");
    OptimizePage::Hooks hooks;
    hooks.settingsPath = folder_.File("hvmend.ini");
    hooks.frontRefresh = [this] { ++frontRefreshes_; };
    hooks.dialogs = &dialogs_;
    hooks.pauseMilliseconds = 0;
    EXPECT_TRUE(page_.Create(host_.Hwnd(), ui::MakeRect(0, 0, 600, 500), hooks));
    page_.Show(true);
    page_.PageShown();
  }
  std::string Record() {
    ProgramSettings settings;
    LoadSettings(settings, folder_.File("hvmend.ini"));
    return settings.optimize;
  }

  test::RegistrySandbox sandbox_;
  test::TestFolder folder_;
  Host host_;
  test::RecordingDialogs dialogs_;
  OptimizePage page_;
  int frontRefreshes_ = 0;
};

TEST_F(OptimizePageTest, ShowsUndoAfterOptimizeAndOptimizeAfterUndoTellingTheFrontPage) {
  EXPECT_EQ(420, page_.TemplateShown());
  page_.OnOptimizeClick();
  EXPECT_EQ(421, page_.TemplateShown());
  EXPECT_EQ(1, frontRefreshes_);
  EXPECT_EQ("50", test::ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("400", LookUpRecord(Record(), "MSD"));

  page_.OnOptimizeClick();
  EXPECT_EQ(420, page_.TemplateShown());
  EXPECT_EQ(2, frontRefreshes_);
  EXPECT_EQ("400", test::ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ("", Record());
  EXPECT_TRUE(dialogs_.asked.empty());
}

TEST_F(OptimizePageTest, TheStateOutlivesThePage) {
  page_.OnOptimizeClick();
  OptimizePage later;
  OptimizePage::Hooks hooks;
  hooks.settingsPath = folder_.File("hvmend.ini");
  ASSERT_TRUE(later.Create(host_.Hwnd(), ui::MakeRect(0, 0, 600, 500), hooks));
  later.PageShown();
  EXPECT_EQ(421, later.TemplateShown());
}

TEST_F(OptimizePageTest, TheWindowsMessagesRunDuringOptimizeAndUndo) {
  for (int run = 0; run < 2; ++run) {
    bool ranDuringTheRun = false;
    long long barMaximum = 0;
    host_.onApp = [&] {
      ranDuringTheRun = page_.Running();
      if (page_.Bar()) barMaximum = page_.Bar()->Maximum();
    };
    PostMessageA(host_.Hwnd(), WM_APP, 0, 0);
    page_.OnOptimizeClick();
    EXPECT_TRUE(ranDuringTheRun) << (run == 0 ? "Optimize" : "Undo");
    EXPECT_EQ(3000, barMaximum);
  }
}

TEST_F(OptimizePageTest, AClickDuringARunIsIgnored) {
  host_.onApp = [&] { page_.OnOptimizeClick(); };
  PostMessageA(host_.Hwnd(), WM_APP, 0, 0);
  page_.OnOptimizeClick();
  host_.onApp = nullptr;
  // One Optimize only: the record still holds the user's own values.
  EXPECT_EQ("400", LookUpRecord(Record(), "MSD"));
  EXPECT_EQ(421, page_.TemplateShown());
  EXPECT_EQ(1, frontRefreshes_);
}

TEST_F(OptimizePageTest, ClosingTheWindowDuringARunStillRecordsWhatWasChanged) {
  host_.onApp = [&] { DestroyWindow(host_.Hwnd()); };
  PostMessageA(host_.Hwnd(), WM_APP, 0, 0);
  page_.OnOptimizeClick();
  EXPECT_FALSE(IsWindow(page_.Hwnd()));
  EXPECT_EQ("2000", test::ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_EQ("20000", LookUpRecord(Record(), "WKST"));
  EXPECT_EQ(0, frontRefreshes_);
}

TEST_F(OptimizePageTest, AFailedUndoNamesTheSettingAndASecondUndoFinishes) {
  page_.OnOptimizeClick();
  {
    test::ReadOnlyKey locked(kControl);
    page_.OnOptimizeClick();
    ASSERT_EQ(1u, dialogs_.asked.size());
    EXPECT_EQ(dialog::kWarningNotice, dialogs_.asked[0].flags);
    EXPECT_NE(std::string::npos,
              dialogs_.asked[0].text.find("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\"
                                          "WaitToKillServiceTimeout"));
    EXPECT_EQ(421, page_.TemplateShown());
    EXPECT_EQ("WKST=20000", Record());
    EXPECT_EQ("400", test::ReadSz(kDesktop, "MenuShowDelay"));
  }
  page_.OnOptimizeClick();
  EXPECT_EQ(420, page_.TemplateShown());
  EXPECT_EQ("", Record());
  EXPECT_EQ("20000", test::ReadSz(kControl, "WaitToKillServiceTimeout"));
  EXPECT_EQ(1u, dialogs_.asked.size());
}

// The values went back but the record could not be cleared: the page still
// offers Undo, and the user must hear why rather than be left to wonder.
TEST_F(OptimizePageTest, ASettingsFileThatCannotBeWrittenAfterUndoIsTold) {
  page_.OnOptimizeClick();
  const std::string record = Record();
  const std::string settings = folder_.File("hvmend.ini");
  ASSERT_TRUE(SetFileAttributesA(settings.c_str(), FILE_ATTRIBUTE_READONLY));
  page_.OnOptimizeClick();
  SetFileAttributesA(settings.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ("400", test::ReadSz(kDesktop, "MenuShowDelay"));
  EXPECT_EQ(record, Record());
  EXPECT_EQ(421, page_.TemplateShown());
  ASSERT_EQ(1u, dialogs_.asked.size());
  EXPECT_EQ(dialog::kWarningNotice, dialogs_.asked[0].flags);
  EXPECT_NE(std::string::npos,
            dialogs_.asked[0].text.find("could not write its settings file (error 5)"));
  // Once the file can be written, Undo finishes.
  page_.OnOptimizeClick();
  EXPECT_EQ("", Record());
  EXPECT_EQ(420, page_.TemplateShown());
  EXPECT_EQ(1u, dialogs_.asked.size());
}

TEST(UndoFailureText, IsEmptyWhenEverythingWasPutBack) {
  UndoOutcome outcome;
  outcome.steps.push_back({1, TweakStepOutcome::Result::kDone, "400"});
  outcome.steps.push_back({2, TweakStepOutcome::Result::kNotRecorded});
  EXPECT_EQ("", UndoFailureText(outcome));
  outcome.steps.push_back(
      {6, TweakStepOutcome::Result::kFailed, "0", "Failed to set data for 'x'"});
  EXPECT_NE(std::string::npos,
            UndoFailureText(outcome).find("HKEY_USERS\\.DEFAULT\\Control Panel\\Desktop\\"
                                          "AutoEndTasks (Failed to set data for 'x')"));
}

class VistaPageTest : public ::testing::Test {
 protected:
  void Open(bool administrator) {
    host_.emplace();
    page_.emplace();
    ASSERT_TRUE(page_->Create(host_->Hwnd(), ui::MakeRect(0, 0, 600, 500),
                              {[administrator] { return administrator; }}));
    page_->Show(true);
    page_->PageShown();
  }
  test::RegistrySandbox sandbox_;
  std::optional<Host> host_;
  std::optional<VistaTweaksPage> page_;
};

TEST_F(VistaPageTest, TheBoxesAndTheNoticeStandOnTheTemplatesPanel) {
  Open(true);
  TemplatePanel* panel = page_->Panel();
  ASSERT_NE(nullptr, panel);
  const char* names[] = {
      "Enable &Classic Menu Items",    "Disable &Program Compatibility Assistant",
      "Enable &Run on Start Menu",     "Enable &Quick Launch on Taskbar",
      "Disable &User Account Control", "Disable Ctrl-Alt-Delete at &Login"};
  for (size_t box = 0; box < 6; ++box) {
    ui::CheckBox& check = page_->Box(VistaBox(box));
    EXPECT_EQ(panel->Hwnd(), GetParent(check.Hwnd()));
    EXPECT_EQ(names[box], check.Text());
    EXPECT_TRUE(check.IsVisible());
    EXPECT_TRUE(check.IsEnabled());
    EXPECT_FALSE(check.IsChecked()) << names[box];
  }
  EXPECT_EQ(panel->Hwnd(), GetParent(page_->nLogon().Hwnd()));
  EXPECT_FALSE(page_->nLogon().IsVisible());
  // The notice's place is the panel's bottom edge, below the last box.
  EXPECT_EQ(panel->ClientRect().bottom, page_->nLogon().Bounds().bottom);
  EXPECT_LE(page_->Box(cb6).Bounds().bottom, page_->nLogon().Bounds().top);
}

TEST_F(VistaPageTest, AStandardUserFindsTheMachineWideBoxesDisabledAndIsTold) {
  Open(false);
  EXPECT_TRUE(page_->Box(cb1).IsEnabled());
  EXPECT_TRUE(page_->Box(cb4).IsEnabled());
  EXPECT_FALSE(page_->Box(cb5).IsEnabled());
  EXPECT_FALSE(page_->Box(cb6).IsEnabled());
  EXPECT_TRUE(page_->nLogon().IsVisible());
  EXPECT_EQ("Some options require you to be logged on as an administrator", page_->nLogon().Text());
}

TEST_F(VistaPageTest, ShowingThePageCreatesTheExplorerPoliciesKey) {
  ASSERT_FALSE(test::KeyExists(kExplorerPolicies));
  Open(true);
  EXPECT_TRUE(test::KeyExists(kExplorerPolicies));
}

TEST_F(VistaPageTest, WithThePoliciesKeyButNoEnableLuaTheUacBoxStartsUnchecked) {
  test::SeedDword(kSystemPolicies, "DisableCAD", 1);
  Open(true);
  EXPECT_FALSE(page_->Box(cb5).IsChecked());
  EXPECT_TRUE(page_->Box(cb6).IsChecked());
  page_->Apply();
  EXPECT_FALSE(test::ValueExists(kSystemPolicies, "EnableLUA"));
}

TEST_F(VistaPageTest, ApplyWritesTheBoxesAndShowingAgainReadsThemBack) {
  test::SeedDword(kSystemPolicies, "EnableLUA", 0);
  Open(true);
  EXPECT_TRUE(page_->Box(cb5).IsChecked());
  page_->Box(cb1).SetChecked(true);
  page_->Box(cb5).SetChecked(false);
  page_->Apply();
  EXPECT_EQ(1u, test::ReadDw(kExplorerPolicies, "AlwaysShowClassicMenu"));
  EXPECT_EQ(1u, test::ReadDw(kSystemPolicies, "EnableLUA"));
  EXPECT_FALSE(test::ValueExists(kSystemPolicies, "DisableCAD"));
  page_->Box(cb1).SetChecked(false);
  page_->PageShown();
  EXPECT_TRUE(page_->Box(cb1).IsChecked());
  EXPECT_FALSE(page_->Box(cb5).IsChecked());
}

TEST_F(VistaPageTest, AnUnreadableValueDisablesItsBoxAndIsLeftAlone) {
  std::vector<std::string> reported;
  ui::SetErrorHandler([&](const std::string& text) { reported.push_back(text); });
  test::SeedString(kExplorerPolicies, "QuickLaunchEnabled", "yes");
  Open(true);
  ui::SetErrorHandler({});
  ASSERT_EQ(1u, reported.size());
  EXPECT_EQ("Invalid data type for 'QuickLaunchEnabled'", reported[0]);
  EXPECT_FALSE(page_->Box(cb4).IsEnabled());
  page_->Apply();
  EXPECT_EQ("yes", test::ReadSz(kExplorerPolicies, "QuickLaunchEnabled"));
}

TEST_F(VistaPageTest, ReleasingTheTemplateTakesTheBoxesBack) {
  Open(true);
  Templates().Release(page_->View());
  EXPECT_EQ(nullptr, page_->Panel());
  EXPECT_EQ(page_->Hwnd(), GetParent(page_->Box(cb3).Hwnd()));
  EXPECT_TRUE(IsWindow(page_->Box(cb3).Hwnd()));
  EXPECT_EQ(page_->Hwnd(), GetParent(page_->nLogon().Hwnd()));
}

// The main window, on the Windows version this program runs as.
class TweaksInMainWindowTest : public ::testing::Test {
 protected:
  TweaksInMainWindowTest() {
    InitEnvironment();
    data_ = folder_.File("data");
    CreateDirectoryA(data_.c_str(), nullptr);
  }
  MainWindow& Open() {
    window_ = std::make_unique<MainWindow>();
    EXPECT_TRUE(window_->Create(StartWords{}, data_));
    ShowWindow(window_->Hwnd(), SW_SHOW);
    ui::PumpMessages();
    return *window_;
  }
  test::RegistrySandbox sandbox_;
  test::TestFolder folder_;
  std::string data_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(TweaksInMainWindowTest, OnVistaTheMenuOffersVistaTweaksAndItsCommandShowsThePage) {
  ASSERT_EQ(8, Environment().WindowsVersionCode)
      << "the test prefix must run this program as Windows Vista";
  MainWindow& window = Open();
  bool listed = false;
  for (const MenuRow& row : window.Menu().Rows()) listed |= row.caption == "Vista Tweaks";
  EXPECT_TRUE(listed);
  window.HandleCommand(Command::kVistaPage, 0);
  EXPECT_EQ(Page::kVista, window.CurrentPage());
  EXPECT_TRUE(window.VistaPage().IsVisible());
  EXPECT_FALSE(window.FrontView().IsVisible());
  EXPECT_TRUE(test::KeyExists(kExplorerPolicies));
  window.VistaPage().Box(cb3).SetChecked(true);
  window.HandleCommand(Command::kApplyVistaTweaks, 0);
  EXPECT_EQ(1u, test::ReadDw(kExplorerPolicies, "ForceRunOnStartMenu"));
}

TEST_F(TweaksInMainWindowTest, TheOptimizeCommandsRunThePageAndRefreshTheFrontPage) {
  MainWindow& window = Open();
  window.HandleCommand(Command::kOptimizePage, 0);
  EXPECT_EQ(Page::kOptimize, window.CurrentPage());
  EXPECT_TRUE(window.Optimize().IsVisible());
  EXPECT_EQ(420, window.Optimize().TemplateShown());
  window.Session().Results().AddProblem(4, "HKCR\\CLSID\\{A}\\InprocServer32");
  ui::PumpMessages();
  ASSERT_FALSE(window.FrontFacts().optimized);
  // While it runs, no scan may start and no other page be chosen.
  bool lockedDuringTheRun = false;
  PostMessageA(window.Hwnd(), WM_NULL, 0, 0);  // one message at least passes during the run
  ui::SetMessageFilter([&](MSG&) {
    lockedDuringTheRun |= window.Busy() && !window.Menu().RowsEnabled();
    return false;
  });
  window.HandleCommand(Command::kOptimize, 0);
  ui::SetMessageFilter({});
  EXPECT_TRUE(lockedDuringTheRun);
  EXPECT_FALSE(window.Busy());
  EXPECT_TRUE(window.Menu().RowsEnabled());
  EXPECT_EQ(0, window.Session().Results().TotalCount());
  EXPECT_EQ(421, window.Optimize().TemplateShown());
  ui::PumpMessages();
  EXPECT_TRUE(window.FrontFacts().optimized) << "the front page was told";
  ProgramSettings settings;
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_TRUE(IsOptimized(settings));
  window.HandleCommand(Command::kUndoOptimize, 0);
  EXPECT_EQ(420, window.Optimize().TemplateShown());
  ui::PumpMessages();
  EXPECT_FALSE(window.FrontFacts().optimized);
  LoadSettings(settings, data_ + "\\hvmend.ini");
  EXPECT_FALSE(IsOptimized(settings));
}

}  // namespace
}  // namespace hvm
