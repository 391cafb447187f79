#include "engine/results/text_file.h"

#include <windows.h>

#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

bool WriteAll(HANDLE file, std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    const DWORD chunk = DWORD(std::min<size_t>(text.size() - done, 1 << 20));
    if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

ScopedFile OpenForWriting(const std::string& path, DWORD disposition) {
  return ScopedFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "";
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
    text.append(buffer, got);
  return text;
}

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

FileStamp StampOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
  return {
      (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
      (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime};
}

bool ReplaceTextFile(const std::string& path, const std::string& text) {
  ScopedFile file = OpenForWriting(path, CREATE_ALWAYS);
  return file && WriteAll(file.Get(), text);
}

bool AppendTextFile(const std::string& path, const std::string& text, bool durable) {
  ScopedFile file = OpenForWriting(path, OPEN_ALWAYS);
  if (!file || !AppendToOpenFile(file, text)) return false;
  return !durable || FlushFileBuffers(file.Get());
}

namespace {

// Far past the end of any file this program writes.
constexpr DWORD kLockOffsetHigh = 0x40000000;

}  // namespace

AppendLock::AppendLock(const ScopedFile& file) : file_(file.Get()) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  // Waits: another writer holds it only for the length of one append, and
  // the system lets go of it when that writer's handle closes or it dies.
  held_ = file && LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
}

AppendLock::~AppendLock() {
  if (!held_) return;
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  UnlockFileEx(file_, 0, 1, 0, &at);
}

bool AppendToOpenFile(const ScopedFile& file, std::string_view bytes) {
  const AppendLock lock(file);
  return AppendUnderLock(file, lock, bytes);
}

bool AppendUnderLock(const ScopedFile& file, const AppendLock& lock, std::string_view bytes) {
  LARGE_INTEGER end{};
  if (!lock.Held() || !SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &end, FILE_END)) return false;
  return WriteAll(file.Get(), bytes);
}

}  // namespace hvm
