// How the monitor's workers reach the GUI thread. A worker hands a step to
// Run and blocks until the GUI thread has run it; the GUI thread runs the
// queued steps in RunPending, which the desktop program calls when a posted
// wake-up message arrives (also inside modal loops, where that message is
// dispatched too), the console from its wait loop, and tests from theirs.
// Everything the workers share with the GUI is touched only inside these
// steps, so the pages need no lock; the queue itself is the one place with a
// mutex.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "engine/core/scoped_handle.h"

namespace hvm {

class GuiSteps {
 public:
  GuiSteps();
  GuiSteps(const GuiSteps&) = delete;
  GuiSteps& operator=(const GuiSteps&) = delete;

  // Called on a worker's thread after each step is queued, so that the GUI
  // thread comes to run it (the desktop program posts itself a message).
  void SetWake(std::function<void()> wake);

  // Worker side: queues `step` and returns once the GUI thread has run it.
  void Run(std::function<void()> step);

  // GUI side: runs the queued steps in order, including those queued while
  // it runs; returns how many. A step that throws is still counted as run
  // (its worker goes on), and the exception leaves here.
  int RunPending();

  // Signalled while steps wait to be run (manual reset).
  HANDLE ReadyEvent() const { return ready_.Get(); }

 private:
  struct Pending {
    std::function<void()> step;
    bool done = false;
  };
  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<Pending*> queue_;
  std::function<void()> wake_;
  ScopedKernelHandle ready_;
};

}  // namespace hvm
