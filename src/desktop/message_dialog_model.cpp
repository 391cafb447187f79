#include "desktop/message_dialog_model.h"

#include "engine/core/dialog_service.h"

namespace hvm {

DialogIcon IconForFlags(int flags) {
  const int icon = flags & 0xFF;
  if (icon >= 16 && icon <= 31) return DialogIcon::kStop;
  if (icon >= 32 && icon <= 47) return DialogIcon::kQuestion;
  if (icon >= 48 && icon <= 63) return DialogIcon::kWarning;
  if (icon >= 64 && icon <= 79) return DialogIcon::kInformation;
  return DialogIcon::kNone;
}

std::vector<DialogButton> ButtonsForFlags(int flags) {
  switch (flags & 0x0F) {
    case 1: return {{"&OK", 1}, {"&Cancel", 2}};
    case 2: return {{"&Abort", 3}, {"&Retry", 4}, {"&Ignore", 5}};
    case 3: return {{"&Yes", 6}, {"&No", 7}, {"&Cancel", 2}};
    case 4: return {{"&Yes", 6}, {"&No", 7}};
    case 5: return {{"&Abort", 3}, {"&Cancel", 2}};
    case 8: return {{"C&ontinue", 4}, {"&Cancel", 2}, {"&Ignore", 5}};
    case 9: return {{"&Restart", 4}, {"&Cancel", 2}, {"&Ignore", 5}};
    case 10: return {{"&More Info", 5}, {"&Yes", 6}, {"&No", 7}};
    default: return {{"&OK", 1}};
  }
}

namespace {

bool SecondButtonAsked(int flags) {
  return (flags & dialog::kSecondButtonDefault) && ButtonsForFlags(flags).size() >= 2;
}

}  // namespace

int DefaultButtonIndex(int flags) {
  if (SecondButtonAsked(flags)) return 1;
  const std::vector<DialogButton> buttons = ButtonsForFlags(flags);
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].result == 1) return static_cast<int>(i);
  return -1;
}

int FocusButtonIndex(int flags) {
  return SecondButtonAsked(flags) ? 1 : 0;
}

int CancelButtonIndex(const std::vector<DialogButton>& buttons) {
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].result == 2) return static_cast<int>(i);
  return -1;
}

std::string DialogClipboardText(const std::string& caption, const std::string& text,
                                const std::vector<DialogButton>& buttons) {
  const std::string rule(27, '-');
  std::string captions;
  for (auto button = buttons.rbegin(); button != buttons.rend(); ++button) {
    if (!captions.empty()) captions += "   ";
    captions += button->caption;
  }
  return rule + "\r\n" + caption + "\r\n" + rule + "\r\n" + text + "\r\n" + rule + "\r\n" +
         captions + "\r\n" + rule;
}

}  // namespace hvm
