// The one road from any thread to the window thread.
//
// Threading model: the window thread owns every window and every piece of
// state the pages show; workers (the full backup, the update check, the
// registry monitor's watchers) touch none of it. When a worker has something
// for the window thread it posts a closure with WindowThread::Post, which
// never waits and is safe from any thread, the window thread included. The
// closures run on the window thread, one at a time, in the order they were
// posted (a closure posted while others run joins the end of the same turn).
//
// Once the window is gone the queue is closed: closures still waiting and any
// posted afterwards are destroyed without running, on the thread that closes
// or posts, so whatever they hold is released and nothing leaks. A worker that
// must wait for its step (RunOnWindowThread) is then released and told the
// step did not run.
//
// The desktop program runs the queue when a registered message posted to its
// main window arrives (so also inside modal loops); the console program and
// tests run it from their own wait loops (RunPending and ReadyEvent).
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

#include "engine/core/scoped_handle.h"

namespace hvm {

class WindowThread {
 public:
  virtual ~WindowThread() = default;
  // Queues `work` for the window thread; never waits.
  virtual void Post(std::function<void()> work) = 0;
};

// Worker side: posts `step` and waits until the window thread has run it
// (true) or the queue dropped it unrun (false). Never call it on the window
// thread.
[[nodiscard]] bool RunOnWindowThread(WindowThread& thread, std::function<void()> step);

// The queue behind WindowThread: posted closures wait here until the window
// thread runs them.
class WindowThreadQueue : public WindowThread {
 public:
  WindowThreadQueue();
  ~WindowThreadQueue() override;
  WindowThreadQueue(const WindowThreadQueue&) = delete;
  WindowThreadQueue& operator=(const WindowThreadQueue&) = delete;

  void Post(std::function<void()> work) override;

  // Called on the posting thread after each closure is queued, so that the
  // window thread comes to run it (the desktop posts itself a message).
  void SetWake(std::function<void()> wake);

  // Window thread: runs the queued closures in order, including those queued
  // while it runs; returns how many ran. A closure that throws still counts,
  // the rest stay queued for the next turn (another wake-up is asked for),
  // and the exception leaves here.
  int RunPending();

  // Signalled while closures wait to be run (manual reset).
  HANDLE ReadyEvent() const { return ready_.Get(); }

  // The window is gone: drops what waits and everything posted from now on.
  void Close();
  bool Closed() const;

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::function<void()> wake_;
  bool closed_ = false;
  ScopedKernelHandle ready_;
};

}  // namespace hvm
