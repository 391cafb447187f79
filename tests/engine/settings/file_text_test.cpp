#include "engine/settings/file_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/core/scoped_handle.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

// The file held open the way a reader of ours (or a scanner) holds it: every
// kind of sharing granted, which still keeps a rename from replacing it.
ScopedFile OpenAsAReader(const std::string& path) {
  return ScopedFile(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ReplaceFileTextTest : public test::TestFolderTest {
 protected:
  std::string path_ = folder_.WriteFile("hvmend.ini", "old");
};

TEST_F(ReplaceFileTextTest, ReplacesTheWholeFileAndLeavesNoTemporaryBehind) {
  ASSERT_EQ(0u, ReplaceFileText(path_, "new text"));
  EXPECT_EQ("new text", test::ReadWholeFile(path_));
  EXPECT_FALSE(Exists(path_ + ".new"));
  std::string read;
  ASSERT_EQ(0u, ReadFileText(path_, read));
  EXPECT_EQ("new text", read);
}

// A reader that lets go while the move is being retried: the new text lands.
TEST_F(ReplaceFileTextTest, AMoveRefusedWhileAReaderHoldsTheFileIsTriedAgain) {
  ScopedFile reader = OpenAsAReader(path_);
  ASSERT_TRUE(reader);
  std::vector<int> pauses;
  MoveRetries retries;
  retries.pause = [&](int madeSoFar) {
    pauses.push_back(madeSoFar);
    reader.Close();
  };
  ASSERT_EQ(0u, ReplaceFileText(path_, "new", retries));
  EXPECT_EQ("new", test::ReadWholeFile(path_));
  EXPECT_EQ(std::vector<int>{1}, pauses) << "refused once, then moved";
  EXPECT_FALSE(Exists(path_ + ".new"));
}

// A reader that never lets go: the error comes back after the last attempt,
// the old text stays whole and the temporary file is gone.
TEST_F(ReplaceFileTextTest, AReaderThatNeverLetsGoEndsInAnErrorWithTheOldTextKept) {
  const ScopedFile reader = OpenAsAReader(path_);
  ASSERT_TRUE(reader);
  int pauses = 0;
  MoveRetries retries;
  retries.attempts = 3;
  retries.pause = [&](int) { ++pauses; };
  EXPECT_NE(0u, ReplaceFileText(path_, "new", retries));
  EXPECT_EQ(2, pauses);
  EXPECT_EQ("old", test::ReadWholeFile(path_));
  EXPECT_FALSE(Exists(path_ + ".new"));
}

// Waiting does not mend a missing folder or a read-only file: no retry.
TEST_F(ReplaceFileTextTest, FailuresThatWaitingCannotMendAreNotRetried) {
  int pauses = 0;
  MoveRetries retries;
  retries.pause = [&](int) { ++pauses; };
  EXPECT_EQ(uint32_t(ERROR_PATH_NOT_FOUND),
            ReplaceFileText(folder_.File("gone\\hvmend.ini"), "x", retries));
  ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(uint32_t(ERROR_ACCESS_DENIED), ReplaceFileText(path_, "x", retries));
  SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(0, pauses);
  EXPECT_EQ("old", test::ReadWholeFile(path_));
}

}  // namespace
}  // namespace hvm
