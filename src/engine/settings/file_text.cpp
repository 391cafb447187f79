#include "engine/settings/file_text.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "engine/core/scoped_handle.h"
#include "engine/core/text_encoding.h"

namespace hvm {
namespace {

constexpr char kTemporarySuffix[] = ".new";
static_assert(kNotTextStatus == ERROR_UNSUPPORTED_TYPE);

uint32_t WriteAll(HANDLE file, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const DWORD chunk = DWORD(std::min<size_t>(text.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, text.data() + done, chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return ERROR_SUCCESS;
}

uint32_t WriteFlushed(const std::string& path, const std::string& text) {
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  if (const uint32_t status = WriteAll(file.Get(), text)) return status;
  if (!FlushFileBuffers(file.Get())) return GetLastError();
  return ERROR_SUCCESS;
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Errors that an open handle of another reader gives; anything else (a full
// disk, a vanished folder) will not pass by waiting.
bool HeldByAReader(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
         error == ERROR_LOCK_VIOLATION;
}

uint32_t MoveIntoPlace(const std::string& from, const std::string& to, const MoveRetries& retries) {
  for (int made = 1;; ++made) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (!HeldByAReader(error) || made >= retries.attempts) return error;
    if (retries.pause)
      retries.pause(made);
    else
      Sleep(50);
  }
}

// Text of one of our files is bytes of UTF-8 or of the ANSI code page, in
// which no NUL occurs; wider encodings hold one in nearly every character.
bool IsEightBitText(const std::string& text) {
  const auto startsWith = [&text](std::string_view mark) { return text.starts_with(mark); };
  if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF") ||
      startsWith(std::string_view("\0\0\xFE\xFF", 4)))
    return false;
  return text.find('\0') == std::string::npos;
}

}  // namespace

uint32_t ReadEditableText(const std::string& path, std::string& text) {
  const uint32_t status = ReadFileText(path, text);
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return ERROR_SUCCESS;
  if (status == ERROR_SUCCESS && !IsEightBitText(text)) {
    text.clear();
    return kNotTextStatus;
  }
  if (status != ERROR_SUCCESS) text.clear();
  // Earlier versions wrote these files in the system's code page; what this
  // one writes back is its own text, so a file is carried over as it is saved.
  text = TextOfOldFile(text);
  return status;
}

std::string UnreadableReason(uint32_t status) {
  switch (ReadStatusOf(status)) {
    case ERROR_FILE_TOO_LARGE:
      return "it is larger than " + std::to_string(kMaxTextFileSize >> 20) + " MiB";
    case kNotTextStatus: return "it is not UTF-8 or ANSI text";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "another program holds it open";
    case ERROR_ACCESS_DENIED: return "access to it is denied";
    default: return "error " + std::to_string(ReadStatusOf(status));
  }
}

uint32_t ReadFileText(const std::string& path, std::string& text) {
  text.clear();
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return GetLastError();
  if (uint64_t(size.QuadPart) > kMaxTextFileSize) return ERROR_FILE_TOO_LARGE;
  text.resize(size_t(size.QuadPart));
  size_t done = 0;
  while (done < text.size()) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), text.data() + done, DWORD(text.size() - done), &read, nullptr))
      return GetLastError();
    if (read == 0) break;
    done += read;
  }
  text.resize(done);
  return ERROR_SUCCESS;
}

uint32_t ReplaceFileText(const std::string& path, const std::string& text) {
  return ReplaceFileText(path, text, MoveRetries{});
}

uint32_t ReplaceFileText(const std::string& path, const std::string& text,
                         const MoveRetries& retries) {
  if (IsReadOnly(path)) return ERROR_ACCESS_DENIED;
  const std::string temporary = path + kTemporarySuffix;
  uint32_t status = WriteFlushed(temporary, text);
  if (status == ERROR_SUCCESS) status = MoveIntoPlace(temporary, path, retries);
  if (status != ERROR_SUCCESS) DeleteFileA(temporary.c_str());
  return status;
}

}  // namespace hvm
