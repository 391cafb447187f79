#include "engine/core/utf8.h"

#include <cstdint>

namespace hvm {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one well-formed sequence at text[at]; 0 when there is none.
size_t DecodeOne(std::string_view text, size_t at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, least = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, least = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, least = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendUnit(std::string& out, char16_t unit) {
  out += char(unit & 0xFF);
  out += char(unit >> 8);
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xF0 | (code >> 18));
    out += char(0x80 | ((code >> 12) & 0x3F));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

std::string Utf8CodecToUtf16(std::string_view text) {
  return Utf16LeFromUtf8(text);
}

bool Utf8CodecFromUtf16(std::string_view bytes, std::string& text) {
  bool exact = true;
  text = Utf8FromUtf16Le(bytes, &exact);
  return exact;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (size_t at = 0; at < bytes.size();) {
    char32_t code = 0;
    const size_t length = DecodeOne(bytes, at, code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string Utf16LeFromUtf8(std::string_view text, bool* exact) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t at = 0; at < text.size();) {
    char32_t code = 0;
    size_t length = DecodeOne(text, at, code);
    if (length == 0) {
      code = kReplacement;
      length = 1;
      if (exact) *exact = false;
    }
    at += length;
    if (code < 0x10000) {
      AppendUnit(out, char16_t(code));
    } else {
      code -= 0x10000;
      AppendUnit(out, char16_t(0xD800 | (code >> 10)));
      AppendUnit(out, char16_t(0xDC00 | (code & 0x3FF)));
    }
  }
  return out;
}

std::string Utf8FromUtf16Le(std::string_view bytes, bool* exact) {
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;
  const auto unit = [&](size_t i) {
    return char16_t(static_cast<unsigned char>(bytes[2 * i]) |
                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    const char16_t first = unit(i);
    char32_t code = first;
    if (first >= 0xD800 && first <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      code = 0x10000 + ((char32_t(first) - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (first >= 0xD800 && first <= 0xDFFF) {
      code = kReplacement;
      if (exact) *exact = false;
    }
    AppendUtf8(out, code);
  }
  if (bytes.size() % 2 != 0) {
    AppendUtf8(out, kReplacement);
    if (exact) *exact = false;
  }
  return out;
}

const TextCodec kUtf8TextCodec{Utf8CodecToUtf16, Utf8CodecFromUtf16};

}  // namespace hvm
