// The user's ignore file ("ignore.txt"): sections named by key texts, entry
// lines naming ignored values; a section without entries ignores the whole key.
// The file is appended to, so one key may head several sections; all of them
// count.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hvm {

inline constexpr char kIgnoreFileName[] = "ignore.txt";

struct IgnoreSection {
  std::string name;
  std::vector<std::string> entryLines;  // as written, e.g. `Name = data=""`
};

// The sections in file order; blank lines and lines before the first section
// are passed over.
std::vector<IgnoreSection> ParseIgnoreFile(std::string_view text);
std::string FormatIgnoreFile(const std::vector<IgnoreSection>& sections);

// An entry line's name: the text before its first "=", without surrounding blanks.
std::string IgnoreEntryName(std::string_view entryLine);

// Keys compare in one spelling: any case, long or short root name, with or
// without a trailing backslash (CanonicalKeyText).
// Whole key: some section is named `keyText`.
bool IgnoresKey(const std::vector<IgnoreSection>& sections, std::string_view keyText);
// Value: some section named `keyText` has an entry for the value part's name
// ("@" for the default value).
bool IgnoresValue(const std::vector<IgnoreSection>& sections, std::string_view keyText,
                  std::string_view valuePart);

// The lines `AddToIgnoreFile` appends for one problem line.
std::string IgnoreLinesFor(std::string_view problemLine);
// Lines that are not blank.
int CountNonBlankLines(std::string_view text);

// One row of the ignore list on the settings page.
struct IgnoreRow {
  std::string appliesTo;  // "Permanent", "All" or "Ignore List"
  std::string key;
};

// Protected keys, then the ignore file's sections (an "All" row per entry, or
// one for a section without entries), then the skipped keys (names before "=").
std::vector<IgnoreRow> IgnoreListRows(const std::vector<IgnoreSection>& sections,
                                      const std::vector<std::string>& skippedKeys);

// Removes what an "All" row stands for from every section of its key.
void RemoveIgnoreRow(std::vector<IgnoreSection>& sections, std::string_view rowKey);

}  // namespace hvm
