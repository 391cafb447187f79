// Whole-file reads and writes of the small text files of the results and undo
// folder. Reads of a file that cannot be opened give "".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/scoped_handle.h"

namespace hvm {

std::string ReadTextFile(const std::string& path);
// Size of the file in bytes; 0 when it does not exist.
uint64_t FileSize(const std::string& path);

// What tells one version of a file from the next: its size and the time it
// was last written (both 0 when it does not exist).
struct FileStamp {
  uint64_t size = 0;
  uint64_t writeTime = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);
// Replaces the file's content. True when every byte was written.
bool ReplaceTextFile(const std::string& path, const std::string& text);
// Appends to the file, creating it when missing. With `durable` the bytes are
// flushed to the disk before it returns. True when every byte was written.
bool AppendTextFile(const std::string& path, const std::string& text, bool durable = false);
// Holds an open file's append lock while it lives: writers that take it,
// through any handle in any process, put their bytes after one another's,
// never over or between them. It locks one byte far past any data, so
// readers are never kept out.
class AppendLock {
 public:
  explicit AppendLock(const ScopedFile& file);
  ~AppendLock();
  AppendLock(const AppendLock&) = delete;
  AppendLock& operator=(const AppendLock&) = delete;
  [[nodiscard]] bool Held() const { return held_; }

 private:
  HANDLE file_;
  bool held_ = false;
};

// Writes `bytes` at the end of an open file under its append lock. True when
// every byte was written.
[[nodiscard]] bool AppendToOpenFile(const ScopedFile& file, std::string_view bytes);
// The same for a caller that holds the lock already (it looked at the end first).
[[nodiscard]] bool AppendUnderLock(const ScopedFile& file, const AppendLock& lock,
                                   std::string_view bytes);

}  // namespace hvm
