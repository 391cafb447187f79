// Whole small text files: read at once, and replaced atomically, so that a
// crash or a full disk in the middle of a write never leaves a truncated file
// behind. Failures come back as the Win32 status (0 on success).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hvm {

// Files beyond this size are refused rather than read into memory.
inline constexpr uint64_t kMaxTextFileSize = 64ull << 20;

// Reads the whole file into `text` (emptied first).
uint32_t ReadFileText(const std::string& path, std::string& text);

// Writes `text` beside `path` under a temporary name, flushes it to disk and
// moves it over `path`. A read-only `path` is left alone (ERROR_ACCESS_DENIED),
// as the platform would refuse to overwrite it in place.
//
// The move fails for as long as another reader (a second window of ours, a
// virus scanner, an indexer) has `path` open, however it shares it; such holds
// last milliseconds, so the move is tried again for about two seconds.
uint32_t ReplaceFileText(const std::string& path, const std::string& text);

// How often a refused move is tried in all, and what runs before each new
// attempt (given the attempts made so far); without it, a 50 ms wait.
struct MoveRetries {
  int attempts = 40;
  std::function<void(int madeSoFar)> pause;
};
uint32_t ReplaceFileText(const std::string& path, const std::string& text,
                         const MoveRetries& retries);

}  // namespace hvm
