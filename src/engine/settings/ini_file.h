// The text layout of an initialisation file, read and written as a whole.
// Pure text: no Windows header, so this also builds natively for fuzzing.
//
// Reading: lines end at CR, LF or CR LF and are trimmed of blanks and control
// characters; blank lines and lines beginning with ";" are skipped; "[name]"
// starts a section; any other line is an entry split at its first "=", both
// sides trimmed. Lines without "=" and entries before the first section name
// nothing and are dropped. Section names and keys match without regard to
// (ASCII) case; a repeated section continues the first, and of a repeated key
// the first value counts.
//
// Writing: sections in the order they first appeared (new ones at the end),
// each followed by one empty line; entries in the order they appeared (new
// keys at the end of their section); CR LF line ends; comments are not kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hvm {

class IniFile {
 public:
  IniFile() = default;
  static IniFile Parse(std::string_view text);
  std::string Text() const;

  bool SectionExists(std::string_view section) const;
  // Keys of the section in file order; none when the section is missing.
  std::vector<std::string> Keys(std::string_view section) const;
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal, or hexadecimal after "0x"; `fallback` when missing or unreadable.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // True for any readable number but 0; `fallback` when missing or unreadable.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Line breaks in names and values would start new lines in the file (and
  // could forge entries), so they are written as blanks.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> index;  // folded key -> entry
  };

  const Section* FindSection(std::string_view name) const;
  Section& SectionForWriting(std::string_view name);
  static void SetEntry(Section& section, std::string_view key, std::string_view value,
                       bool replace);

  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> sectionIndex_;  // folded name -> section
};

// A number as the settings file writes and reads it: optional sign and
// decimal digits, or "0x" and up to eight hexadecimal digits; nothing when the
// text is anything else or out of the 32-bit range.
std::optional<int32_t> ParseIniInteger(std::string_view text);

}  // namespace hvm
