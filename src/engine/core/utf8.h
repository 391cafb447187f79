// UTF-8 and UTF-16 as bytes, without a platform call: what the pure text
// formats need to tell and carry every character of a name.
#pragma once

#include <string>
#include <string_view>

namespace hvm {

// Whether `bytes` is well-formed UTF-8: no stray continuation byte, no
// sequence cut short, no overlong form, no surrogate, nothing past U+10FFFF.
// ASCII is UTF-8.
bool IsValidUtf8(std::string_view bytes);

// UTF-16LE bytes (two a unit, low byte first) of UTF-8 text. A byte that
// starts no well-formed sequence becomes U+FFFD and clears `*exact`.
std::string Utf16LeFromUtf8(std::string_view text, bool* exact = nullptr);

// UTF-8 of UTF-16LE bytes. A lone surrogate, or a last byte without its
// pair, becomes U+FFFD and clears `*exact`.
std::string Utf8FromUtf16Le(std::string_view bytes, bool* exact = nullptr);

// Turns the program's text into UTF-16LE bytes and back, for the file forms
// that hold UTF-16 (the undo snapshot). The program's text is in its active
// code page; a decode that cannot carry a character into it exactly says so
// and leaves a stand-in for it in `text`.
struct TextCodec {
  std::string (*toUtf16Le)(std::string_view text);
  bool (*fromUtf16Le)(std::string_view bytes, std::string& text);
};

// The codec of UTF-8 text: the program's text under its manifest, and the
// text of the native builds (fuzzing) that have no platform to ask.
extern const TextCodec kUtf8TextCodec;

}  // namespace hvm
