// The desktop program's window thread for WindowThread (see
// engine/core/window_thread.h for the threading model): a message-only
// window on the thread that creates the poster. Each post wakes it with one
// registered message, which runs the queue in the main loop and in every
// modal loop alike; when the window goes (WindowGone, or the poster's end)
// the queue is closed.
#pragma once

#include <memory>

#include "engine/core/window_thread.h"
#include "ui/window.h"

namespace hvm {

class WindowThreadPoster : public ui::Window {
 public:
  WindowThreadPoster();
  ~WindowThreadPoster() override;

  // Creates the window on the calling thread, which becomes the window
  // thread. False when the platform refuses.
  [[nodiscard]] bool Create();
  // The window is gone: what waits is dropped, later posts too.
  void WindowGone();

  WindowThreadQueue& Queue() { return *queue_; }
  // For workers that may outlive the window (the update check).
  std::shared_ptr<WindowThread> Shared() const { return queue_; }

  // The registered message that wakes the window.
  static UINT WakeMessage();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::shared_ptr<WindowThreadQueue> queue_;
};

}  // namespace hvm
