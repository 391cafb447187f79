#include "engine/settings/ini_file.h"

#include <limits>

namespace hvm {
namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

std::string Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return folded;
}

std::string OnOneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int32_t> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + uint32_t(digit);
  }
  return static_cast<int32_t>(value);
}

std::optional<int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return int32_t(value);
}

// Calls `line` for every line of `text`; CR, LF and CR LF all end a line.
template <class LineFunction>
void ForEachLine(std::string_view text, LineFunction line) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    line(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n')
      ++start;
  }
}

}  // namespace

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2));
  return ParseDecimal(text);
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  Section* current = nullptr;
  ForEachLine(text, [&](std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &file.SectionForWriting(Trim(line.substr(1, line.size() - 2)));
      return;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || current == nullptr) return;
    SetEntry(*current, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), false);
  });
  return file;
}

std::string IniFile::Text() const {
  std::string text;
  for (const Section& section : sections_) {
    text += "[" + section.name + "]\r\n";
    for (const Entry& entry : section.entries) text += entry.key + "=" + entry.value + "\r\n";
    text += "\r\n";
  }
  return text;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* found = FindSection(section)) {
    for (const Entry& entry : found->entries) keys.push_back(entry.key);
  }
  return keys;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(section);
  if (!found) return std::nullopt;
  const auto entry = found->index.find(Fold(key));
  if (entry == found->index.end()) return std::nullopt;
  return found->entries[entry->second].value;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  const std::optional<std::string> value = Find(section, key);
  return value ? *value : std::string(fallback);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t fallback) const {
  const std::optional<std::string> value = Find(section, key);
  if (!value) return fallback;
  return ParseIniInteger(*value).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  SetEntry(SectionForWriting(Trim(OnOneLine(section))), Trim(OnOneLine(key)), OnOneLine(value),
           true);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
  const auto found = sectionIndex_.find(Fold(section));
  if (found == sectionIndex_.end()) return;
  sections_.erase(sections_.begin() + std::ptrdiff_t(found->second));
  sectionIndex_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) sectionIndex_[Fold(sections_[i].name)] = i;
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  const auto found = sectionIndex_.find(Fold(section));
  if (found == sectionIndex_.end()) return;
  Section& target = sections_[found->second];
  const auto entry = target.index.find(Fold(key));
  if (entry == target.index.end()) return;
  target.entries.erase(target.entries.begin() + std::ptrdiff_t(entry->second));
  target.index.clear();
  for (size_t i = 0; i < target.entries.size(); ++i) target.index[Fold(target.entries[i].key)] = i;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  const auto found = sectionIndex_.find(Fold(name));
  return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

IniFile::Section& IniFile::SectionForWriting(std::string_view name) {
  const auto found = sectionIndex_.find(Fold(name));
  if (found != sectionIndex_.end()) return sections_[found->second];
  sectionIndex_.emplace(Fold(name), sections_.size());
  sections_.push_back(Section{std::string(name), {}, {}});
  return sections_.back();
}

void IniFile::SetEntry(Section& section, std::string_view key, std::string_view value,
                       bool replace) {
  const auto [entry, added] = section.index.emplace(Fold(key), section.entries.size());
  if (added) {
    section.entries.push_back(Entry{std::string(key), std::string(value)});
  } else if (replace) {
    section.entries[entry->second].value = std::string(value);
  }
}

}  // namespace hvm
