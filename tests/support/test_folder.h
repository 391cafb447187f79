// A folder of its own for each test on a drive of the test prefix (C: unless
// told otherwise), removed with everything in it when the test ends.
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace hvm::test {

class TestFolder {
 public:
  explicit TestFolder(char drive = 'C');
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // Absolute path, without a trailing backslash.
  const std::string& Path() const { return path_; }
  // Path of `name` inside the folder.
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  // Writes `content` to `name` (folders on the way are created) and returns its path.
  std::string WriteFile(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

class TestFolderTest : public ::testing::Test {
 protected:
  TestFolder folder_;
};

// Reads a whole file; "" when it cannot be opened.
std::string ReadWholeFile(const std::string& path);

}  // namespace hvm::test
