#include "desktop/window_thread_poster.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "desktop/gui_startup.h"
#include "ui/window.h"

namespace hvm {
namespace {

constexpr DWORD kPatienceMs = 60000;

// Dispatches this thread's messages, as the program's loop does, until
// `done` holds; false when it did not within the patience.
template <class Done>
bool PumpUntil(Done done) {
  const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
  for (;;) {
    ui::PumpMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(deadline - now), QS_ALLINPUT);
  }
}

class WindowThreadPosterTest : public ::testing::Test {
 protected:
  WindowThreadPosterTest() {
    StartGui();
    EXPECT_TRUE(poster_.Create());
  }
  WindowThreadPoster poster_;
};

TEST_F(WindowThreadPosterTest, WorkersPostsRunOnTheWindowThreadInTheOrderEachPosted) {
  constexpr int kWorkers = 3, kEach = 100;
  const DWORD windowThread = GetCurrentThreadId();
  std::vector<std::vector<int>> seen(kWorkers);
  std::atomic<int> elsewhere{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i)
        poster_.Queue().Post([&, w, i] {
          if (GetCurrentThreadId() != windowThread) ++elsewhere;
          seen[w].push_back(i);
        });
    });
  for (std::thread& worker : workers) worker.join();
  // Nothing runs until the window thread takes its messages.
  for (const auto& one : seen) EXPECT_TRUE(one.empty());
  ASSERT_TRUE(PumpUntil([&] {
    size_t total = 0;
    for (const auto& one : seen) total += one.size();
    return total == size_t(kWorkers * kEach);
  }));
  EXPECT_EQ(0, elsewhere);
  for (const auto& one : seen)
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(i, one[size_t(i)]);
}

TEST_F(WindowThreadPosterTest, AfterTheWindowIsGonePostsAreDroppedUnrunAndFreed) {
  bool ran = false;
  // A worker blocked on its step when the window goes is let go.
  std::atomic<int> answer{-1};
  std::thread blocked(
      [&] { answer = RunOnWindowThread(poster_.Queue(), [&] { ran = true; }) ? 1 : 0; });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(poster_.Queue().ReadyEvent(), kPatienceMs));
  auto waiting = std::make_shared<int>(1);
  std::weak_ptr<int> watchWaiting = waiting;
  poster_.Queue().Post([waiting = std::move(waiting), &ran] { ran = true; });
  EXPECT_FALSE(watchWaiting.expired());

  const HWND window = poster_.Hwnd();
  ASSERT_TRUE(DestroyWindow(window));
  blocked.join();
  EXPECT_EQ(0, answer);
  EXPECT_TRUE(watchWaiting.expired());

  auto later = std::make_shared<int>(2);
  std::weak_ptr<int> watchLater = later;
  std::thread worker([&, later = std::move(later)]() mutable {
    poster_.Queue().Post([later = std::move(later), &ran] { ran = true; });
  });
  worker.join();
  EXPECT_TRUE(watchLater.expired());
  ui::PumpMessages();
  EXPECT_FALSE(ran);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace hvm
