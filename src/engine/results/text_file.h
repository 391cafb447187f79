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
// Writes `bytes` at the end of an open file. True when every byte was written.
bool AppendToOpenFile(const ScopedFile& file, std::string_view bytes);

}  // namespace hvm
