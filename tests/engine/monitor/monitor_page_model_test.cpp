#include "engine/monitor/monitor_page_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/test_folder.h"

namespace hvm {
namespace {

using ::testing::ElementsAre;

// Answers every dialog with OK, records it, and can run a step while it is
// "open" (as the modal loop of the real one runs other batches).
class RecordingDialogs : public DialogService {
 public:
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override {
    shown.push_back(text + " | " + caption + " | " + std::to_string(flags));
    if (whileOpen) {
      auto step = std::move(whileOpen);
      step();
    }
    return dialog::kOk;
  }
  std::vector<std::string> shown;
  std::function<void()> whileOpen;
};

std::vector<std::string> Lines(int count, int first = 0) {
  std::vector<std::string> lines;
  for (int i = first; i < first + count; ++i)
    lines.push_back(MakeChangeLine("T", ChangeAction::kValueAdded, "v" + std::to_string(i),
                                   "HKEY_CURRENT_USER\\Software\\Run"));
  return lines;
}

class MonitorPageModelTest : public ::testing::Test {
 protected:
  MonitorPageModelTest() {
    MonitorPageModel::Hooks hooks;
    hooks.rowAdded = [this](const ChangeLineFields& row) { added.push_back(row.name); };
    hooks.minimised = [this] { return minimised; };
    hooks.restoreProgram = [this] {
      ++restored;
      minimised = false;
    };
    hooks.pumpMessages = [this] { ++pumps; };
    model = std::make_unique<MonitorPageModel>(dialogs, hooks);
    model->ResetPrompt(300);
  }
  RecordingDialogs dialogs;
  std::unique_ptr<MonitorPageModel> model;
  std::vector<std::string> added;
  bool minimised = false;
  int restored = 0;
  int pumps = 0;
};

TEST_F(MonitorPageModelTest, RowsSplitTheLinesIntoColumnsAndSkipEmptyLines) {
  model->AddChanges({MakeChangeLine("09/12/2026 16:40:03", ChangeAction::kKeyRemoved, "Old",
                                    "HKEY_LOCAL_MACHINE\\X"),
                     "", "no separators"});
  ASSERT_EQ(2u, model->Rows().size());
  EXPECT_EQ("09/12/2026 16:40:03", model->Rows()[0].time);
  EXPECT_EQ("Old", model->Rows()[0].name);
  EXPECT_EQ("Key Removed From", model->Rows()[0].action);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\X", model->Rows()[0].location);
  // A line that cannot be split still gives a row, with empty fields.
  EXPECT_EQ("no separators", model->Rows()[1].time);
  EXPECT_EQ("", model->Rows()[1].location);
  EXPECT_THAT(added, ElementsAre("Old", ""));
  EXPECT_EQ("Monitoring: 2 changes", model->MonitorText());
  EXPECT_EQ(1, pumps);
}

TEST_F(MonitorPageModelTest, CounterTexts) {
  EXPECT_EQ("Monitoring: 0 changes", model->MonitorText());
  EXPECT_EQ("0 Active Watch Points", MonitorPageModel::ActiveText(0));
  EXPECT_EQ("1 Active Watch Point", MonitorPageModel::ActiveText(1));
  EXPECT_EQ("32 Active Watch Points", MonitorPageModel::ActiveText(32));
  EXPECT_TRUE(MonitorPageModel::StartEnabled(0));
  EXPECT_FALSE(MonitorPageModel::StartEnabled(1));
}

TEST_F(MonitorPageModelTest, ABatchCrossingThePromptTellsTheCountAndTheNextComesAtSixHundred) {
  model->AddChanges(Lines(298));
  EXPECT_TRUE(dialogs.shown.empty());
  model->AddChanges(Lines(5, 298));
  EXPECT_THAT(dialogs.shown,
              ElementsAre("The Monitor has captured 303 events. | Monitor Notification | 48"));
  EXPECT_EQ(600, model->NextPrompt());
  model->AddChanges(Lines(296, 303));  // 599
  EXPECT_EQ(1u, dialogs.shown.size());
  model->AddChanges(Lines(1, 599));  // 600
  ASSERT_EQ(2u, dialogs.shown.size());
  EXPECT_EQ("The Monitor has captured 600 events. | Monitor Notification | 48", dialogs.shown[1]);
  EXPECT_EQ(900, model->NextPrompt());
}

// The settings page saves MonitorPrompt while the program runs: the point
// already set stays, and the saved step counts from the next notification on.
TEST(MonitorPageModelSettingTest, APromptSavedMeanwhileStepsFromTheNextNotification) {
  RecordingDialogs dialogs;
  int saved = 300;
  MonitorPageModel::Hooks hooks;
  hooks.monitorPrompt = [&saved] { return saved; };
  MonitorPageModel model(dialogs, hooks);
  model.ResetPrompt(saved);
  saved = 50;
  model.AddChanges(Lines(299));
  EXPECT_EQ(300, model.NextPrompt());
  model.AddChanges(Lines(1, 299));
  ASSERT_EQ(1u, dialogs.shown.size());
  EXPECT_EQ(350, model.NextPrompt());
  model.AddChanges(Lines(50, 300));
  EXPECT_EQ(2u, dialogs.shown.size());
  EXPECT_EQ(400, model.NextPrompt());
  // A negative setting read back counts as 0: every batch.
  saved = -7;
  model.AddChanges(Lines(50, 350));
  EXPECT_EQ(400, model.NextPrompt());
  model.AddChanges(Lines(1, 400));
  EXPECT_EQ(4u, dialogs.shown.size());
}

TEST_F(MonitorPageModelTest, APromptOfZeroTellsAtEveryBatch) {
  model->ResetPrompt(0);
  model->AddChanges(Lines(1));
  model->AddChanges(Lines(2, 1));
  model->AddChanges({});
  EXPECT_EQ(3u, dialogs.shown.size());
  EXPECT_EQ(0, model->NextPrompt());
  model->ResetPrompt(-5);
  EXPECT_EQ(0, model->NextPrompt());
}

TEST_F(MonitorPageModelTest, BatchesArrivingWhileTheNotificationIsOpenOnlyAddRows) {
  model->ResetPrompt(2);
  bool openDuringNested = false;
  dialogs.whileOpen = [&] {
    EXPECT_EQ(4, model->NextPrompt()) << "raised before the dialog shows";
    model->AddChanges(Lines(3, 2));  // 5 rows: past the next threshold too
    openDuringNested = model->NotificationOpen();
  };
  model->AddChanges(Lines(2));
  EXPECT_TRUE(openDuringNested);
  EXPECT_EQ(1u, dialogs.shown.size()) << "no second dialog on the first";
  EXPECT_EQ(5u, model->Rows().size());
  EXPECT_FALSE(model->NotificationOpen());
  // Closed again: the next batch tells the user.
  model->AddChanges(Lines(1, 5));
  ASSERT_EQ(2u, dialogs.shown.size());
  EXPECT_EQ("The Monitor has captured 6 events. | Monitor Notification | 48", dialogs.shown[1]);
}

TEST_F(MonitorPageModelTest, AMinimisedProgramIsRestoredBeforeItTells) {
  model->ResetPrompt(1);
  minimised = true;
  model->AddChanges(Lines(1));
  EXPECT_EQ(1, restored);
  EXPECT_EQ(1u, dialogs.shown.size());
  model->AddChanges(Lines(1, 1));
  EXPECT_EQ(1, restored) << "not minimised any more";
}

TEST_F(MonitorPageModelTest, SaveListWritesTheRowsAsCsv) {
  test::TestFolder folder;
  model->AddChanges({MakeChangeLine("09/12/2026 16:40:03", ChangeAction::kValueAdded,
                                    "say \"hi\", then", "HKEY_CURRENT_USER\\Run")});
  const std::string path = folder.File("changes.csv");
  ASSERT_TRUE(model->SaveList(path));
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(
      "Time,Key,Action,Registry Location\r\n"
      "09/12/2026 16:40:03,\"say \"\"hi\"\", then\",Value Added To,HKEY_CURRENT_USER\\Run\r\n",
      text.str());
  EXPECT_FALSE(model->SaveList(folder.File("missing\\folder\\changes.csv")));
}

}  // namespace
}  // namespace hvm
