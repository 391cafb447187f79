#include "engine/core/window_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace hvm {
namespace {

constexpr DWORD kPatienceMs = 60000;

// Runs the queue on the test's thread until `done` holds; false when it did
// not within the patience.
template <class Done>
bool RunUntil(WindowThreadQueue& queue, Done done) {
  const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
  for (;;) {
    queue.RunPending();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    WaitForSingleObject(queue.ReadyEvent(), DWORD(deadline - now));
  }
}

TEST(WindowThreadQueue, AStepRunsOnTheThreadThatRunsThePendingSteps) {
  WindowThreadQueue queue;
  std::atomic<DWORD> ranOn{0};
  std::atomic<int> woken{0};
  queue.SetWake([&] { ++woken; });
  std::atomic<bool> ran{false};
  std::thread worker(
      [&] { ran = RunOnWindowThread(queue, [&] { ranOn = GetCurrentThreadId(); }); });
  ASSERT_TRUE(RunUntil(queue, [&] { return ranOn != 0; }));
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(GetCurrentThreadId(), ranOn);
  EXPECT_EQ(1, woken);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(queue.ReadyEvent(), 0));
}

TEST(WindowThreadQueue, AStepThatThrowsStillReleasesItsWorkerAndLeavesTheRestQueued) {
  WindowThreadQueue queue;
  std::atomic<int> woken{0};
  queue.SetWake([&] { ++woken; });
  queue.Post([] { throw std::runtime_error("step failed"); });
  bool after = false;
  queue.Post([&] { after = true; });
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    (void)RunOnWindowThread(queue, [] { throw std::runtime_error("step failed"); });
    returned = true;
  });
  EXPECT_THROW(queue.RunPending(), std::runtime_error);
  EXPECT_FALSE(after);
  // The throw asked for another turn, which runs what is left.
  EXPECT_GE(woken, 3);
  int throws = 1;
  const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
  while (throws < 2 && GetTickCount64() < deadline) {
    try {
      queue.RunPending();
    } catch (const std::runtime_error&) {
      ++throws;
    }
    if (throws < 2) WaitForSingleObject(queue.ReadyEvent(), kPatienceMs);
  }
  ASSERT_EQ(2, throws);
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_TRUE(after);
}

TEST(WindowThreadQueue, EachWorkersPostsRunInTheOrderTheyWerePosted) {
  WindowThreadQueue queue;
  constexpr int kWorkers = 4, kEach = 200;
  std::vector<std::vector<int>> seen(kWorkers);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&queue, &seen, w] {
      for (int i = 0; i < kEach; ++i) queue.Post([&seen, w, i] { seen[w].push_back(i); });
    });
  size_t total = 0;
  ASSERT_TRUE(RunUntil(queue, [&] {
    total = 0;
    for (const auto& one : seen) total += one.size();
    return total == size_t(kWorkers * kEach);
  }));
  for (std::thread& worker : workers) worker.join();
  for (const auto& one : seen) {
    ASSERT_EQ(size_t(kEach), one.size());
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(i, one[i]);
  }
}

TEST(WindowThreadQueue, APostMadeWhileRunningRunsInTheSameTurnAfterTheOthers) {
  WindowThreadQueue queue;
  std::vector<int> order;
  queue.Post([&] {
    order.push_back(1);
    queue.Post([&] { order.push_back(3); });
  });
  queue.Post([&] { order.push_back(2); });
  EXPECT_EQ(3, queue.RunPending());
  EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
  EXPECT_EQ(0, queue.RunPending());
}

TEST(WindowThreadQueue, ClosedItDropsWaitingAndLaterPostsUnrunAndReleasesTheirHoldings) {
  WindowThreadQueue queue;
  auto held = std::make_shared<int>(1);
  std::weak_ptr<int> watch = held;
  bool ran = false;
  queue.Post([held, &ran] { ran = true; });
  held.reset();
  EXPECT_FALSE(watch.expired());
  queue.Close();
  EXPECT_TRUE(queue.Closed());
  EXPECT_TRUE(watch.expired());

  auto later = std::make_shared<int>(2);
  std::weak_ptr<int> watchLater = later;
  queue.Post([later = std::move(later), &ran] { ran = true; });
  EXPECT_TRUE(watchLater.expired());
  EXPECT_EQ(0, queue.RunPending());
  EXPECT_FALSE(ran);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(queue.ReadyEvent(), 0));
}

TEST(WindowThreadQueue, AWorkerWaitingForItsStepIsReleasedWhenTheQueueCloses) {
  WindowThreadQueue queue;
  std::atomic<int> answer{-1};
  bool ran = false;
  std::thread worker([&] { answer = RunOnWindowThread(queue, [&] { ran = true; }) ? 1 : 0; });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(queue.ReadyEvent(), kPatienceMs));
  queue.Close();
  worker.join();
  EXPECT_EQ(0, answer);
  EXPECT_FALSE(ran);
  // After the close the worker is not held at all.
  EXPECT_FALSE(RunOnWindowThread(queue, [&] { ran = true; }));
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace hvm
