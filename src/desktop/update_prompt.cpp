#include "desktop/update_prompt.h"

namespace hvm {
namespace {

// 96-dpi units: the row starts under the text, whose left edge is 80 beside
// the icon; the drop-down is 100 wide.
constexpr int kRowLeft = 80, kLabelWidth = 84, kListWidth = 100, kRowHeight = 24;
constexpr int kMoreInfoSlot = 1;

}  // namespace

int RemindChoiceFor(int updateFreq) {
  for (size_t i = 0; i < kRemindChoices.size(); ++i)
    if (kRemindChoices[i].days == updateFreq) return static_cast<int>(i);
  return 0;
}

UpdatePrompt::UpdatePrompt(int updateFreq, std::function<void()> moreInfo)
    : updateFreq_(updateFreq), moreInfo_(std::move(moreInfo)) {}

void UpdatePrompt::Prepare(MessageDialogWindow& dialog, int y) {
  const ui::Dpi dpi = dialog.CurrentDpi();
  ui::Label::CreateArgs label;
  label.text = "&Remind me: ";
  label.font = ui::FontSpec{9};
  label.background = GetSysColor(COLOR_WINDOW);
  label.mnemonic = true;
  label.bounds =
      ui::MakeRect(dpi.Scale(kRowLeft), y + dpi.Scale(3), dpi.Scale(kLabelWidth), dpi.Scale(18));
  std::vector<std::string> items;
  for (const RemindChoice& choice : kRemindChoices) items.push_back(choice.caption);
  ui::DropDownList::CreateArgs list;
  list.items = items;
  list.selected = RemindChoiceFor(updateFreq_);
  list.font = ui::FontSpec{9};
  list.bounds = ui::MakeRect(dpi.Scale(kRowLeft + kLabelWidth), y, dpi.Scale(kListWidth),
                             dpi.Scale(kRowHeight));
  if (label_.Create(dialog.Hwnd(), label)) label_.ApplyDpi(dpi);
  if (choices_.Create(dialog.Hwnd(), list)) choices_.ApplyDpi(dpi);
  // The row gets the gap below it that the text has above it, so that it stays
  // clear of the buttons' band.
  dialog.SetExtraHeight(dpi.Scale(kRowHeight + DialogMetrics::kGap));
  dialog.SetClickHook([this](int slot, int result) {
    if (slot == kMoreInfoSlot) {
      if (moreInfo_) moreInfo_();
      return kDialogStaysOpen;
    }
    const int index = choices_.Selected();
    chosenDays_ = kRemindChoices[index >= 0 ? index : 0].days;
    return result;
  });
}

PromptAnswer UpdatePrompt::Run(HWND owner) {
  DialogOptions options;
  options.owner = owner;
  PromptAnswer answer;
  answer.result = ShowMessageDialog(
      update_text::kPromptText, update_text::kPromptTitle, kUpdatePromptFlags,
      [this](MessageDialogWindow& dialog, int y) { Prepare(dialog, y); }, options);
  answer.remindDays = chosenDays_;
  return answer;
}

}  // namespace hvm
