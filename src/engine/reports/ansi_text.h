// Small single-byte text helpers for the template parser and the placeholder
// filler. Only ASCII letters change case, as with the platform's ANSI
// upper-casing of names; everything at or below the blank counts as blank.
#pragma once

#include <string>
#include <string_view>

namespace hvm::ansi_text {

inline bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

inline std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return out;
}

inline std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return out;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

inline bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace hvm::ansi_text
