// The update prompt: the message dialog with flags 74 ("&More Info", "&Yes",
// "&No") and, between its text and buttons, the row "&Remind me: " with a
// drop-down of when to ask again.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "desktop/message_dialog.h"
#include "engine/update/update_offer.h"

namespace hvm {

inline constexpr int kUpdatePromptFlags = 74;

struct RemindChoice {
  const char* caption;
  int days;  // 0: never
};
inline constexpr std::array<RemindChoice, 5> kRemindChoices = {{
    {"tomorrow", 1},
    {"in a week", 7},
    {"in two weeks", 14},
    {"next month", 30},
    {"never", 0},
}};

// The entry whose days equal `updateFreq`, else "tomorrow" (0).
int RemindChoiceFor(int updateFreq);

// The prompt's own row and buttons. "&More Info" calls `moreInfo` and keeps
// the prompt open.
class UpdatePrompt {
 public:
  UpdatePrompt(int updateFreq, std::function<void()> moreInfo);
  // Shows the prompt modally above `owner`.
  PromptAnswer Run(HWND owner);
  // The prepare hook: adds the row at `y` and makes room for it.
  void Prepare(MessageDialogWindow& dialog, int y);
  ui::DropDownList& Choices() { return choices_; }

 private:
  int updateFreq_;
  std::function<void()> moreInfo_;
  ui::Label label_;
  ui::DropDownList choices_;
  int chosenDays_ = 1;
};

}  // namespace hvm
