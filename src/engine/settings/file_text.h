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

// Reads a file that the program reads, changes and writes back whole (the
// settings file, the ignore file) as the program's text: lines in UTF-8 as
// they are, lines an earlier version wrote in the system's code page
// converted from it (TextOfOldFile), so that every name keeps its characters
// and the next save writes UTF-8. A missing file (or folder) reads as empty
// with status 0: a save creates it. Any other file that cannot be read in
// full as UTF-8 or ANSI text gives a status, and must then not be written
// over, since what it holds would be lost:
//   - the open or a read fails (another program holds it without sharing:
//     ERROR_SHARING_VIOLATION; access denied: ERROR_ACCESS_DENIED);
//   - it is larger than kMaxTextFileSize (ERROR_FILE_TOO_LARGE);
//   - it is not 8-bit text: it begins with a UTF-16 or UTF-32 byte-order
//     mark, or holds a NUL byte anywhere (kNotTextStatus).
[[nodiscard]] uint32_t ReadEditableText(const std::string& path, std::string& text);

// ERROR_UNSUPPORTED_TYPE, the status of a file that is not 8-bit text.
inline constexpr uint32_t kNotTextStatus = 1630;

// A write refused because the file there could not be read: the read's Win32
// status with the bit Windows leaves to applications (29) set, so that it
// travels wherever a save status goes and is still told apart from a failed
// write.
inline constexpr uint32_t kUnreadableFileBit = 1u << 29;
constexpr uint32_t UnreadableFileStatus(uint32_t readStatus) {
  return readStatus | kUnreadableFileBit;
}
constexpr bool IsUnreadableFileStatus(uint32_t status) {
  return (status & kUnreadableFileBit) != 0;
}
constexpr uint32_t ReadStatusOf(uint32_t status) {
  return status & ~kUnreadableFileBit;
}
// Why a file could not be read, in words, for a read status or a refused
// write's status: "it is larger than 64 MiB", "it is not UTF-8 or ANSI text",
// "another program holds it open", "access to it is denied", "error N".
std::string UnreadableReason(uint32_t status);

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
