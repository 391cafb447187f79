#include "core/text_case.h"

#include <windows.h>

namespace hvm {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  if (upper.empty()) return upper;
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
