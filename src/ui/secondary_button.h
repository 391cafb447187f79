// The push button of the program's pages beside their one picture button: of
// the same family (its height, rounded corner and bold caption), but light,
// a white face in a rim of the interface colour, so that the blue picture
// button stays the page's main action.
//
// It is the platform's BUTTON, owner-drawn: Tab, Space, BM_CLICK and the
// dialog manager treat it as any push button. It adds what an owner-drawn
// button lacks: Enter presses it when it has the focus, it tells the
// keyboard loops whether it is the default button, the mouse over it shows,
// and screen readers learn it as a push button (name, access key, default
// and pressed states, "Press") on every platform, where a bare owner-drawn
// button is read as a client area by some. Its access letter is underlined
// by the system's keyboard-cue rule (hidden until the keyboard is used), and
// in high contrast it is drawn in the system's button colours.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/accessible.h"
#include "ui/button_state.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm::ui {

// What the face of a secondary button looks like in one state. Widths and
// offsets are 96-dpi units.
struct SecondaryLook {
  COLORREF faceTop = 0, faceBottom = 0;  // a vertical gradient
  COLORREF rim = 0;
  COLORREF caption = 0;
  int rimWidth = 1;
  int shadowAlpha = 0;  // 0..255, of a soft line under the face
  int sink = 0;         // the caption moves down by this much while pressed
};

SecondaryLook SecondaryLookFor(ButtonState state, bool isDefault);

// The face as premultiplied 0xAARRGGBB pixels, rows from the top, `width` x
// `height` pixels at `scale` pixels per unit: a rounded box with its rim, as
// the picture buttons' own (a unit free on the left, right and top, two at
// the bottom for the shadow), smoothed at its edges, clear outside.
std::vector<uint32_t> SecondaryFacePixels(int width, int height, double scale,
                                          const SecondaryLook& look);

// The inner area of a face drawn by SecondaryFacePixels, where the caption goes.
RECT SecondaryFaceArea(const RECT& bounds, double scale);

// Draws a button in the system's colours for high contrast: its face, a
// frame (thicker on the focused or default button), the caption (access
// letter per `hideAccel`) and, when focused, the dotted focus mark.
void PaintPlainButton(HDC dc, const RECT& bounds, const std::string& caption, UINT textFormat,
                      ButtonState state, bool focused, bool isDefault, Dpi dpi);

class SecondaryButton : public Control, private AccessibleModel {
 public:
  // The height of the family in 96-dpi units: that of the picture buttons.
  static constexpr int kHeight = 36;
  // Room left and right of the caption, in 96-dpi units.
  static constexpr int kCaptionPadding = 16;

  struct CreateArgs {
    std::string text;  // "&" marks the access letter
    RECT bounds{};     // pixels, in the parent
    bool isDefault = false;
    int id = 0;
    // What shows round the face's corners: the colour of what it sits on.
    COLORREF background = kPageColour;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);

  std::function<void()> onClick;
  // Presses the button as a click of the user would; nothing while disabled.
  void Click();
  ButtonState State() const;
  bool IsDefault() const { return isDefault_; }
  // The width in pixels that shows `text` in the button's font with its padding.
  int FittingWidth(const std::string& text) const;

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  AccessibleModel* Accessibility() override { return this; }

 private:
  AccessibleInfo Describe(long part) const override;
  bool DoDefaultAction(long part) override;

  void Draw(HDC dc, const RECT& bounds);
  void DrawFace(HDC dc, const RECT& bounds, ButtonState state);
  bool Pushed() const;
  bool ShowsFocus() const;
  bool HidesAccessLetter() const;
  void SetHover(bool hover);
  void Redraw();

  bool isDefault_ = false;
  bool hover_ = false;
  bool wasPushed_ = false;
  COLORREF background_ = kPageColour;
  // The last face drawn, kept while the size and the look stay.
  Picture face_;
  SIZE faceSize_{};
  ButtonState faceState_ = ButtonState::kNormal;
  bool faceDefault_ = false;
};

}  // namespace hvm::ui
