#include "engine/core/window_thread.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <utility>

namespace hvm {
namespace {

// What a waiting worker and its step share. The step's closure holds the
// only Release; destroying the closure, run or dropped, releases the worker.
struct Rendezvous {
  std::mutex mutex;
  std::condition_variable over;
  bool released = false;
  bool ran = false;
};

struct Release {
  explicit Release(std::shared_ptr<Rendezvous> rendezvous) : shared(std::move(rendezvous)) {}
  ~Release() {
    {
      std::lock_guard lock(shared->mutex);
      shared->released = true;
      shared->ran = ran;
    }
    shared->over.notify_all();
  }
  Release(const Release&) = delete;
  Release& operator=(const Release&) = delete;
  std::shared_ptr<Rendezvous> shared;
  bool ran = false;
};

}  // namespace

bool RunOnWindowThread(WindowThread& thread, std::function<void()> step) {
  auto rendezvous = std::make_shared<Rendezvous>();
  {
    auto release = std::make_shared<Release>(rendezvous);
    thread.Post([release = std::move(release), step = std::move(step)] {
      step();
      release->ran = true;
    });
  }
  std::unique_lock lock(rendezvous->mutex);
  rendezvous->over.wait(lock, [&] { return rendezvous->released; });
  return rendezvous->ran;
}

WindowThreadQueue::WindowThreadQueue() : ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

WindowThreadQueue::~WindowThreadQueue() {
  Close();
}

void WindowThreadQueue::Post(std::function<void()> work) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    if (!closed_) {
      queue_.push_back(std::move(work));
      SetEvent(ready_.Get());
      wake = wake_;
    }
  }
  // A dropped closure is destroyed here, outside the lock: what it holds may
  // post or wait in its destructor.
  work = nullptr;
  if (wake) wake();
}

void WindowThreadQueue::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

int WindowThreadQueue::RunPending() {
  int ran = 0;
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) {
        ResetEvent(ready_.Get());
        return ran;
      }
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    std::exception_ptr failure;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    // Destroyed before the next one runs: a waiting worker goes on now.
    work = nullptr;
    ++ran;
    if (failure) {
      std::function<void()> wake;
      {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) wake = wake_;
      }
      // Closures still queued need another turn: this one ends here.
      if (wake) wake();
      std::rethrow_exception(failure);
    }
  }
}

void WindowThreadQueue::Close() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    wake_ = nullptr;
    dropped.swap(queue_);
    ResetEvent(ready_.Get());
  }
  // Destroyed outside the lock, in the order they were posted.
  while (!dropped.empty()) dropped.pop_front();
}

bool WindowThreadQueue::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace hvm
