#include "engine/core/text_case.h"

#include <windows.h>

namespace hvm {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  if (upper.empty()) return upper;
  // Plain ASCII folds the same in every code page (the system folds by its
  // file-system rules, not by a language's), without a call.
  bool ascii = true;
  for (char& c : upper) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  if (ascii) return upper;
  const int length = LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, text.data(),
                                  int(text.size()), upper.data(), int(upper.size()));
  // Folding never changes the length in a single-byte code page; should it
  // fail, the plain ASCII folding is the safe answer.
  if (length != int(text.size())) {
    upper.assign(text);
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return upper;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         UpperCase(text.substr(0, prefix.size())) == UpperCase(prefix);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

}  // namespace hvm
