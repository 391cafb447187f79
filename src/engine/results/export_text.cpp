#include "engine/results/export_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>

namespace hvm {
namespace {

// Past this length a hexadecimal line is continued on the next one.
constexpr size_t kWrapLength = 75;
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kEntrySeparator = "\\\\:";

char Upper(char c) {
  return char(std::toupper(static_cast<unsigned char>(c)));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char a, char b) { return Upper(a) == Upper(b); });
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

constexpr std::string_view kNulUnit("\0\0", 2);

// Stored text (UTF-16LE) that a quoted line gives back exactly, as the
// program's text: whole units, one terminating NUL and no other, and every
// character one the codec carries.
std::optional<std::string> QuotableText(std::string_view stored, const TextCodec& codec) {
  if (stored.size() < 2 || stored.size() % 2 != 0 || !stored.ends_with(kNulUnit))
    return std::nullopt;
  const std::string_view body = stored.substr(0, stored.size() - 2);
  for (size_t i = 0; i < body.size(); i += 2)
    if (body.substr(i, 2) == kNulUnit) return std::nullopt;
  std::string text;
  if (!codec.fromUtf16Le(body, text)) return std::nullopt;
  return text;
}

std::string NamePart(std::string_view name) {
  return name.empty() ? std::string("@") : "\"" + std::string(name) + "\"";
}

// Text of a string kind that a quoted line or a "hex(2)/(7)" line gives back
// exactly: one terminating NUL and no other.
bool IsPlainText(std::string_view data) {
  return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1;
}

void AppendPair(std::string& line, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  line += kDigits[byte >> 4];
  line += kDigits[byte & 0x0F];
}

// `prefix` then the bytes as pairs; in the wide form every byte but the last
// is followed by a "00" pair. Lines longer than kWrapLength are continued.
std::string HexLines(std::string_view prefix, std::string_view data, bool wide) {
  std::string out;
  std::string line(prefix);
  for (size_t i = 0; i < data.size(); ++i) {
    AppendPair(line, static_cast<unsigned char>(data[i]));
    if (i + 1 == data.size()) break;
    line += wide ? ",00," : ",";
    if (line.size() > kWrapLength) {
      out += kCrLf;
      out += line + "\\";
      line.clear();
    }
  }
  out += kCrLf;
  out += line;
  out += kCrLf;
  return out;
}

std::string TypedPrefix(std::string_view namePart, uint32_t type) {
  char number[16];
  std::snprintf(number, sizeof(number), "%x", unsigned(type));
  return std::string(namePart) + "=hex(" + number + "):";
}

std::string DwordLine(const ExportDialect& dialect, std::string_view namePart,
                      std::string_view data) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(static_cast<unsigned char>(data[i])) << (8 * i);
  char text[32];
  if (dialect.dwordHex)
    std::snprintf(text, sizeof(text), "dword:%08X", unsigned(value));
  else
    std::snprintf(text, sizeof(text), "%d", int(int32_t(value)));
  return std::string(kCrLf) + std::string(namePart) + "=" + text;
}

std::string RemoveBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\t') out += c;
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Upper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "AB,01,FF" -> bytes. Each item must be exactly two digits.
std::string ParseHexBytes(std::string_view text) {
  const std::string digits = RemoveBlanks(text);
  std::string bytes;
  if (digits.empty()) return bytes;
  size_t at = 0;
  while (true) {
    if (at + 2 > digits.size()) throw ExportFormatError("incomplete byte in \"" + digits + "\"");
    const int high = HexDigit(digits[at]);
    const int low = HexDigit(digits[at + 1]);
    if (high < 0 || low < 0) throw ExportFormatError("not a byte in \"" + digits + "\"");
    bytes += char(high * 16 + low);
    at += 2;
    if (at == digits.size()) return bytes;
    if (digits[at] != ',' || at + 1 == digits.size())
      throw ExportFormatError("malformed byte list \"" + digits + "\"");
    ++at;
  }
}

// Characters of wide text are byte pairs whose second byte must be 0; the
// single byte after the last character is the terminator.
std::string NarrowFromWide(const std::string& bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i + 1 < bytes.size() && bytes[i + 1] != '\0')
      throw ExportFormatError("a character outside the single-byte range");
    text += bytes[i];
  }
  return text;
}

std::string DwordBytes(uint32_t value) {
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i) bytes[i] = char((value >> (8 * i)) & 0xFF);
  return bytes;
}

uint32_t ParseNumber(std::string_view text, int base) {
  bool negative = false;
  if (base == 10 && !text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  const uint64_t limit = negative ? 0x80000000ull : 0xFFFFFFFFull;
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > limit)
    throw ExportFormatError("\"" + std::string(text) + "\" is not a valid integer value");
  return negative ? uint32_t(0 - value) : uint32_t(value);
}

ParsedValue ParseTyped(std::string_view dataText, bool wideText) {
  if (StartsWithNoCase(dataText, "hex:"))
    return {regtype::kBinary, ParseHexBytes(dataText.substr(4))};
  if (StartsWithNoCase(dataText, "hex(")) {
    const size_t close = dataText.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12)
      throw ExportFormatError("malformed type in \"" + std::string(dataText.substr(0, 16)) + "\"");
    const uint32_t type = ParseNumber(dataText.substr(4, close - 4), 16);
    std::string bytes = ParseHexBytes(dataText.substr(close + 2));
    if ((type == regtype::kExpandString || type == regtype::kMultiString) && wideText)
      bytes = NarrowFromWide(bytes);
    return {type, std::move(bytes)};
  }
  if (StartsWithNoCase(dataText, "dword:"))
    return {regtype::kDword, DwordBytes(ParseNumber(dataText.substr(6), 16))};
  return {regtype::kDword, DwordBytes(ParseNumber(dataText, 10))};
}

ParsedValue ParseQuoted(std::string_view dataText) {
  std::string_view text = dataText.substr(1);
  if (!text.empty() && text.back() == '"') {
    size_t backslashes = 0;
    while (backslashes + 1 < text.size() && text[text.size() - 2 - backslashes] == '\\')
      ++backslashes;
    if (backslashes % 2 == 0) text.remove_suffix(1);
  }
  std::string data = UnescapeRegString(text);
  data += '\0';
  return {regtype::kString, std::move(data)};
}

// The name part of a value line: a quoted name up to its closing quote before
// "=", or the text before the first "=".
std::string_view NamePartOf(std::string_view line) {
  if (!line.empty() && line.front() == '"') {
    const size_t close = line.find("\"=", 1);
    if (close != std::string_view::npos) return line.substr(0, close + 1);
  }
  return line.substr(0, line.find('='));
}

}  // namespace

std::string EscapeRegString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeRegString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] != '\\' || (next != 'r' && next != 'n' && next != '"' && next != '\\')) {
      out += text[i];
      continue;
    }
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    ++i;
  }
  return out;
}

std::string KeyLine(std::string_view keyText) {
  return std::string(kCrLf) + "[" + std::string(keyText) + "]";
}

bool KeyNameWritable(std::string_view keyName) {
  return keyName.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool ValueNameWritable(std::string_view valueName) {
  return valueName.find_first_of(std::string_view("\r\n\"\0", 4)) == std::string_view::npos;
}

namespace {

// The registry editor's form: text kinds as the registry stores them.
std::string StoredValueLines(const ExportDialect& dialect, const std::string& namePart,
                             uint32_t type, std::string_view data) {
  if (type == regtype::kString) {
    if (const std::optional<std::string> text = QuotableText(data, *dialect.utf16))
      return std::string(kCrLf) + namePart + "=\"" + EscapeRegString(*text) + "\"";
  } else if (type == regtype::kDword && data.size() == 4) {
    return DwordLine(dialect, namePart, data);
  } else if (type == regtype::kBinary) {
    return HexLines(namePart + "=hex:", data, false);
  }
  return HexLines(TypedPrefix(namePart, type), data, false);
}

}  // namespace

std::string ValueLines(const ExportDialect& dialect, std::string_view name, uint32_t type,
                       std::string_view data) {
  const std::string namePart = NamePart(name);
  if (dialect.utf16) return StoredValueLines(dialect, namePart, type, data);
  switch (type) {
    case regtype::kString:
      if (!IsPlainText(data)) break;
      return std::string(kCrLf) + namePart + "=\"" +
             EscapeRegString(data.substr(0, data.size() - 1)) + "\"";
    case regtype::kExpandString:
    case regtype::kMultiString:
      return HexLines(TypedPrefix(namePart, type), data, dialect.wideText);
    case regtype::kBinary: return HexLines(namePart + "=hex:", data, false);
    case regtype::kDword:
      if (data.size() == 4) return DwordLine(dialect, namePart, data);
      break;
  }
  return HexLines(TypedPrefix(namePart, type), data, false);
}

bool IsSnapshotHeader(std::string_view line) {
  return EqualsNoCase(line, kHeaderNarrow) || EqualsNoCase(line, kHeaderWide);
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

namespace {

std::string_view WithoutByteOrderMark(std::string_view text) {
  if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
    text.remove_prefix(kUtf8ByteOrderMark.size());
  return text;
}

std::string_view FirstLine(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

char16_t UnitAt(std::string_view bytes, size_t at) {
  return char16_t(static_cast<unsigned char>(bytes[at]) |
                  (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

// Offset of the first line feed unit at or after `from` (an even offset of
// the file), or npos.
size_t FindUtf16LineFeed(std::string_view bytes, size_t from) {
  for (size_t at = from; at + 1 < bytes.size(); at += 2)
    if (UnitAt(bytes, at) == u'\n') return at;
  return std::string_view::npos;
}

// The first line of the file when it is ended by a line end and could be a
// header (ASCII); nothing otherwise.
std::optional<std::string> HeaderLine(std::string_view fileText) {
  if (!IsUtf16Text(fileText)) {
    const std::string_view text = WithoutByteOrderMark(fileText);
    if (text.find('\n') == std::string_view::npos) return std::nullopt;
    return std::string(FirstLine(text));
  }
  const size_t end = FindUtf16LineFeed(fileText, kUtf16LeByteOrderMark.size());
  if (end == std::string_view::npos) return std::nullopt;
  std::string line;
  for (size_t at = kUtf16LeByteOrderMark.size(); at < end; at += 2) {
    const char16_t unit = UnitAt(fileText, at);
    if (unit == 0 || unit > 0x7F) return std::nullopt;
    line += char(unit);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// One line of a snapshot in the program's text, and whether it came there
// exactly (a line of a UTF-16 file may hold a character the codec cannot carry).
struct SnapshotLine {
  std::string text;
  bool exact = true;
};

std::vector<SnapshotLine> SnapshotLines(std::string_view fileText, const TextCodec& codec) {
  std::vector<SnapshotLine> lines;
  if (!IsUtf16Text(fileText)) {
    for (std::string& line : SplitTextLines(WithoutByteOrderMark(fileText)))
      lines.push_back({std::move(line), true});
    return lines;
  }
  size_t start = kUtf16LeByteOrderMark.size();
  while (start < fileText.size()) {
    size_t end = FindUtf16LineFeed(fileText, start);
    if (end == std::string_view::npos) end = fileText.size();
    std::string_view units = fileText.substr(start, end - start);
    if (units.size() >= 2 && units.size() % 2 == 0 && UnitAt(units, units.size() - 2) == u'\r')
      units.remove_suffix(2);
    SnapshotLine line;
    line.exact = codec.fromUtf16Le(units, line.text);
    lines.push_back(std::move(line));
    start = end + 2;
  }
  return lines;
}

constexpr char kCutShort[] = "its export in the snapshot was cut short";
constexpr char kHoldsNul[] = "its line in the snapshot holds a NUL byte";
constexpr char kBeyondCodePage[] =
    "its line in the snapshot holds a character this system's code page cannot hold";
constexpr char kUnreadableLine[] = "a line before it in its block of the snapshot cannot be read";
constexpr char kAfterOpenKeyLine[] =
    "it follows a key line without its \"]\" in the snapshot, so its key may be the end of "
    "another key's name";

// Why a line cannot be read back exactly, or null.
const char* LineProblem(const SnapshotLine& line) {
  if (line.text.find('\0') != std::string::npos) return kHoldsNul;
  return line.exact ? nullptr : kBeyondCodePage;
}

// "@=..." or "\"name\"=...".
bool IsValueLine(std::string_view line) {
  if (line.size() >= 2 && line[0] == '@' && line[1] == '=') return true;
  return line.size() >= 3 && line[0] == '"' && line.find("\"=", 1) != std::string_view::npos;
}

// Quoted data ends with a quote no backslash escapes.
bool QuotedDataClosed(std::string_view data) {
  if (data.size() < 2 || data.back() != '"') return false;
  size_t backslashes = 0;
  while (backslashes + 2 < data.size() && data[data.size() - 2 - backslashes] == '\\')
    ++backslashes;
  return backslashes % 2 == 0;
}

// A comment's text without the blanks around it.
std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// One pass over the lines of a snapshot; see SnapshotItem for what it refuses.
class SnapshotReader {
 public:
  std::vector<SnapshotItem> Read(std::string_view fileText, const TextCodec& codec) {
    const std::vector<SnapshotLine> lines = SnapshotLines(fileText, codec);
    for (size_t i = 1; i < lines.size(); ++i) {
      lineProblem_ = LineProblem(lines[i]);
      Take(lines[i].text);
    }
    if (continuing_) CutShort();
    CloseKey(nullptr);
    return std::move(items_);
  }

 private:
  void Take(const std::string& line) {
    const bool keyLine = !line.empty() && line.front() == '[';
    if (continuing_) {
      if (!line.empty() && !keyLine) {
        if (lineProblem_) Refuse(value_, lineProblem_);
        AddPiece(line);
        return;
      }
      CutShort();
    }
    if (line.empty()) {
      afterOpenKeyLine_ = false;
    } else if (keyLine) {
      TakeKeyLine(line);
    } else if (line.front() == ';') {
      // Part of no entry; the key lines that follow carry it as their note.
      note_ = Trimmed(std::string_view(line).substr(1));
    } else if (!inKey_) {
      // A line under no key line: part of no entry.
    } else if (IsValueLine(line)) {
      StartValue(line);
    } else {
      Refuse(blockRefusal_, kUnreadableLine);
    }
  }

  void TakeKeyLine(const std::string& line) {
    const bool closed = line.size() >= 2 && line.back() == ']';
    std::string next = closed ? line.substr(1, line.size() - 2) : std::string();
    CloseKey(closed ? &next : nullptr);
    inKey_ = closed;
    if (!closed) {
      afterOpenKeyLine_ = true;
      return;
    }
    key_ = std::move(next);
    keyNote_ = note_;
    keyHasValues_ = false;
    blockRefusal_.clear();
    if (afterOpenKeyLine_) Refuse(blockRefusal_, kAfterOpenKeyLine);
    if (lineProblem_) Refuse(blockRefusal_, lineProblem_);
  }

  // The key line before `next` (null: not a key) without values is an entry of its own,
  // unless the same key goes on.
  void CloseKey(const std::string* next) {
    if (inKey_ && !keyHasValues_ && (!next || *next != key_))
      items_.push_back({key_, "", "", blockRefusal_, keyNote_});
  }

  void StartValue(std::string_view line) {
    const std::string_view namePart = NamePartOf(line);
    value_ = {key_, std::string(namePart), "", blockRefusal_, keyNote_};
    if (lineProblem_) Refuse(value_.refusal, lineProblem_);
    AddPiece(line.substr(namePart.size() + 1));
  }

  void AddPiece(std::string_view piece) {
    continuing_ = !piece.empty() && piece.back() == '\\';
    if (continuing_) {
      value_.data.append(piece.substr(0, piece.size() - 1));
      return;
    }
    value_.data.append(piece);
    if (!value_.data.empty() && value_.data.front() == '"' && !QuotedDataClosed(value_.data))
      Refuse(value_.refusal, kCutShort);
    FinishValue();
  }

  void CutShort() {
    Refuse(value_.refusal, kCutShort);
    FinishValue();
  }

  void FinishValue() {
    // A part of a value must never be written.
    if (!value_.refusal.empty()) value_.data.clear();
    items_.push_back(std::move(value_));
    value_ = {};
    continuing_ = false;
    keyHasValues_ = true;
  }

  static void Refuse(std::string& refusal, const char* why) {
    if (refusal.empty()) refusal = why;
  }
  static void Refuse(SnapshotItem& item, const char* why) { Refuse(item.refusal, why); }

  std::vector<SnapshotItem> items_;
  std::string key_;
  bool inKey_ = false;
  bool keyHasValues_ = false;
  std::string blockRefusal_;  // of every entry still to come in this block
  std::string note_;          // of the last comment line
  std::string keyNote_;       // of the last comment line before the current key line
  bool afterOpenKeyLine_ = false;
  bool continuing_ = false;
  SnapshotItem value_;
  const char* lineProblem_ = nullptr;  // of the line being taken
};

}  // namespace

bool IsUtf16Text(std::string_view fileText) {
  return fileText.starts_with(kUtf16LeByteOrderMark);
}

bool IsSnapshotText(std::string_view fileText) {
  const std::optional<std::string> header = HeaderLine(fileText);
  return header && IsSnapshotHeader(*header);
}

std::string_view CompleteLines(std::string_view fileText) {
  if (!IsUtf16Text(fileText)) return fileText.substr(0, fileText.find_last_of('\n') + 1);
  size_t end = kUtf16LeByteOrderMark.size();
  for (size_t at = end; at + 1 < fileText.size(); at += 2)
    if (UnitAt(fileText, at) == u'\n') end = at + 2;
  return fileText.substr(0, end);
}

bool FileHasWideText(std::string_view fileText) {
  const std::optional<std::string> header = HeaderLine(fileText);
  return !header || !EqualsNoCase(*header, kHeaderNarrow);
}

SnapshotTextForm TextFormOf(std::string_view fileText, const TextCodec& codec) {
  return {FileHasWideText(fileText), IsUtf16Text(fileText) ? &codec : nullptr};
}

std::vector<SnapshotItem> ReadSnapshotItems(std::string_view fileText, const TextCodec& codec) {
  if (!IsSnapshotText(fileText)) return {};
  return SnapshotReader().Read(fileText, codec);
}

std::vector<std::string> ListSnapshotEntries(std::string_view fileText, const TextCodec& codec) {
  std::vector<std::string> entries;
  for (const SnapshotItem& item : ReadSnapshotItems(fileText, codec))
    entries.push_back(ListedEntryOf(item));
  return entries;
}

std::string ListedEntryOf(const SnapshotItem& item) {
  return item.namePart.empty() ? item.key : item.key + std::string(kEntrySeparator) + item.namePart;
}

std::vector<std::string> FindValueData(std::string_view fileText, std::string_view keyText,
                                       std::string_view nameAsListed, const TextCodec& codec) {
  return SnapshotValueIndex(fileText, codec).Find(keyText, nameAsListed);
}

namespace {

std::string IndexKey(std::string_view keyText, std::string_view namePart) {
  std::string key(keyText);
  key += '\n';
  for (char c : namePart) key += Upper(c);
  return key;
}

}  // namespace

SnapshotValueIndex::SnapshotValueIndex(std::string_view fileText, const TextCodec& codec) {
  for (SnapshotItem& item : ReadSnapshotItems(fileText, codec)) {
    const std::string key = IndexKey(item.key, item.namePart);
    if (!item.refusal.empty())
      refusals_.emplace(key, std::move(item.refusal));
    else if (!item.namePart.empty())
      values_[key].push_back(std::move(item.data));
  }
}

std::string SnapshotValueIndex::Refusal(std::string_view keyText,
                                        std::string_view nameAsListed) const {
  const auto found = refusals_.find(IndexKey(keyText, nameAsListed));
  return found == refusals_.end() ? std::string() : found->second;
}

std::vector<std::string> SnapshotValueIndex::Find(std::string_view keyText,
                                                  std::string_view nameAsListed) const {
  const auto found = values_.find(IndexKey(keyText, nameAsListed));
  return found == values_.end() ? std::vector<std::string>() : found->second;
}

ParsedValue ParseExportData(std::string_view dataText, bool wideText) {
  if (!dataText.empty() && dataText.front() == '"') return ParseQuoted(dataText);
  return ParseTyped(dataText, wideText);
}

ParsedValue ParseExportData(std::string_view dataText, const SnapshotTextForm& form) {
  if (!form.utf16) return ParseExportData(dataText, form.wideText);
  ParsedValue value;
  if (!dataText.empty() && dataText.front() == '"') {
    value = ParseQuoted(dataText);
    value.data.pop_back();
    value.data = form.utf16->toUtf16Le(value.data) + std::string(kNulUnit);
  } else {
    // The bytes are the stored ones already, two a character for text.
    value = ParseTyped(dataText, false);
  }
  value.stored = true;
  return value;
}

std::string RegistryNameOf(std::string_view namePart) {
  if (namePart == "@") return "";
  if (!namePart.empty() && namePart.front() == '"') namePart.remove_prefix(1);
  if (!namePart.empty() && namePart.back() == '"') namePart.remove_suffix(1);
  return std::string(namePart);
}

}  // namespace hvm
