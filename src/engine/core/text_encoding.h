// The program's text and the other forms it meets. Text is bytes in the
// process's active code page, which the manifests set to UTF-8 (Windows 10
// version 1903 and later and Wine 8 honour it), so that every character of a
// key, value or path passes through the ANSI ("A") functions. Older systems
// ignore that setting: their active code page is the system's, as it always
// was. Where a function or a file has no path for that text, it is converted
// here, at that one boundary.
#pragma once

#include <string>
#include <string_view>

#include "engine/core/utf8.h"

namespace hvm {

// Whether the active code page is UTF-8 (the manifest was honoured).
bool ProgramTextIsUtf8();

// The code page of the system's locale: what the ANSI functions used before
// the manifest set UTF-8, and so what files of earlier versions are written in.
unsigned SystemCodePage();

// The program's text as UTF-16 for the wide ("W") functions.
std::wstring WideFromText(std::string_view text);
// `text` in code page `codePage` as UTF-16, exactly as the ANSI functions of
// that code page pass it on; false when a byte is no text in it (the
// platforms differ in what they make of such bytes).
bool ExactWideOf(unsigned codePage, std::string_view text, std::wstring* wide);
// UTF-16 as the program's text. A character the active code page cannot hold
// (any character outside an older system's code page; a lone surrogate under
// UTF-8) becomes a stand-in and clears `*exact`.
std::string TextFromWide(std::wstring_view wide, bool* exact = nullptr);

// UTF-8 for what must be UTF-8 whatever the code page (JSON); bytes that
// are no text in the active code page become U+FFFD.
std::string Utf8FromText(std::string_view text);

// Text of a file that earlier versions wrote in the system's code page and
// that this one writes as its own text (the settings file, the ignore file,
// the cannot-remove file, the batch file and single-byte undo snapshots).
// Line by line, since such a file may have lines of both appended: a line
// that is well-formed UTF-8 is taken as it is, any other line is converted
// from the system's code page. A file that begins with the UTF-8 byte-order
// mark says what it is and is taken as it is, as is every file on a system
// whose active code page is its own.
std::string TextOfOldFile(std::string_view bytes);
// The same for one piece of such a file's text (the data of a value).
std::string TextOfOldBytes(std::string_view bytes);

// How many characters (UTF-16 units) the text shows as, and its first
// `units` of them, never half a character: for lines cut to a width.
size_t TextUnits(std::string_view text);
std::string TextStart(std::string_view text, size_t units);
// The longest start of the text of at most `maxBytes` bytes that ends on a
// whole character: for the fixed buffers of the ANSI structures.
std::string_view TextWithinBytes(std::string_view text, size_t maxBytes);

// The program's text to UTF-16LE bytes and back through the active code page.
extern const TextCodec kProgramTextCodec;

}  // namespace hvm
