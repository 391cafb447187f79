// A button drawn from one picture strip of four equal states side by side
// (normal, mouse over, pressed, disabled), with the hand cursor, an optional
// hint and no caption of its own (the picture carries it). A click hands its
// command number to onClick; the owner decides what it does. A button made a tab stop also works
// from the keyboard: it takes the focus, shows it, and Space, Enter or BM_CLICK press it.
// Screen readers learn it as a push button named by its caption (or hint).
// In high contrast it is drawn in the system's button colours with its
// caption as text, since the picture's own colours would be the only ones
// on the screen not chosen by the user.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/accessible.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm::ui {

enum class ButtonState { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

// The part of a strip `stripWidth` x `stripHeight` that shows `state`.
RECT StripStateRect(ButtonState state, int stripWidth, int stripHeight);

class ImageButton : public Window, private AccessibleModel {
 public:
  struct CreateArgs {
    const Picture* strip = nullptr;  // drawn at twice the 96-dpi size; kept by the caller
    int command = 0;
    std::string hint;  // shown only when not empty
    POINT origin{};    // pixels, in the parent
    // The picture's caption as window text, for the dialog manager's
    // mnemonics ("&") and for screen readers; never drawn.
    std::string caption;
    bool tabStop = false;
    // The page's main button: Enter presses it wherever the focus is (unless
    // the focus is on another button or a control that takes Enter itself).
    bool isDefault = false;
  };
  ~ImageButton() override;
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);

  int Command() const { return command_; }
  ButtonState State() const;
  // The button's size at its DPI: one state of the strip, halved, scaled.
  SIZE SizeAt(Dpi dpi) const;
  void Move(POINT origin);
  // Presses the button as a click of the user would; nothing when disabled.
  void Click();
  // Called with the button's command at each click.
  std::function<void(int command)> onClick;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(Dpi dpi) override;
  AccessibleModel* Accessibility() override { return this; }

 private:
  // AccessibleModel: the button itself, no parts.
  AccessibleInfo Describe(long part) const override;
  bool DoDefaultAction(long part) override;

  void Paint();
  // High contrast: the system's button look with the caption as text.
  void PaintPlain(HDC dc, const RECT& client);
  std::string Caption() const;
  void SetPressed(bool pressed);
  void SetHover(bool hover);
  void Clicked();
  bool PressedByKey(WPARAM key, LPARAM flags);

  const Picture* strip_ = nullptr;
  Picture scaled_;
  int command_ = 0;
  HWND tooltip_ = nullptr;
  std::string hint_;
  bool tabStop_ = false;
  bool isDefault_ = false;
  ScopedFont plainFont_;
  bool hover_ = false;
  bool pressed_ = false;
};

}  // namespace hvm::ui
