#include "desktop/pages/restore_page.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/core/environment.h"
#include "support/recording_dialogs.h"
#include "support/test_folder.h"
#include "ui/test_host.h"
#include "ui/window.h"

namespace hvm {
namespace {

class FakeEditor : public RegistryEditor {
 public:
  bool Open() override {
    ++opened;
    return starts;
  }
  void Type(const RegEditKeystrokes& keys) override { typed.push_back(keys); }
  bool starts = true;
  int opened = 0;
  std::vector<RegEditKeystrokes> typed;
};

using Host = ui::test::TestHost;

std::vector<Keystroke> Typed(const std::string& text) {
  std::vector<Keystroke> keys;
  for (const char c : text) keys.push_back({WM_CHAR, static_cast<WPARAM>(c)});
  return keys;
}

TEST(RegEditKeystrokes, ClimbToTheTopThenWalkThePathAndTypeTheValue) {
  const RegEditKeystrokes keys =
      PlanRegEditKeystrokes("HKEY_CURRENT_USER\\Software\\X\\\\:\"Run \"\"me\"");
  std::vector<Keystroke> tree(31, {WM_KEYDOWN, VK_LEFT});
  tree.push_back({WM_KEYDOWN, VK_RIGHT});
  for (const Keystroke& key : Typed("HKEY_CURRENT_USER")) tree.push_back(key);
  tree.push_back({WM_KEYDOWN, VK_RIGHT});
  for (const Keystroke& key : Typed("Software")) tree.push_back(key);
  tree.push_back({WM_KEYDOWN, VK_RIGHT});
  tree.push_back({WM_CHAR, 'X'});
  EXPECT_EQ(tree, keys.tree);
  // One quote goes from each end; quotes inside the name stay.
  std::vector<Keystroke> values{{WM_KEYDOWN, VK_HOME}};
  for (const Keystroke& key : Typed("Run \"\"me")) values.push_back(key);
  EXPECT_EQ(values, keys.values);
}

// Every character is typed as itself: as its UTF-16 unit, a character
// beyond the basic plane as its two.
TEST(RegEditKeystrokes, AWholeKeyTypesNoValueAndEveryCharacterIsTypedAsItself) {
  const RegEditKeystrokes keys = PlanRegEditKeystrokes("HKEY_USERS\\Caf\xC3\xA9");
  EXPECT_TRUE(keys.values.empty());
  EXPECT_EQ((Keystroke{WM_CHAR, 0xE9}), keys.tree.back());
  const RegEditKeystrokes hebrew =
      PlanRegEditKeystrokes("HKEY_USERS\\\xD7\x93\\\\:\"\xF0\x9F\x93\x81\\x\"");
  EXPECT_EQ((Keystroke{WM_CHAR, 0x05D3}), hebrew.tree.back());
  EXPECT_EQ((std::vector<Keystroke>{{WM_KEYDOWN, VK_HOME},
                                    {WM_CHAR, 0xD83D},
                                    {WM_CHAR, 0xDCC1},
                                    {WM_CHAR, '\\'},
                                    {WM_CHAR, 'x'}}),
            hebrew.values);
  // The default value is typed as it is listed.
  EXPECT_EQ((std::vector<Keystroke>{{WM_KEYDOWN, VK_HOME}, {WM_CHAR, '@'}}),
            PlanRegEditKeystrokes("HKEY_USERS\\K\\\\:@").values);
}

class RestorePageTest : public ::testing::Test {
 protected:
  RestorePageTest() { InitEnvironment(); }

  // A snapshot with two values of one key and a whole key.
  void WriteSnapshot() {
    folder_.WriteFile("Undo20261208.reg",
                      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Gone]\r\n\"a\"=\"1\"\r\n"
                      "\"b\"=\"2\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Empty]\r\n\r\n");
  }

  void Open() {
    RestorePage::Hooks hooks;
    hooks.dataFolder = folder_.Path();
    hooks.todayName = [] { return std::string("Undo20261209"); };
    hooks.print = [this](const std::vector<std::string>& lines) {
      printed.push_back(lines);
      return printResult;
    };
    hooks.registryEditor = &editor;
    ASSERT_TRUE(page_.Create(host_.Hwnd(), ui::MakeRect(0, 0, 620, 440), hooks));
    page_.LoadSnapshotList();
  }

  test::TestFolder folder_;
  SuppressionLists suppression_{folder_.Path()};
  test::RecordingDialogs dialogs;
  FakeEditor editor;
  std::vector<std::vector<std::string>> printed;
  ui::PrintResult printResult = ui::PrintResult::kPrinted;
  Host host_{640, 480};
  RestorePage page_{suppression_, dialogs};
};

TEST_F(RestorePageTest, WithNoSnapshotEveryActionIsOff) {
  Open();
  EXPECT_EQ(0, page_.Chooser().Count());
  EXPECT_EQ(0, page_.List().Count());
  EXPECT_EQ("0 Items", page_.CountText());
  EXPECT_FALSE(IsWindowEnabled(page_.RestoreButton().Hwnd()));
  EXPECT_FALSE(IsWindowEnabled(page_.PrintButton().Hwnd()));
  EXPECT_FALSE(IsWindowEnabled(page_.CheckAll().Hwnd()));
}

TEST_F(RestorePageTest, PrintListPrintsEveryEntryAndTellsAFailure) {
  WriteSnapshot();
  Open();
  ASSERT_EQ(3, page_.List().Count());
  EXPECT_TRUE(IsWindowEnabled(page_.PrintButton().Hwnd()));
  page_.List().SetChecked(1, false);  // unchecked entries are printed too
  page_.PrintButton().Click();
  ASSERT_EQ(1u, printed.size());
  EXPECT_EQ((std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Gone\\\\:\"a\"",
                                      "HKEY_CURRENT_USER\\Software\\Gone\\\\:\"b\"",
                                      "HKEY_CURRENT_USER\\Software\\Empty"}),
            printed[0]);
  EXPECT_TRUE(dialogs.asked.empty());
  printResult = ui::PrintResult::kCancelled;
  page_.PrintList();
  EXPECT_TRUE(dialogs.asked.empty());
  printResult = ui::PrintResult::kFailed;
  page_.PrintList();
  ASSERT_EQ(1u, dialogs.asked.size());
  EXPECT_EQ("Error Printing text.", dialogs.asked[0].text);
}

TEST_F(RestorePageTest, ShowKeyAsksFirstAndNeedsASelectedEntry) {
  WriteSnapshot();
  Open();
  // Cancel at the caution: nothing is opened.
  dialogs.answers = {dialog::kCancel};
  page_.List().Select(1);
  page_.ShowKey();
  ASSERT_EQ(1u, dialogs.asked.size());
  EXPECT_EQ(0u, dialogs.asked[0].text.find("CAUTION\r\rYou are about to directly enter"));
  EXPECT_EQ("Hivemend", dialogs.asked[0].title);
  EXPECT_EQ(17, dialogs.asked[0].flags);
  EXPECT_EQ(0, editor.opened);
  // OK with the second entry selected: the editor is led to its value.
  page_.ShowKey();
  ASSERT_EQ(1u, editor.typed.size());
  EXPECT_EQ(PlanRegEditKeystrokes("HKEY_CURRENT_USER\\Software\\Gone\\\\:\"b\"").tree,
            editor.typed[0].tree);
  EXPECT_EQ((std::vector<Keystroke>{{WM_KEYDOWN, VK_HOME}, {WM_CHAR, 'b'}}),
            editor.typed[0].values);
  // Nothing selected.
  dialogs.asked.clear();
  page_.List().Select(-1);
  page_.ShowKey();
  ASSERT_EQ(2u, dialogs.asked.size());
  EXPECT_EQ("Please select an item from the list", dialogs.asked[1].text);
  EXPECT_EQ("Select an Item", dialogs.asked[1].title);
  EXPECT_EQ(1u, editor.typed.size());
  // An editor that cannot be started is told.
  dialogs.asked.clear();
  editor.starts = false;
  page_.List().Select(2);
  page_.ShowKey();
  ASSERT_EQ(2u, dialogs.asked.size());
  EXPECT_EQ("Hivemend was unable to open Regedit", dialogs.asked[1].text);
  EXPECT_EQ("RegEdit Error", dialogs.asked[1].title);
  EXPECT_EQ(1u, editor.typed.size());
}

TEST_F(RestorePageTest, AfterARepairTheDaysSnapshotIsChosen) {
  WriteSnapshot();
  folder_.WriteFile("Undo20261209.reg",
                    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Today]\r\n\r\n");
  Open();
  page_.Chooser().Select(0);
  page_.LoadSnapshotContents();
  ASSERT_EQ(3, page_.List().Count());
  page_.ShowSnapshot("undo20261209.REG");
  ASSERT_EQ(1, page_.List().Count());
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Today", page_.List().ItemText(0));
  EXPECT_EQ(1, page_.Chooser().Selected());
}

// The band under the list tells which repair removed the chosen entry: the
// snapshot's day, and the section where the snapshot records it.
TEST_F(RestorePageTest, TheBandTellsWhichRepairRemovedTheChosenEntry) {
  folder_.WriteFile("Undo20261208.reg",
                    "Windows Registry Editor Version 5.00\r\n\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Older]\r\n\"o\"=\"1\"\r\n"
                    "; Section 4, Deep Scan\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Class]\r\n\"c\"=\"2\"\r\n"
                    "; Section 15, Startup, removed by the scan\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Run]\r\n\"r\"=\"3\"\r\n");
  folder_.WriteFile("Undo20261208.bat", "rd \"C:\\Made\"\r\n");
  Open();
  ASSERT_EQ(4, page_.List().Count());
  SYSTEMTIME day{};
  day.wYear = 2026;
  day.wMonth = 12;
  day.wDay = 8;
  char date[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, date, sizeof(date));
  ui::DetailBand& band = page_.Band();
  EXPECT_EQ("Select an entry to see which repair removed it", band.Heading());
  // Chosen with the list's own keys.
  SetFocus(page_.List().Hwnd());
  const auto press = [&](WORD key) { SendMessageA(page_.List().Hwnd(), WM_KEYDOWN, key, 1); };
  press(VK_HOME);
  EXPECT_EQ(std::string("Created by the repair of ") + date, band.Heading());
  EXPECT_EQ("Section: Registry Integrity", band.Detail());
  press(VK_DOWN);
  EXPECT_EQ(std::string("Removed by the repair of ") + date, band.Heading());
  EXPECT_EQ("This snapshot does not record the section", band.Detail());
  press(VK_DOWN);
  EXPECT_EQ("Section: Deep Scan", band.Detail());
  press(VK_DOWN);
  EXPECT_EQ(std::string("Removed at once by the scan of ") + date, band.Heading());
  EXPECT_EQ("Section: Startup", band.Detail());
  // Another snapshot chosen: the band starts over.
  page_.LoadSnapshotList();
  EXPECT_EQ("Select an entry to see which repair removed it", band.Heading());
}

}  // namespace
}  // namespace hvm
