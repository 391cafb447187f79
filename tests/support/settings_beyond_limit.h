// A settings file the program must refuse to read: a custom skipped key, a
// server and a frequency that would be lost if defaults were written over
// them, behind a comment line that takes the file past the size limit.
#pragma once

#include <cstddef>
#include <string>

namespace hvm::test {

inline std::string SettingsTextBeyondTheSizeLimit() {
  std::string text =
      "[SkippedKeys]\r\nHKCU\\Software\\Mine=1\r\n[update]\r\nServer=http://127.0.0.1:8000/"
      "\r\n[settings]\r\nAutoFreq=2\r\n;";
  text.append(size_t(65) << 20, 'x');
  text += "\r\n";
  return text;
}

}  // namespace hvm::test
