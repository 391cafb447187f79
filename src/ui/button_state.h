// The four looks every button of the program's own drawing has.
#pragma once

#include <windows.h>
#include <oleacc.h>

namespace hvm::ui {

// In the order of a picture strip's states.
enum class ButtonState { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

// A button's state from what the mouse and keyboard did: a disabled button
// shows nothing else; held down (by the mouse over it, or the space bar) it
// is pressed; under the mouse it is hovered.
constexpr ButtonState StateOfButton(bool enabled, bool hover, bool pushed) {
  if (!enabled) return ButtonState::kDisabled;
  if (pushed) return ButtonState::kPressed;
  return hover ? ButtonState::kHover : ButtonState::kNormal;
}

// What a screen reader is told of a button in `state` (STATE_SYSTEM_* bits).
constexpr long AccessibleStateOf(ButtonState state) {
  switch (state) {
    case ButtonState::kPressed: return STATE_SYSTEM_PRESSED;
    case ButtonState::kHover: return STATE_SYSTEM_HOTTRACKED;
    case ButtonState::kDisabled: return STATE_SYSTEM_UNAVAILABLE;
    case ButtonState::kNormal: break;
  }
  return 0;
}

}  // namespace hvm::ui
