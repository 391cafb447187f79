#include "engine/results/data_folder_lock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <thread>

#include "support/folder_lock_holder.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::OtherHolder;

TEST(DataFolderLockName, OneNamePerFolderHoweverItIsSpelt) {
  test::TestFolder folder;
  const std::string name = DataFolderLockName(folder.Path());
  std::string upper = folder.Path();
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(name, DataFolderLockName(upper));
  EXPECT_EQ(name, DataFolderLockName(folder.Path() + "\\"));
  EXPECT_EQ(name, DataFolderLockName(folder.Path() + "\\sub\\.."));
  EXPECT_EQ(name.find('\\'), name.rfind('\\'));  // only the namespace's own
  EXPECT_NE(name, DataFolderLockName(folder.File("other")));
}

TEST(DataFolderLock, AnotherHolderKeepsItUntilItLetsGo) {
  test::TestFolder folder;
  OtherHolder other(folder.Path());
  ASSERT_TRUE(other.Held());
  DataFolderLock lock(folder.Path());
  EXPECT_FALSE(lock.Acquire(0));
  EXPECT_FALSE(lock.Held());
  EXPECT_EQ(0u, lock.Status());
  EXPECT_NE(std::string::npos, lock.BusyText().find("Another repair or restore"));
  // A different folder is free meanwhile.
  DataFolderLock elsewhere(folder.File("other"));
  EXPECT_TRUE(elsewhere.Acquire(0));
  other.Release();
  EXPECT_TRUE(lock.Acquire(INFINITE));
  EXPECT_FALSE(lock.WasAbandoned());
}

TEST(DataFolderLock, NestsInTheThreadThatHoldsItAndLetsGoWithTheLast) {
  test::TestFolder folder;
  {
    DataFolderLock outer(folder.Path());
    ASSERT_TRUE(outer.Acquire(0));
    DataFolderLock inner(folder.Path());
    EXPECT_TRUE(inner.Acquire(0));
  }
  std::thread([&] {
    DataFolderLock later(folder.Path());
    EXPECT_TRUE(later.Acquire(0));
  }).join();
}

// A holder that dies holding it (a killed repair) leaves it to the next.
TEST(DataFolderLock, AHolderThatEndedWithoutLettingGoLeavesItAbandoned) {
  test::TestFolder folder;
  std::thread([&] {
    auto lock = std::make_unique<DataFolderLock>(folder.Path());
    ASSERT_TRUE(lock->Acquire(0));
    // Ends owning it, as a killed process would; the handle is left open so
    // that the mutex stays, as another process's open handle keeps it.
    lock.release();
  }).join();
  DataFolderLock lock(folder.Path());
  EXPECT_TRUE(lock.Acquire(0));
  EXPECT_TRUE(lock.WasAbandoned());
}

}  // namespace
}  // namespace hvm
