#include "engine/core/text_encoding.h"

#include <windows.h>

#include <cstring>

namespace hvm {
namespace {

std::wstring WideOf(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
  if (length > 0)
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), length);
  return wide;
}

// Under UTF-8 only WC_ERR_INVALID_CHARS tells a loss (a lone surrogate); the
// other code pages say it through the default character.
std::string BytesOf(UINT codePage, std::wstring_view wide, bool* exact) {
  if (wide.empty()) return {};
  const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && ProgramTextIsUtf8());
  BOOL usedDefault = FALSE;
  BOOL* lossSeen = utf8 ? nullptr : &usedDefault;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length = WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), nullptr, 0,
                                         nullptr, lossSeen);
  std::string text(size_t(length > 0 ? length : 0), '\0');
  if (length > 0)
    WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), text.data(), length,
                        nullptr, lossSeen);
  if (exact) {
    if (utf8)
      *exact = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), int(wide.size()),
                                   nullptr, 0, nullptr, nullptr) > 0;
    else
      *exact = !usedDefault;
  }
  return text;
}

std::string ToUtf16Le(std::string_view text) {
  const std::wstring wide = WideFromText(text);
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

bool FromUtf16Le(std::string_view bytes, std::string& text) {
  std::wstring wide(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = wchar_t(static_cast<unsigned char>(bytes[2 * i]) |
                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  bool exact = true;
  text = TextFromWide(wide, &exact);
  if (bytes.size() % 2 != 0) {
    text += '?';
    exact = false;
  }
  return exact;
}

}  // namespace

bool ProgramTextIsUtf8() {
  return GetACP() == CP_UTF8;
}

unsigned SystemCodePage() {
  static const unsigned codePage = [] {
    DWORD number = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&number), sizeof(number) / sizeof(wchar_t)) &&
        number != 0)
      return unsigned(number);
    // A locale without an ANSI code page of its own (Unicode-only locales).
    return unsigned(1252);
  }();
  return codePage;
}

std::wstring WideFromText(std::string_view text) {
  // Under UTF-8 the conversion is done here: every byte that starts no
  // character becomes one U+FFFD, where the platforms differ (Wine takes the
  // bytes after it into the same U+FFFD).
  if (!ProgramTextIsUtf8()) return WideOf(CP_ACP, text);
  const std::string units = Utf16LeFromUtf8(text);
  std::wstring wide(units.size() / 2, L'\0');
  std::memcpy(wide.data(), units.data(), units.size());
  return wide;
}

bool ExactWideOf(unsigned codePage, std::string_view text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                         int(text.size()), nullptr, 0);
  if (length <= 0) return false;
  wide->resize(size_t(length));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()),
                             wide->data(), length) == length;
}

std::string TextFromWide(std::wstring_view wide, bool* exact) {
  if (exact) *exact = true;
  return BytesOf(CP_ACP, wide, exact);
}

std::string Utf8FromText(std::string_view text) {
  if (ProgramTextIsUtf8())
    return IsValidUtf8(text) ? std::string(text) : Utf8FromUtf16Le(Utf16LeFromUtf8(text));
  return BytesOf(CP_UTF8, WideFromText(text), nullptr);
}

std::string TextOfOldBytes(std::string_view bytes) {
  if (!ProgramTextIsUtf8() || IsValidUtf8(bytes)) return std::string(bytes);
  return TextFromWide(WideOf(SystemCodePage(), bytes));
}

std::string TextOfOldFile(std::string_view bytes) {
  if (!ProgramTextIsUtf8() || bytes.starts_with("\xEF\xBB\xBF") || IsValidUtf8(bytes))
    return std::string(bytes);
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 2);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    text += TextOfOldBytes(bytes.substr(start, end - start));
    start = end;
  }
  return text;
}

size_t TextUnits(std::string_view text) {
  return WideFromText(text).size();
}

std::string TextStart(std::string_view text, size_t units) {
  const std::wstring wide = WideFromText(text);
  if (wide.size() <= units) return std::string(text);
  if (units > 0 && IS_HIGH_SURROGATE(wide[units - 1])) --units;
  return TextFromWide(std::wstring_view(wide).substr(0, units));
}

std::string_view TextWithinBytes(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  if (ProgramTextIsUtf8()) {
    // Back to the first byte of the character the cut falls in.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  } else {
    // A double-byte code page: the cut must not part a lead byte from its trail.
    size_t at = 0;
    while (at < maxBytes) {
      const size_t step = IsDBCSLeadByte(BYTE(text[at])) && at + 1 < text.size() ? 2 : 1;
      if (at + step > maxBytes) break;
      at += step;
    }
    end = at;
  }
  return text.substr(0, end);
}

const TextCodec kProgramTextCodec{ToUtf16Le, FromUtf16Le};

}  // namespace hvm
