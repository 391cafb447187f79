#include "engine/reports/mime_decoding.h"

#include "engine/reports/ansi_text.h"

namespace hvm {
namespace {

using namespace ansi_text;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes four characters; "=" may fill the last one or two. False when the
// group is not valid base64.
bool AppendBase64Group(std::string_view group, std::string& body) {
  unsigned bits = 0;
  int fill = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = group[i];
    const int digit = Base64Digit(c);
    if (c == '=' && i >= 2) {
      ++fill;
    } else if (digit < 0 || fill > 0) {
      return false;
    }
    bits = (bits << 6) | unsigned(digit < 0 ? 0 : digit);
  }
  const char bytes[3] = {char(bits >> 16), char(bits >> 8), char(bits)};
  body.append(bytes, 3 - fill);
  return true;
}

}  // namespace

void AppendQuotedPrintableLine(std::string_view line, std::string& body) {
  const bool softBreak = !line.empty() && line.back() == '=';
  if (softBreak) line.remove_suffix(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '=' && i + 2 < line.size()) {
      const int hi = HexDigit(line[i + 1]);
      const int lo = HexDigit(line[i + 2]);
      if (hi >= 0 && lo >= 0) {
        body += char(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    body += line[i];
  }
  if (!softBreak) body += "\r\n";
}

void AppendPlainLine(std::string_view line, std::string& body) {
  body += line;
  body += "\r\n";
}

void Base64Lines::Append(std::string_view line, std::string& body) {
  const std::string text = carry_ + std::string(Trim(line));
  const std::size_t whole = text.size() / 4 * 4;
  for (std::size_t at = 0; at < whole; at += 4) {
    if (!AppendBase64Group(std::string_view(text).substr(at, 4), body)) break;
  }
  carry_ = text.substr(whole);
}

}  // namespace hvm
