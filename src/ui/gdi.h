// Scoped owners for GDI objects, icons, device contexts and the clipboard:
// every one is released on every path out, as the kernel handles of
// engine/core/scoped_handle.h are. COM pointers are in engine/core/com_ptr.h.
#pragma once

#include <windows.h>

#include <utility>

#include "engine/core/com_ptr.h"
#include "engine/core/scoped_handle.h"

namespace hvm::ui {

template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};

struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DestroyIcon(h); }
};

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};

struct MenuTraits {
  using Handle = HMENU;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DestroyMenu(h); }
};

using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedPen = ScopedHandle<GdiObjectTraits<HPEN>>;
using ScopedIcon = ScopedHandle<IconTraits>;
using ScopedMemoryDc = ScopedHandle<MemoryDcTraits>;
using ScopedMenu = ScopedHandle<MenuTraits>;

// A window's device context from GetDC, released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Get() const { return dc_; }
  const RECT& Dirty() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the previous one back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectScope() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Painting off screen: BeginPaint, a bitmap of the client's size to draw on,
// and at the end one copy to the window, so that frequent repaints do not
// flicker. Dc() is the bitmap's; Client() the window's client rectangle.
class BufferedPaint {
 public:
  explicit BufferedPaint(HWND window);
  ~BufferedPaint();
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  HDC Dc() const { return memory_.Get(); }
  const RECT& Client() const { return client_; }

 private:
  PaintScope paint_;
  RECT client_{};
  ScopedMemoryDc memory_;
  ScopedBitmap canvas_;
  HGDIOBJ previous_ = nullptr;
};

// OpenClipboard/CloseClipboard: the clipboard is closed again whatever happens
// between, since an open clipboard blocks every other program.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardScope() {
    if (open_) CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

}  // namespace hvm::ui
