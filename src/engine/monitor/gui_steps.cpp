#include "engine/monitor/gui_steps.h"

#include <exception>

namespace hvm {

GuiSteps::GuiSteps() : ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

void GuiSteps::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

void GuiSteps::Run(std::function<void()> step) {
  Pending pending{std::move(step)};
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(&pending);
    SetEvent(ready_.Get());
    wake = wake_;
  }
  if (wake) wake();
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return pending.done; });
}

int GuiSteps::RunPending() {
  int ran = 0;
  for (;;) {
    Pending* pending = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) {
        ResetEvent(ready_.Get());
        return ran;
      }
      pending = queue_.front();
      queue_.pop_front();
    }
    std::exception_ptr failure;
    try {
      pending->step();
    } catch (...) {
      failure = std::current_exception();
    }
    ++ran;
    std::function<void()> wake;
    {
      std::lock_guard lock(mutex_);
      pending->done = true;
      if (failure && !queue_.empty()) wake = wake_;
    }
    finished_.notify_all();
    if (failure) {
      // Steps still queued need another wake-up: this one ends here.
      if (wake) wake();
      std::rethrow_exception(failure);
    }
  }
}

}  // namespace hvm
