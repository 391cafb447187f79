#include "cli/console_output.h"

#include <windows.h>

#include <io.h>

#include <cstdarg>

#include "engine/core/text_encoding.h"

namespace hvm {
namespace {

HANDLE HandleOf(std::FILE* stream) {
  const int descriptor = _fileno(stream);
  return descriptor < 0 ? INVALID_HANDLE_VALUE : HANDLE(_get_osfhandle(descriptor));
}

std::string Formatted(const char* format, va_list arguments) {
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) return "";
  std::string text(size_t(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, arguments);
  text.resize(size_t(length));
  return text;
}

}  // namespace

bool IsConsole(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(stream), &mode) != FALSE;
}

void WriteText(std::FILE* stream, std::string_view text) {
  if (text.empty()) return;
  if (!IsConsole(stream)) {
    std::fwrite(text.data(), 1, text.size(), stream);
    return;
  }
  std::fflush(stream);
  const std::wstring wide = WideFromText(text);
  const HANDLE console = HandleOf(stream);
  for (size_t done = 0; done < wide.size();) {
    DWORD written = 0;
    const DWORD chunk = DWORD(std::min<size_t>(wide.size() - done, 16384));
    if (!WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0)
      return;
    done += written;
  }
}

void PrintTo(std::FILE* stream, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = Formatted(format, arguments);
  va_end(arguments);
  WriteText(stream, text);
}

void Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = Formatted(format, arguments);
  va_end(arguments);
  WriteText(stdout, text);
}

}  // namespace hvm
