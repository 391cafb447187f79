#include "ui/dpi.h"

namespace hvm::ui {
namespace {

// Looked up at run time: Windows 7 has neither function.
template <class Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<Function>(GetProcAddress(user32, name)) : nullptr;
}

}  // namespace

Dpi Dpi::ForWindow(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (window && getDpiForWindow) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi) return Dpi(static_cast<int>(dpi));
  }
  return System();
}

Dpi Dpi::System() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesign;
  if (screen) ReleaseDC(nullptr, screen);
  return Dpi(dpi);
}

void EnablePerMonitorDpiAwareness() {
  using SetContextFunction = HANDLE(WINAPI*)(HANDLE);
  static const auto setContext = User32Function<SetContextFunction>("SetThreadDpiAwarenessContext");
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (setContext) setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));
}

}  // namespace hvm::ui
