#include "desktop/window_thread_poster.h"

namespace hvm {

UINT WindowThreadPoster::WakeMessage() {
  static const UINT message = RegisterWindowMessageA("HivemendRunOnWindowThread");
  return message;
}

WindowThreadPoster::WindowThreadPoster() : queue_(std::make_shared<WindowThreadQueue>()) {}

WindowThreadPoster::~WindowThreadPoster() {
  WindowGone();
}

bool WindowThreadPoster::Create() {
  CreateArgs args;
  args.className = "HivemendWindowThread";
  args.style = 0;
  args.parent = HWND_MESSAGE;
  args.bounds = ui::MakeRect(0, 0, 0, 0);
  if (!CreateWindowOf(args)) return false;
  const HWND window = Hwnd();
  const UINT wake = WakeMessage();
  queue_->SetWake([window, wake] { PostMessageA(window, wake, 0, 0); });
  return true;
}

void WindowThreadPoster::WindowGone() {
  queue_->Close();
  if (Hwnd()) DestroyWindow(Hwnd());
}

LRESULT WindowThreadPoster::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WakeMessage() && message != 0) {
    queue_->RunPending();
    return 0;
  }
  if (message == WM_DESTROY) queue_->Close();
  return Window::OnMessage(message, wParam, lParam);
}

}  // namespace hvm
