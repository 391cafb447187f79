#include "engine/results/ignore_list.h"

#include "engine/core/text_case.h"

#include <algorithm>
#include <cctype>

#include "engine/core/problem_line.h"
#include "engine/results/export_text.h"
#include "engine/results/protected_keys.h"

namespace hvm {
namespace {

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The ignore-file name of a value part: the value name before " = ", "@" for
// the default value.
std::string LookupName(std::string_view valuePart) {
  const std::string name = SplitValuePart(valuePart).name;
  return name.empty() ? "@" : name;
}

// The default value is "@" in an entry this program writes for a key, and
// "(Default)" in one written from a problem line.
bool NamesOneValue(std::string_view entryName, std::string_view wanted) {
  if (wanted == "@") return entryName == "@" || IsDefaultValueName(entryName);
  return EqualsNoCase(entryName, wanted);
}

}  // namespace

std::vector<IgnoreSection> ParseIgnoreFile(std::string_view text) {
  std::vector<IgnoreSection> sections;
  for (const std::string& raw : SplitTextLines(text)) {
    const std::string_view line = Trim(raw);
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      sections.push_back({std::string(line.substr(1, line.size() - 2)), {}});
    } else if (!sections.empty()) {
      sections.back().entryLines.emplace_back(line);
    }
  }
  return sections;
}

std::string FormatIgnoreFile(const std::vector<IgnoreSection>& sections) {
  std::string text;
  for (const IgnoreSection& section : sections) {
    text += "[" + section.name + "]\r\n";
    for (const std::string& line : section.entryLines) text += line + "\r\n";
  }
  return text;
}

std::string IgnoreEntryName(std::string_view entryLine) {
  return std::string(Trim(entryLine.substr(0, entryLine.find('='))));
}

bool IgnoresKey(const std::vector<IgnoreSection>& sections, std::string_view keyText) {
  const std::string key = CanonicalKeyText(keyText);
  return std::any_of(sections.begin(), sections.end(), [&](const IgnoreSection& s) {
    return EqualsNoCase(CanonicalKeyText(s.name), key);
  });
}

bool IgnoresValue(const std::vector<IgnoreSection>& sections, std::string_view keyText,
                  std::string_view valuePart) {
  const std::string wanted = LookupName(valuePart);
  const std::string key = CanonicalKeyText(keyText);
  for (const IgnoreSection& section : sections) {
    if (!EqualsNoCase(CanonicalKeyText(section.name), key)) continue;
    for (const std::string& line : section.entryLines)
      if (NamesOneValue(IgnoreEntryName(line), wanted)) return true;
  }
  return false;
}

std::string IgnoreLinesFor(std::string_view problemLine) {
  const ProblemLineParts parts = SplitProblemLine(problemLine);
  if (parts.wholeKey) return "[" + std::string(problemLine) + "]\r\n";
  return "[" + parts.keyText + "]\r\n" + parts.valuePart + "=\"\"\r\n";
}

int CountNonBlankLines(std::string_view text) {
  int count = 0;
  for (const std::string& line : SplitTextLines(text)) count += !Trim(line).empty();
  return count;
}

std::vector<IgnoreRow> IgnoreListRows(const std::vector<IgnoreSection>& sections,
                                      const std::vector<std::string>& skippedKeys) {
  std::vector<IgnoreRow> rows;
  for (std::string_view key : ProtectedKeys) rows.push_back({"Permanent", std::string(key)});
  for (const IgnoreSection& section : sections) {
    if (section.entryLines.empty()) rows.push_back({"All", section.name});
    for (const std::string& line : section.entryLines)
      rows.push_back({"All", section.name + "\\\\:" + IgnoreEntryName(line)});
  }
  for (const std::string& skipped : skippedKeys)
    rows.push_back({"Ignore List", skipped.substr(0, skipped.find('='))});
  return rows;
}

void RemoveIgnoreRow(std::vector<IgnoreSection>& sections, std::string_view rowKey) {
  const ProblemLineParts parts = SplitProblemLine(rowKey);
  if (parts.wholeKey) {
    std::erase_if(sections, [&](const IgnoreSection& s) {
      return EqualsNoCase(CanonicalKeyText(s.name), CanonicalKeyText(rowKey));
    });
    return;
  }
  // A section left without entries stays: the key is then ignored as a whole,
  // which is what the list shows for it.
  for (IgnoreSection& section : sections) {
    if (!EqualsNoCase(CanonicalKeyText(section.name), CanonicalKeyText(parts.keyText))) continue;
    std::erase_if(section.entryLines, [&](const std::string& line) {
      return EqualsNoCase(IgnoreEntryName(line), parts.valuePart);
    });
  }
}

}  // namespace hvm
