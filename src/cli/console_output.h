// What the console program prints. Its text is UTF-8 (the active code page
// under the manifest); a console shows it only when it is handed over as
// UTF-16, whatever the console's own code page, while a pipe or a file takes
// the bytes as they are, so that scripts read UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace hvm {

// Writes `text` to `stream`: to a console with WriteConsoleW (after what the
// stream holds in its buffer), to anything else as bytes through the stream.
void WriteText(std::FILE* stream, std::string_view text);

// printf into WriteText.
void PrintTo(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether `stream` is a console.
bool IsConsole(std::FILE* stream);

}  // namespace hvm
