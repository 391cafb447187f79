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

// What counts as a file that cannot be read, and so must not be written over.
class ReadEditableTextTest : public test::TestFolderTest {
 protected:
  uint32_t Read(const std::string& content) {
    return ReadEditableText(folder_.WriteFile("file.txt", content), text_);
  }
  std::string text_ = "stale";
};

TEST_F(ReadEditableTextTest, AMissingFileOrFolderReadsAsEmpty) {
  EXPECT_EQ(0u, ReadEditableText(folder_.File("none.ini"), text_));
  EXPECT_EQ("", text_);
  EXPECT_EQ(0u, ReadEditableText(folder_.File("gone\\none.ini"), text_));
}

TEST_F(ReadEditableTextTest, Utf8AndAnsiTextIsRead) {
  EXPECT_EQ(0u, Read("\xEF\xBB\xBF[scan]\r\nName=\xC3\xA9\xE9\r\n"));
  EXPECT_EQ("\xEF\xBB\xBF[scan]\r\nName=\xC3\xA9\xE9\r\n", text_);
  EXPECT_EQ(0u, Read(""));
  // Lines an earlier version wrote in the system's code page (1252 here)
  // come as the program's text, lines in UTF-8 as they are.
  EXPECT_EQ(0u, Read("[SkippedKeys]\r\nHKCU\\Caf\xE9=1\r\nHKCU\\\xD7\xA7=1\r\n"));
  EXPECT_EQ("[SkippedKeys]\r\nHKCU\\Caf\xC3\xA9=1\r\nHKCU\\\xD7\xA7=1\r\n", text_);
}

TEST_F(ReadEditableTextTest, WideTextOrANulByteIsNotText) {
  EXPECT_EQ(kNotTextStatus, Read(std::string("\xFF\xFE[\0s\0]\0", 8)));
  EXPECT_EQ("", text_);
  EXPECT_EQ(kNotTextStatus, Read("\xFE\xFF"));
  EXPECT_EQ(kNotTextStatus, Read(std::string("\0\0\xFE\xFF", 4)));
  // UTF-16 without a mark, and a single NUL at the very end.
  EXPECT_EQ(kNotTextStatus, Read(std::string("[\0s\0]\0", 6)));
  EXPECT_EQ(kNotTextStatus, Read(std::string("[scan]\r\n\0", 9)));
}

// The size alone refuses it: nothing is read into memory.
TEST_F(ReadEditableTextTest, AFileBeyondTheLimitIsRefused) {
  const std::string path = folder_.File("big.ini");
  {
    const ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    LARGE_INTEGER size{};
    size.QuadPart = LONGLONG(kMaxTextFileSize) + 1;
    ASSERT_TRUE(SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.Get()));
  }
  EXPECT_EQ(uint32_t(ERROR_FILE_TOO_LARGE), ReadEditableText(path, text_));
  EXPECT_EQ("", text_);
}

// Another process's handle without sharing, as this test's own handle is to
// the platform.
TEST_F(ReadEditableTextTest, AFileHeldWithoutSharingIsRefused) {
  const std::string path = folder_.WriteFile("held.ini", "[scan]\r\n");
  const ScopedFile holder(
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  EXPECT_EQ(uint32_t(ERROR_SHARING_VIOLATION), ReadEditableText(path, text_));
  EXPECT_EQ("", text_);
}

TEST(UnreadableFileStatus, KeepsTheReadStatusAndSaysWhy) {
  const uint32_t refused = UnreadableFileStatus(ERROR_FILE_TOO_LARGE);
  EXPECT_TRUE(IsUnreadableFileStatus(refused));
  EXPECT_FALSE(IsUnreadableFileStatus(ERROR_FILE_TOO_LARGE));
  EXPECT_FALSE(IsUnreadableFileStatus(0));
  EXPECT_EQ(uint32_t(ERROR_FILE_TOO_LARGE), ReadStatusOf(refused));
  EXPECT_EQ("it is larger than 64 MiB", UnreadableReason(refused));
  EXPECT_EQ("it is larger than 64 MiB", UnreadableReason(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ("it is not UTF-8 or ANSI text", UnreadableReason(kNotTextStatus));
  EXPECT_EQ("another program holds it open", UnreadableReason(ERROR_SHARING_VIOLATION));
  EXPECT_EQ("access to it is denied", UnreadableReason(ERROR_ACCESS_DENIED));
  EXPECT_EQ("error 1117", UnreadableReason(UnreadableFileStatus(ERROR_IO_DEVICE)));
}

}  // namespace
}  // namespace hvm
