// The four looks every button of the program's own drawing has.
#pragma once

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

}  // namespace hvm::ui
