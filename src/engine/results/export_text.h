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

// The shape of the text. The readers take both headers and both forms of
// each value kind, so that snapshots of every dialect can be restored.
struct ExportDialect {
  std::string_view header;
  bool wideText = false;  // "hex(2):"/"hex(7):" characters followed by "00,"
  bool dwordHex = false;  // a 4-byte DWORD as "dword:XXXXXXXX", else decimal
};

// What undo snapshots are written in: single-byte text under "REGEDIT4", a
// DWORD as "dword:". The system's registry editor reads this the same way on
// every Windows and under Wine (a "Version 5.00" file in single-byte text has
// its "hex(2):" bytes read as UTF-16 by some editors and as single-byte text
// by others, and decimal DWORD lines are skipped), so a snapshot can also be
// imported by hand.
inline constexpr ExportDialect kSnapshotDialect{kHeaderNarrow, false, true};

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

// Whether `fileText` (or its start) is an undo snapshot: its first line,
// after a UTF-8 byte-order mark or none, is one of the two headers and is
// ended by a line end. The one test the writer (which adds to a snapshot and
// to nothing else) and the readers (which read nothing else) share.
bool IsSnapshotText(std::string_view fileText);

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
};

// The reader: every value line and every key line without values, in file
// order; nothing for text that is not a snapshot. Lines before the first key
// line, and those under a key line without its "]", belong to no entry.
std::vector<SnapshotItem> ReadSnapshotItems(std::string_view fileText);

// Listing reader: the entries of a snapshot in file order, each "key\\:name
// part" for a value line or "key" for a key line without values.
std::vector<std::string> ListSnapshotEntries(std::string_view fileText);

// Value reader: the data text of every complete value line of `nameAsListed`
// (compared without regard to case) under "[keyText]", in file order. A line
// cut short by the end of the file, an empty line or another key line is left
// out.
std::vector<std::string> FindValueData(std::string_view fileText, std::string_view keyText,
                                       std::string_view nameAsListed);

// The value reader for many look-ups: the file is read once, and each Find
// answers what FindValueData would.
class SnapshotValueIndex {
 public:
  explicit SnapshotValueIndex(std::string_view fileText);
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

// Data text that does not describe a value.
class ExportFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ParsedValue {
  uint32_t type = regtype::kNone;
  std::string data;  // the bytes to store
};

// Turns the data text of one value line back into a type and bytes.
// Throws ExportFormatError for anything malformed; never guesses.
ParsedValue ParseExportData(std::string_view dataText, bool wideText);

// "@" -> "", "\"Name\"" -> "Name" (one quote off each end).
std::string RegistryNameOf(std::string_view namePart);

}  // namespace hvm
