// A button that drops a menu down, as the one menu of a window without a
// menu bar: its caption with a small arrow pointing down, flat on what it
// stands on until the mouse is over it, the keyboard is on it or its menu is
// open, then drawn as a button of the program's family.
//
// Like a menu bar it is no Tab stop: Alt and its underlined letter open it,
// and the window may hand it the keyboard (F10), after which Enter, Space or
// the down arrow open it and Esc gives the keyboard back. A click opens it at
// once. The owner shows the menu (onOpen); screen readers learn it as a menu
// button with a pop-up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/accessible.h"
#include "ui/button_state.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm::ui {

class MenuButton : public Window, private AccessibleModel {
 public:
  struct CreateArgs {
    std::string caption;  // "&" marks the access letter
    RECT bounds{};        // pixels, in the parent
    FontSpec font;
    COLORREF colour = kCaptionColour;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);

  // The width in pixels the caption, the arrow and the padding take at the
  // button's DPI.
  int FittingWidth() const;
  // Drops the menu down as a click would: onOpen runs with the button's place
  // on the screen and returns once the menu has closed.
  void Open();
  std::function<void(const RECT& screen)> onOpen;
  // The window hands the keyboard over (F10); Esc gives it back to the
  // window that had it.
  void TakeKeyboard();
  bool IsOpen() const { return open_; }
  ButtonState State() const;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(Dpi dpi) override;
  AccessibleModel* Accessibility() override { return this; }

 private:
  AccessibleInfo Describe(long part) const override;
  bool DoDefaultAction(long part) override;

  void Paint();
  std::string Caption() const;
  bool ShowsFocus() const;
  void SetHover(bool hover);
  void GiveKeyboardBack();

  ScopedFont font_;
  FontSpec fontSpec_;
  COLORREF colour_ = kCaptionColour;
  bool hover_ = false;
  bool open_ = false;
  HWND keyboardBefore_ = nullptr;
  Picture face_;
  SIZE faceSize_{};
  ButtonState faceState_ = ButtonState::kNormal;
};

}  // namespace hvm::ui
