// Whole small text files: read at once, and replaced atomically, so that a
// crash or a full disk in the middle of a write never leaves a truncated file
// behind. Failures come back as the Win32 status (0 on success).
#pragma once

#include <cstdint>
#include <string>

namespace hvm {

// Files beyond this size are refused rather than read into memory.
inline constexpr uint64_t kMaxTextFileSize = 64ull << 20;

// Reads the whole file into `text` (emptied first).
uint32_t ReadFileText(const std::string& path, std::string& text);

// Writes `text` beside `path` under a temporary name, flushes it to disk and
// moves it over `path`. A read-only `path` is left alone (ERROR_ACCESS_DENIED),
// as the platform would refuse to overwrite it in place.
uint32_t ReplaceFileText(const std::string& path, const std::string& text);

}  // namespace hvm
