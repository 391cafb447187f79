#include "engine/update/update_check.h"

#include <gtest/gtest.h>

#include <utility>

#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

constexpr DWORD kPatienceMs = 60000;
const std::string kDigest(64, 'b');

// The test's thread as the window thread the answers are posted to.
class CommandSink {
 public:
  std::shared_ptr<WindowThread> Thread() const { return queue_; }
  std::function<void(int)> Told() {
    return [this](int answer) { told_.push_back(answer); };
  }
  // The answers waiting in the queue, told now.
  std::vector<LPARAM> Results() {
    queue_->RunPending();
    return std::exchange(told_, {});
  }

 private:
  std::shared_ptr<WindowThreadQueue> queue_ = std::make_shared<WindowThreadQueue>();
  std::vector<LPARAM> told_;
};

ResponseFetcher Answering(std::string response, std::string* asked = nullptr) {
  return [response, asked](const std::string& address, std::string& body) {
    if (asked) *asked = address;
    body = response;
    return true;
  };
}

TEST(UpdateChecks, ANewerOfferIsStoredBeforeCommandSixWithTwo) {
  CommandSink sink;
  std::string asked;
  UpdateChecks checks(Answering("https://x/a.zip#1.2.1#" + kDigest + "\r\nhttps://x/n", &asked));
  ASSERT_TRUE(checks.Start(sink.Thread(), sink.Told(), CheckMode::kAutomatic,
                           "https://x/update/?prod=3319&i=1", "1.2.0.185"));
  ASSERT_TRUE(checks.WaitUntilIdle(kPatienceMs));
  EXPECT_EQ(std::vector<LPARAM>{2}, sink.Results());
  EXPECT_EQ("https://x/update/?prod=3319&i=1", asked);
  ASSERT_TRUE(checks.Offer());
  EXPECT_EQ("https://x/a.zip", checks.Offer()->address);
  EXPECT_EQ("https://x/n", checks.Offer()->notes);
  EXPECT_FALSE(checks.Running());
}

TEST(UpdateChecks, NothingNewerPostsTheMode) {
  CommandSink sink;
  UpdateChecks checks(Answering("https://x/a.zip#1.2.0.185"));
  ASSERT_TRUE(
      checks.Start(sink.Thread(), sink.Told(), CheckMode::kManual, "https://x/", "1.2.0.185"));
  ASSERT_TRUE(checks.WaitUntilIdle(kPatienceMs));
  ASSERT_TRUE(
      checks.Start(sink.Thread(), sink.Told(), CheckMode::kAutomatic, "https://x/", "1.2.0.185"));
  ASSERT_TRUE(checks.WaitUntilIdle(kPatienceMs));
  EXPECT_EQ((std::vector<LPARAM>{1, 0}), sink.Results());
  EXPECT_FALSE(checks.Offer());
}

TEST(UpdateChecks, AFailedFetchOrAStarPostsNothingEvenWhenAskedByHand) {
  CommandSink sink;
  UpdateChecks failing([](const std::string&, std::string&) { return false; });
  ASSERT_TRUE(
      failing.Start(sink.Thread(), sink.Told(), CheckMode::kManual, "https://x/", "1.0.0.0"));
  ASSERT_TRUE(failing.WaitUntilIdle(kPatienceMs));
  UpdateChecks star(Answering("*"));
  ASSERT_TRUE(star.Start(sink.Thread(), sink.Told(), CheckMode::kManual, "https://x/", "1.0.0.0"));
  ASSERT_TRUE(star.WaitUntilIdle(kPatienceMs));
  EXPECT_TRUE(sink.Results().empty());
}

TEST(UpdateChecks, ASecondCheckWhileOneRunsDoesNothing) {
  CommandSink sink;
  ScopedKernelHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HANDLE event = release.Get();
  UpdateChecks checks([event](const std::string&, std::string& body) {
    WaitForSingleObject(event, kPatienceMs);
    body = "*";
    return true;
  });
  ASSERT_TRUE(
      checks.Start(sink.Thread(), sink.Told(), CheckMode::kManual, "https://x/", "1.0.0.0"));
  EXPECT_TRUE(checks.Running());
  EXPECT_FALSE(
      checks.Start(sink.Thread(), sink.Told(), CheckMode::kManual, "https://x/", "1.0.0.0"));
  SetEvent(event);
  ASSERT_TRUE(checks.WaitUntilIdle(kPatienceMs));
  EXPECT_TRUE(
      checks.Start(sink.Thread(), sink.Told(), CheckMode::kManual, "https://x/", "1.0.0.0"));
  ASSERT_TRUE(checks.WaitUntilIdle(kPatienceMs));
}

TEST(FetchResponse, PlainHttpOffTheLoopbackIsNeverFetched) {
  std::string body = "untouched";
  EXPECT_FALSE(FetchResponse("http://hivemend.example.org/update/?prod=3319&i=1", body));
  EXPECT_FALSE(FetchResponse("file:///C:/windows/win.ini", body));
}

}  // namespace
}  // namespace hvm
