// Windows of our own classes (frames, pages, custom-drawn controls) and thin
// wrappers over the platform's controls.
//
// Threading: every window lives on the GUI thread; workers never touch one.
// Window procedures never let an exception escape: it is handed to the error
// handler (the program shows its text) and the message loop goes on.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/accessible.h"
#include "ui/dpi.h"
#include "ui/gdi.h"
#include "ui/theme.h"

namespace hvm::ui {

using ErrorHandler = std::function<void(const std::string& text)>;
// Where errors caught in window procedures go; by default to the debugger.
void SetErrorHandler(ErrorHandler handler);
void ReportError(const std::string& text);

// Rectangle helpers; all in pixels.
inline int Width(const RECT& r) {
  return r.right - r.left;
}
inline int Height(const RECT& r) {
  return r.bottom - r.top;
}
inline RECT MakeRect(int x, int y, int width, int height) {
  return {x, y, x + width, y + height};
}
// A window of `width` x `height` in the middle of the primary screen.
inline RECT CentredOnScreen(int width, int height) {
  return MakeRect((GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height);
}

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Hwnd() const { return hwnd_; }
  Dpi CurrentDpi() const { return dpi_; }
  RECT ClientRect() const;
  void SetBounds(const RECT& pixels);
  void Show(bool visible);
  bool IsVisible() const;
  void Destroy();

  // The object behind a window of ours, or null.
  static Window* FromHwnd(HWND window);

 protected:
  struct CreateArgs {
    const char* className = nullptr;
    std::string title;
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    // Pixels; CW_USEDEFAULT in left places a top-level window by the platform.
    RECT bounds{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
    HBRUSH background = nullptr;  // null: white
    HCURSOR cursor = nullptr;     // null: the arrow
    UINT classStyle = CS_DBLCLKS;
    int id = 0;
  };
  // Registers the class on first use and creates the window. False when the
  // platform refuses; GetLastError tells why.
  [[nodiscard]] bool CreateWindowOf(const CreateArgs& args);
  // A page of the main window (or a panel): a hidden child that clips its
  // children and lets Tab move between them.
  [[nodiscard]] bool CreatePage(const char* className, HWND parent, const RECT& bounds,
                                bool visible = false);

  // Every message of the window; the default reflects control notifications to
  // their controls, follows DPI changes and passes the rest on.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window moved to a monitor of another DPI (or was created): lay out again.
  virtual void OnDpiChanged(Dpi dpi) {}
  // What a window that draws its own parts tells screen readers; null: the
  // platform's standard answer.
  virtual AccessibleModel* Accessibility() { return nullptr; }
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  Dpi dpi_;
  std::unique_ptr<AccessibleHost> accessible_;
};

// A platform control (button, list view, ...) wrapped by one object. The
// parent's notifications about it are handed back to it, decoded once there.
class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND Hwnd() const { return hwnd_; }
  int Id() const { return GetDlgCtrlID(hwnd_); }
  void SetBounds(const RECT& pixels);
  RECT Bounds() const;  // in the parent's client coordinates
  void Show(bool visible);
  bool IsVisible() const;
  void Enable(bool enabled);
  bool IsEnabled() const;
  void SetText(const std::string& text);
  std::string Text() const;
  void Focus();
  // Makes the control's font for the DPI of its window.
  void ApplyDpi(Dpi dpi);
  void SetFontSpec(const FontSpec& fontSpec);
  const FontSpec& Font() const { return fontSpec_; }
  Dpi CurrentDpi() const { return dpi_; }

  static Control* FromHwnd(HWND window);

  // A notification of the parent about this control (WM_COMMAND, WM_NOTIFY,
  // WM_CTLCOLOR*, WM_DRAWITEM, WM_HSCROLL...). True when handled.
  virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return false;
  }

 protected:
  [[nodiscard]] bool CreateControl(const char* className, const std::string& text, DWORD style,
                                   DWORD exStyle, HWND parent, const RECT& bounds, int id);
  // Messages of the control itself (subclassed); pass unknown ones to Default.
  virtual LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnFontChanged() {}
  // As Window::Accessibility, for a platform control that draws its own rows.
  virtual AccessibleModel* Accessibility() { return nullptr; }

 private:
  static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);

  std::unique_ptr<AccessibleHost> accessible_;
  HWND hwnd_ = nullptr;
  FontSpec fontSpec_;
  ScopedFont font_;
  Dpi dpi_;
};

// A platform control and the controls it made in the classic look, which
// draws with the system colours, while high contrast is on; in their own
// look otherwise.
void FollowContrastStyle(HWND control);

// Looks at each message before it is dispatched, in the main loop and in
// PumpMessages alike; true when the filter handled it. Empty: none.
void SetMessageFilter(std::function<bool(MSG& message)> filter);
// Runs the thread's message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Runs one message and everything queued behind it that the platform would
// handle before the program waits (paint and timers included), without
// blocking. Long work on the GUI thread calls it between items.
void PumpMessages();

}  // namespace hvm::ui
