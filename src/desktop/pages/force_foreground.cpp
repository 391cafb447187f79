#include "desktop/pages/force_foreground.h"

namespace hvm {
namespace {

// Windows 98 and 2000 and later lock the foreground against background
// programs; older systems hand it over when asked.
bool ForegroundIsLocked() {
  OSVERSIONINFOA version{sizeof(version)};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&version)) return true;
#pragma GCC diagnostic pop
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) return version.dwMajorVersion > 4;
  return version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0);
}

void BringForward(HWND window) {
  BringWindowToTop(window);
  SetForegroundWindow(window);
}

}  // namespace

bool ForceForeground(HWND window) {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  if (GetForegroundWindow() == window) return true;
  if (!ForegroundIsLocked()) {
    BringForward(window);
    return GetForegroundWindow() == window;
  }
  // Sharing the input state of the foreground window's thread lets this
  // thread take the foreground.
  const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const DWORD ownThread = GetWindowThreadProcessId(window, nullptr);
  const bool attached = foregroundThread && foregroundThread != ownThread &&
                        AttachThreadInput(ownThread, foregroundThread, TRUE);
  BringForward(window);
  if (attached) AttachThreadInput(ownThread, foregroundThread, FALSE);
  if (GetForegroundWindow() == window) return true;
  // Last: the foreground lock time-out set to 0 for the moment of the call.
  DWORD timeout = 0;
  if (SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0)) {
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
    BringForward(window);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(uintptr_t(timeout)), SPIF_SENDCHANGE);
  }
  return GetForegroundWindow() == window;
}

}  // namespace hvm
