// A band under a list that tells about its chosen row: a heading in bold and
// the detail below it, on a tinted rounded band, with a column at its right
// for the page's command buttons (made children of the band). The detail is
// a read-only text box: a long path wraps, and what does not fit scrolls
// rather than being cut off; the keyboard reaches it to read or select it.
// Both are standard controls, which keep their own accessibility; each change
// is announced as their name and value changing, so that a screen reader
// reads the band when the row changes.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls.h"
#include "ui/window.h"

namespace hvm::ui {

class DetailBand : public Window {
 public:
  struct CreateArgs {
    RECT bounds{};         // pixels, in the parent
    int commandWidth = 0;  // 96-dpi units kept at the right for buttons; 0: none
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);

  // Shows `heading` and `detail` (lines separated by CR LF) and announces them.
  void SetContent(const std::string& heading, const std::string& detail);
  std::string Heading() const { return heading_.Text(); }
  std::string Detail() const { return detail_.Text(); }
  HWND HeadingWindow() const { return heading_.Hwnd(); }
  HWND DetailWindow() const { return detail_.Hwnd(); }
  // Whether the detail is longer than the band shows, so that it scrolls.
  bool DetailScrolls() const;
  // The column for the command buttons, in the band's client coordinates.
  RECT CommandArea() const;
  // The band's height in pixels at its DPI that shows the heading and
  // `lines` lines of detail without scrolling.
  int HeightForLines(int lines) const;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(Dpi dpi) override;

 private:
  // A read-only, borderless, wrapping text box on the band's tint.
  class DetailText : public Control {
   public:
    [[nodiscard]] bool Create(HWND parent);
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

   protected:
    LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

   private:
    ScopedBrush tint_;
  };

  void LayOut();
  void ShowScrollBarWhenNeeded();
  // The height of one line of `control`'s font, in pixels.
  static int LineHeight(HWND control);
  void Paint();

  Label heading_;
  DetailText detail_;
  int commandWidth_ = 0;
  ScopedBrush tint_;
};

}  // namespace hvm::ui
