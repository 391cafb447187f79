#include "desktop/update_prompt.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace hvm {
namespace {

RECT ChildRect(HWND dialog, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Runs the prompt; `onShown` acts on it from inside its modal loop.
PromptAnswer RunPrompt(UpdatePrompt& prompt, std::function<void(MessageDialogWindow&)> onShown) {
  SetDialogShownHook(std::move(onShown));
  const PromptAnswer answer = prompt.Run(nullptr);
  SetDialogShownHook({});
  return answer;
}

TEST(RemindChoice, TheEntryOfThePresentIntervalElseTomorrow) {
  EXPECT_EQ(0, RemindChoiceFor(1));
  EXPECT_EQ(1, RemindChoiceFor(7));
  EXPECT_EQ(2, RemindChoiceFor(14));
  EXPECT_EQ(3, RemindChoiceFor(30));
  EXPECT_EQ(4, RemindChoiceFor(0));
  EXPECT_EQ(0, RemindChoiceFor(5));
  EXPECT_EQ(0, RemindChoiceFor(-3));
}

TEST(UpdatePrompt, TitleTextIconAndButtons) {
  UpdatePrompt prompt(1, {});
  std::vector<std::string> captions;
  std::string title;
  DialogIcon icon = DialogIcon::kNone;
  RunPrompt(prompt, [&](MessageDialogWindow& dialog) {
    for (int slot = 1; dialog.ButtonAt(slot); ++slot)
      captions.push_back(dialog.ButtonAt(slot)->Text());
    char text[128] = {};
    GetWindowTextA(dialog.Hwnd(), text, sizeof(text));
    title = text;
    icon = dialog.Icon();
    PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ((std::vector<std::string>{"&More Info", "&Yes", "&No"}), captions);
  EXPECT_EQ("Hivemend Update", title);
  EXPECT_EQ(DialogIcon::kInformation, icon);
}

TEST(UpdatePrompt, TheReminderRowSitsBetweenTextAndButtonsAndNoGivesItsDays) {
  UpdatePrompt prompt(14, {});
  int preselected = -1;
  std::vector<std::string> entries;
  RECT text{}, row{}, buttons{}, list{};
  int bandTop = 0;
  const PromptAnswer answer = RunPrompt(prompt, [&](MessageDialogWindow& dialog) {
    preselected = prompt.Choices().Selected();
    for (int i = 0; i < prompt.Choices().Count(); ++i) {
      char entry[64] = {};
      SendMessageA(prompt.Choices().Hwnd(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
      entries.push_back(entry);
    }
    text = ChildRect(dialog.Hwnd(), dialog.TextWindow());
    GetWindowRect(prompt.Choices().Hwnd(), &row);
    MapWindowPoints(nullptr, dialog.Hwnd(), reinterpret_cast<POINT*>(&row), 2);
    row.bottom = row.top + static_cast<int>(SendMessageA(prompt.Choices().Hwnd(), CB_GETITEMHEIGHT,
                                                         static_cast<WPARAM>(-1), 0));
    buttons = ChildRect(dialog.Hwnd(), dialog.ButtonAt(3)->Hwnd());
    list = ChildRect(dialog.Hwnd(), prompt.Choices().Hwnd());
    bandTop = dialog.Layout().bandTop;
    prompt.Choices().Select(4);  // "never"
    dialog.Press(3);
  });
  EXPECT_EQ(2, preselected);
  EXPECT_EQ(
      (std::vector<std::string>{"tomorrow", "in a week", "in two weeks", "next month", "never"}),
      entries);
  EXPECT_GE(row.top, text.bottom);
  EXPECT_GT(buttons.top, row.bottom);
  // The closed drop-down stays on the white part, well clear of the buttons'
  // band rather than sitting on its rule.
  EXPECT_GE(bandTop - list.bottom, 5);
  EXPECT_LT(bandTop, buttons.top);
  EXPECT_EQ(dialog::kNo, answer.result);
  EXPECT_EQ(0, answer.remindDays);
}

TEST(UpdatePrompt, MoreInfoOpensTheNotesAndTheDialogStaysOpen) {
  int opened = 0;
  bool stillOpen = false;
  UpdatePrompt prompt(7, [&] { ++opened; });
  const PromptAnswer answer = RunPrompt(prompt, [&](MessageDialogWindow& dialog) {
    dialog.Press(1);
    stillOpen = IsWindowVisible(dialog.Hwnd()) != FALSE;
    dialog.Press(2);
  });
  EXPECT_EQ(1, opened);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dialog::kYes, answer.result);
}

}  // namespace
}  // namespace hvm
