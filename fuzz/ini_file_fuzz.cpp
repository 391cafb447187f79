// fuzz-sources: src/engine/settings/ini_file.cpp
//
// libFuzzer target for the settings file's text layout. The input is a file
// text, then entries to write into it. A parsed file written out and parsed
// again must give the same text; an entry written must read back as written
// (on one line, trimmed), before and after a save and load; numbers must read
// back as they were written. Seeds: fuzz/corpus/ini_file/.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/settings/ini_file.h"

namespace {

using hvm::IniFile;

void Check(bool condition) {
  if (!condition) abort();
}

bool Blank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// A value as the file gives it back: line breaks as blanks, trimmed.
std::string AsRead(std::string_view text) {
  std::string value(text);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  while (!value.empty() && Blank(value.back())) value.pop_back();
  size_t start = 0;
  while (start < value.size() && Blank(value[start])) ++start;
  return value.substr(start);
}

// Names the file layout cannot carry back: a key with "=" is cut there when
// read, one starting with ";" reads as a comment and one starting with "["
// may read as a section line; a section name with a line break is allowed,
// as it is written on one line.
bool KeyReadsBack(std::string_view key) {
  const std::string trimmed = AsRead(key);
  return trimmed.find('=') == std::string::npos &&
         (trimmed.empty() || (trimmed.front() != ';' && trimmed.front() != '['));
}

void CheckNumbers(std::string_view text) {
  const std::optional<int32_t> number = hvm::ParseIniInteger(text);
  if (number) Check(hvm::ParseIniInteger(std::to_string(*number)) == number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider input(bytes, size);
  const std::string text = input.ConsumeRandomLengthString(size);
  IniFile file = IniFile::Parse(text);
  const std::string saved = file.Text();
  Check(IniFile::Parse(saved).Text() == saved);

  // Once a key the layout cannot carry back is written, its line may stand for
  // another key when read (the settings file's documented split at "="), so
  // reading back is only checked before that.
  bool layoutKept = true;
  while (input.remaining_bytes() > 0) {
    const std::string rawSection = input.ConsumeRandomLengthString(32);
    const std::string rawKey = input.ConsumeRandomLengthString(32);
    // Names are stored on one line and trimmed; the program reads them by those.
    const std::string section = AsRead(rawSection);
    const std::string key = AsRead(rawKey);
    const std::string value = input.ConsumeRandomLengthString(64);
    CheckNumbers(value);
    (void)file.ReadInteger(section, key, 7);
    (void)file.ReadBool(section, key, true);
    switch (input.ConsumeIntegralInRange(0, 3)) {
      case 0: file.EraseSection(section); break;
      case 1: file.DeleteKey(section, key); break;
      case 2: {
        layoutKept = layoutKept && KeyReadsBack(rawKey);
        const int32_t number = input.ConsumeIntegral<int32_t>();
        file.WriteInteger(rawSection, rawKey, number);
        Check(file.ReadInteger(section, key, number == 0 ? 1 : 0) == number);
        break;
      }
      default: {
        file.WriteString(rawSection, rawKey, value);
        layoutKept = layoutKept && KeyReadsBack(rawKey);
        const std::string expected = AsRead(value);
        // In memory a value is kept as written, on one line; the file trims it.
        std::string oneLine = value;
        for (char& c : oneLine)
          if (c == '\r' || c == '\n') c = ' ';
        Check(file.ReadString(section, key, "\x01") == oneLine);
        if (layoutKept) {
          const IniFile reloaded = IniFile::Parse(file.Text());
          Check(reloaded.ReadString(section, key, "\x01") == expected);
        }
      }
    }
    // Whatever was written, one save and load settles the text.
    const std::string settled = IniFile::Parse(file.Text()).Text();
    Check(IniFile::Parse(settled).Text() == settled);
  }
  return 0;
}
