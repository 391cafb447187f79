// Registry-export text: the lines of an undo snapshot and the two readers that
// take them back. Pure text in, text out; no platform header, so that the
// readers can be fuzzed natively.
//
// Every value kind has a line: text kinds in their usual forms, anything the
// usual forms cannot carry byte for byte as "hex(N):" with the platform type
// number, so that every deleted value can be put back exactly.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/core/utf8.h"

namespace hvm {

// Platform value type numbers, repeated here so the text stays platform-free.
namespace regtype {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kString = 1;
inline constexpr uint32_t kExpandString = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiString = 7;
}  // namespace regtype

inline constexpr std::string_view kHeaderNarrow = "REGEDIT4";
inline constexpr std::string_view kHeaderWide = "Windows Registry Editor Version 5.00";

// The shape of the text. The readers take both headers, both encodings and
// both forms of each value kind, so that snapshots of every dialect can be
// restored.
struct ExportDialect {
  std::string_view header;
  bool wideText = false;  // "hex(2):"/"hex(7):" characters take two bytes
  bool dwordHex = false;  // a 4-byte DWORD as "dword:XXXXXXXX", else decimal
  // Set: the registry editor's own export form. The file is UTF-16LE text
  // behind its byte-order mark, and the data of every text kind is given to
  // ValueLines as the registry stores it (UTF-16LE bytes, ReadStoredValue):
  // plain text is written quoted, turned into the program's text through
  // this codec, and anything else as its stored bytes ("hex(1):",
  // "hex(2):", "hex(7):"). Every character survives, on any code page.
  const TextCodec* utf16 = nullptr;
};

// The single-byte form earlier versions wrote undo snapshots in: "REGEDIT4",
// text in the system's code page, a DWORD as "dword:". The system's registry
// editor reads such a file in its own code page, so characters beyond it
// cannot travel in it; snapshots are written in the UTF-16 form now
// (kSnapshotDialect, snapshot_file.h).
inline constexpr ExportDialect kRegedit4Dialect{kHeaderNarrow, false, true};

// CR -> \r, LF -> \n, " -> \", \ -> \\; every other byte unchanged.
std::string EscapeRegString(std::string_view text);
// The reverse; a backslash before anything else (or at the end) stays.
std::string UnescapeRegString(std::string_view text);

// "\r\n[" + key + "]".
std::string KeyLine(std::string_view keyText);

// Whether a name comes back exactly, and alone, from the lines KeyLine and
// ValueLines make of it, through the readers here and the system's registry
// editor. A line break would end the line early and let the rest read as
// lines of their own (another key, a value of it); a NUL ends the name for
// every reader; a double quote ends a value's name part. "[" and "]" are
// plain characters of a key line, which ends at its last "]".
bool KeyNameWritable(std::string_view keyName);
bool ValueNameWritable(std::string_view valueName);

// The value line(s) of one value, each preceded by CR LF; a hexadecimal form
// is followed by one more CR LF (an empty line). An empty name is "@".
std::string ValueLines(const ExportDialect& dialect, std::string_view name, uint32_t type,
                       std::string_view data);

// Whether `line` is one of the two headers, in any letter case.
bool IsSnapshotHeader(std::string_view line);

// What some editors put before the first line when they save a file.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// What begins a UTF-16LE file, the registry editor's export form.
inline constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";

// Whether `fileText` (or its start) is an undo snapshot: its first line is
// one of the two headers and is ended by a line end, in single-byte text
// (after a UTF-8 byte-order mark or none) or in UTF-16LE text after its
// byte-order mark. The one test the writer (which adds to a snapshot and to
// nothing else) and the readers (which read nothing else) share.
bool IsSnapshotText(std::string_view fileText);
// Whether the file's text is UTF-16LE: it begins with that byte-order mark.
// A writer adds to a snapshot of its own encoding only.
bool IsUtf16Text(std::string_view fileText);

// The file's text up to and with its last line end: a last line without
// one was cut off by a crash, in either encoding.
std::string_view CompleteLines(std::string_view fileText);

// The lines of a text file: split at LF, a CR before it dropped.
std::vector<std::string> SplitTextLines(std::string_view text);

// One entry of a snapshot as the reader found it.
struct SnapshotItem {
  std::string key;
  std::string namePart;  // "" for a key line without values
  std::string data;      // the data text of a value, continuations joined
  // Why the entry cannot be read back exactly; "" when it can. The reader
  // refuses rather than guesses: a value cut short, a line holding a NUL, and
  // every entry after a line that is neither header, key line, value line,
  // continuation, comment nor blank, up to the next key line. A key line
  // without its "]" names no key; since a key name with a line break in it
  // looks just like that, followed by what seems a key line of its own, the
  // key lines up to the next blank line are refused with it.
  std::string refusal;
  // The last comment line before it, without its ";" (a repair notes there
  // what removed the block); "" when none came before.
  std::string note;
};

// The reader: every value line and every key line without values, in file
// order; nothing for text that is not a snapshot. Lines before the first key
// line, and those under a key line without its "]", belong to no entry.
// The lines of a UTF-16 file come into the program's text through `codec`
// (the program passes the active code page's; UTF-8 is that under the
// manifest, and the text of native builds); an entry whose line holds a
// character the codec cannot carry is refused.
std::vector<SnapshotItem> ReadSnapshotItems(std::string_view fileText,
                                            const TextCodec& codec = kUtf8TextCodec);

// Listing reader: the entries of a snapshot in file order, each "key\\:name
// part" for a value line or "key" for a key line without values.
std::vector<std::string> ListSnapshotEntries(std::string_view fileText,
                                             const TextCodec& codec = kUtf8TextCodec);
// One item as the listing reader lists it.
std::string ListedEntryOf(const SnapshotItem& item);

// Value reader: the data text of every complete value line of `nameAsListed`
// (compared without regard to case) under "[keyText]", in file order. A line
// cut short by the end of the file, an empty line or another key line is left
// out.
std::vector<std::string> FindValueData(std::string_view fileText, std::string_view keyText,
                                       std::string_view nameAsListed,
                                       const TextCodec& codec = kUtf8TextCodec);

// The value reader for many look-ups: the file is read once, and each Find
// answers what FindValueData would.
class SnapshotValueIndex {
 public:
  explicit SnapshotValueIndex(std::string_view fileText, const TextCodec& codec = kUtf8TextCodec);
  std::vector<std::string> Find(std::string_view keyText, std::string_view nameAsListed) const;
  // Why an entry ("" as the name part: the key listed whole) cannot be read
  // back exactly, when any of its exports was refused; "" otherwise.
  std::string Refusal(std::string_view keyText, std::string_view nameAsListed) const;

 private:
  // Key text, a line feed and the upper-cased name part -> data texts.
  std::unordered_map<std::string, std::vector<std::string>> values_;
  // The same keys -> the first reason an export of it was refused.
  std::unordered_map<std::string, std::string> refusals_;
};

// Whether the file's header says characters of "hex(2):"/"hex(7):" data take
// two bytes (Version 5.00) rather than one (REGEDIT4).
bool FileHasWideText(std::string_view fileText);

// How a snapshot file holds the data of its text values.
struct SnapshotTextForm {
  bool wideText = false;             // "hex(2):"/"hex(7):" characters take two bytes
  const TextCodec* utf16 = nullptr;  // a UTF-16 file: text kinds as the registry stores them
};
SnapshotTextForm TextFormOf(std::string_view fileText, const TextCodec& codec);

// Data text that does not describe a value.
class ExportFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ParsedValue {
  uint32_t type = regtype::kNone;
  std::string data;     // the bytes to store
  bool stored = false;  // text kinds as the registry stores them (UTF-16LE), not as program text
};

// Turns the data text of one value line back into a type and bytes.
// Throws ExportFormatError for anything malformed; never guesses.
ParsedValue ParseExportData(std::string_view dataText, bool wideText);
// The same in a file of that form: in a UTF-16 file the text kinds come back
// stored, a quoted text through the form's codec.
ParsedValue ParseExportData(std::string_view dataText, const SnapshotTextForm& form);

// "@" -> "", "\"Name\"" -> "Name" (one quote off each end).
std::string RegistryNameOf(std::string_view namePart);

}  // namespace hvm
