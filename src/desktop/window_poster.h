// The commands workers and the engine post to the main window, carried to
// the window thread as closures (engine/core/window_thread.h) and handed to
// the main window's command handler there in the order posted.
#pragma once

#include <functional>
#include <utility>

#include "engine/core/command_poster.h"
#include "engine/core/window_thread.h"

namespace hvm {

class WindowCommandPoster : public CommandPoster {
 public:
  using Handler = std::function<void(Command command, intptr_t value)>;
  void SetTarget(WindowThread& thread, Handler handler) {
    thread_ = &thread;
    handler_ = std::move(handler);
  }
  void PostCommand(Command command, intptr_t value) override {
    if (thread_) thread_->Post([handler = handler_, command, value] { handler(command, value); });
  }

 private:
  WindowThread* thread_ = nullptr;
  Handler handler_;
};

}  // namespace hvm
