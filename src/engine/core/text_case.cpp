#include "engine/core/text_case.h"

#include <windows.h>

#include "engine/core/text_encoding.h"

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
  // Folded as UTF-16: the ANSI form of the call reads its bytes in the
  // locale's code page, not in the active one (UTF-8).
  std::wstring wide = WideFromText(text);
  const int units = LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, wide.data(),
                                 int(wide.size()), wide.data(), int(wide.size()));
  if (units == int(wide.size())) upper = TextFromWide(wide);
  // Callers find places in the folded text and use them in the original, so
  // the length must stay. It does in a single-byte code page; under UTF-8 a
  // few letters take another number of bytes in their other case, and those
  // texts (like a failed call) take the plain ASCII folding.
  if (units != int(wide.size()) || upper.size() != text.size()) {
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

bool SameNameNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace hvm
