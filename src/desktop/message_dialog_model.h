// What a message dialog shows for its flags, where its parts go, and the text
// Ctrl+C copies. No window here, so that all of it is tested directly.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace hvm {

enum class DialogIcon { kNone = 0, kWarning = 1, kStop = 2, kInformation = 3, kQuestion = 4 };

struct DialogButton {
  std::string caption;  // with its "&"
  int result;
};

// The icon from the whole flags byte: 16-31 stop, 32-47 question, 48-63
// warning, 64-79 information, anything else none.
DialogIcon IconForFlags(int flags);

// The buttons of the low four bits, left to right; unknown sets give "&OK".
std::vector<DialogButton> ButtonsForFlags(int flags);

// Enter presses the default button of the flags: the second one with
// dialog::kSecondButtonDefault (even the cancel button, as asked), otherwise
// the one whose result is 1 (never one whose result is 2). Esc presses the
// one whose result is 2. -1 when there is none.
int DefaultButtonIndex(int flags);
int CancelButtonIndex(const std::vector<DialogButton>& buttons);
// The button the keyboard focus starts on: the second one with
// dialog::kSecondButtonDefault, otherwise the leftmost.
int FocusButtonIndex(int flags);

// The dialog as text: hyphen lines around the caption, the text and the
// button captions from right to left, lines joined by CR LF, no final line end.
std::string DialogClipboardText(const std::string& caption, const std::string& text,
                                const std::vector<DialogButton>& buttons);

// Where the parts of the dialog go, in pixels at the dialog's DPI. `scale`
// turns 96-dpi units into pixels; `textHeight` is the height of the wrapped
// text at `textWidth`, which depends only on the icon and the button count, so
// a layout made with a height of 0 tells the width to wrap at.
struct DialogLayout {
  int clientWidth = 0;
  int clientHeight = 0;
  int iconLeft = 0, iconTop = 0, iconSize = 0;  // iconSize 0: no icon
  int textLeft = 0, textTop = 0, textWidth = 0, textHeight = 0;
  int prepareY = 0;              // the first free line below the text, plus the gap
  int bandTop = 0;               // the light band behind the buttons starts here
  std::vector<int> buttonLefts;  // slot 1 leftmost
  int buttonTop = 0, buttonWidth = 0, buttonHeight = 0;
};

struct DialogMetrics {
  static constexpr int kClientWidth = 400;
  static constexpr int kNarrower = 64;  // without an icon and fewer than 3 buttons
  static constexpr int kIconLeft = 24, kIconTop = 20, kIconSize = 32;
  static constexpr int kTextLeftWithIcon = 80, kTextLeftAlone = 16, kTextTop = 20;
  static constexpr int kGap = 20;
  static constexpr int kButtonWidth = 80, kButtonHeight = 25, kButtonPitch = 100;
  static constexpr int kRightMargin = 20;
  static constexpr int kBottomSpace = 75;  // below the text (and extra height) in all
  // The buttons' band starts this far above them: midway between them and the
  // text, or the controls of a prepare hook, which end a gap above the buttons.
  static constexpr int kButtonBand = kGap / 2;
};

template <class Scale>
DialogLayout LayoutDialog(bool withIcon, int buttonCount, int textHeight, int extraHeight,
                          Scale scale) {
  using M = DialogMetrics;
  DialogLayout l;
  l.clientWidth = scale(M::kClientWidth) - (!withIcon && buttonCount < 3 ? scale(M::kNarrower) : 0);
  if (withIcon) {
    l.iconLeft = scale(M::kIconLeft);
    l.iconTop = scale(M::kIconTop);
    l.iconSize = scale(M::kIconSize);
  }
  l.textLeft = scale(withIcon ? M::kTextLeftWithIcon : M::kTextLeftAlone);
  l.textTop = scale(M::kTextTop);
  l.textHeight = textHeight;
  const int bottom =
      withIcon ? std::max(l.textTop + textHeight, l.iconTop + l.iconSize) : l.textTop + textHeight;
  l.prepareY = bottom + scale(M::kGap);
  l.buttonTop = bottom + extraHeight + scale(M::kGap);
  l.bandTop = l.buttonTop - scale(M::kButtonBand);
  l.buttonWidth = scale(M::kButtonWidth);
  l.buttonHeight = scale(M::kButtonHeight);
  const int rightEdge = l.clientWidth - scale(M::kRightMargin);
  // The text ends where the buttons do: 300 units with an icon or in the
  // narrower window, wider for three buttons without an icon, which would
  // otherwise leave an empty strip on the right.
  l.textWidth = rightEdge - l.textLeft;
  for (int slot = 0; slot < buttonCount; ++slot)
    l.buttonLefts.push_back(rightEdge - l.buttonWidth -
                            (buttonCount - 1 - slot) * scale(M::kButtonPitch));
  l.clientHeight = bottom + extraHeight + scale(M::kBottomSpace);
  return l;
}

}  // namespace hvm
