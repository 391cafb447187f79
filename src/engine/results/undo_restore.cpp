#include "engine/results/undo_restore.h"

#include <windows.h>

#include <algorithm>

#include "engine/core/problem_line.h"
#include "engine/core/registry.h"
#include "engine/core/registry_paths.h"
#include "engine/core/results_store.h"
#include "engine/core/scoped_handle.h"
#include "engine/core/text_case.h"
#include "engine/core/text_encoding.h"
#include "engine/results/export_text.h"
#include "engine/results/text_file.h"

namespace hvm {

namespace {

// Every block is written with its line end and flushed: a last line without
// one was cut off by a crash, belongs to an item that was never deleted, and
// could only restore a shortened value. A UTF-16 file is read through the
// active code page by the reader; a single-byte one is made the program's
// text here.
std::string SnapshotText(const std::string& path) {
  const std::string bytes = ReadTextFile(path);
  const std::string_view text = CompleteLines(bytes);
  return IsUtf16Text(text) ? std::string(text) : TextOfOldFile(text);
}

}  // namespace
namespace {

std::string BatchPathOf(const std::string& snapshotPath) {
  return snapshotPath.substr(0, snapshotPath.size() - 4) + ".bat";
}

bool IsFolderEntry(const std::string& entry) {
  return !entry.empty() && entry.front() == '"';
}

bool RemoveCreatedFolder(const std::string& entry) {
  std::string folder = entry.substr(1);
  if (!folder.empty() && folder.back() == '"') folder.pop_back();
  return RemoveDirectoryA(folder.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

namespace {

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

bool ApplyExportValue(const std::string& keyText, const std::string& namePart,
                      const std::string& dataText, const SnapshotTextForm& form) {
  std::string path = keyText;
  HKEY root = SplitLongRoot(path);
  if (!root) return false;
  // Parsed first, so that malformed data leaves the registry untouched.
  ParsedValue value;
  if (!namePart.empty()) value = ParseExportData(dataText, form);
  // Text of a single-byte file's hexadecimal forms is in the code page it
  // was written in.
  if (!value.stored && IsTextType(value.type)) value.data = TextOfOldBytes(value.data);
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKey(path, true)) return false;
  if (namePart.empty()) return true;
  if (value.stored)
    registry.WriteStoredValue(RegistryNameOf(namePart), value.type, value.data);
  else
    registry.WriteTypedValue(RegistryNameOf(namePart), value.type, value.data);
  return true;
}

std::vector<std::string> ListSnapshotFiles(const std::string& dataFolder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  ScopedFind find(FindFirstFileA((dataFolder + "\\undo*.reg").c_str(), &found));
  if (!find) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileA(find.Get(), &found));
  std::sort(names.begin(), names.end(), SnapshotFileBefore);
  return names;
}

namespace {

// "Undo20261209-12.reg" -> {"Undo20261209", 12}; a name without a number is file 1.
std::pair<std::string, long> DayAndNumber(const std::string& name) {
  const std::string stem = name.substr(0, name.find_last_of('.'));
  const size_t dash = stem.find_last_of('-');
  if (dash == std::string::npos || dash + 1 == stem.size() || stem.size() - dash > 6 ||
      stem.find_first_not_of("0123456789", dash + 1) != std::string::npos)
    return {stem, 1};
  return {stem.substr(0, dash), std::stol(stem.substr(dash + 1))};
}

}  // namespace

bool SnapshotFileBefore(const std::string& a, const std::string& b) {
  const auto first = DayAndNumber(a);
  const auto second = DayAndNumber(b);
  if (first != second) return first < second;
  return a < b;
}

std::vector<ListedSnapshotEntry> ListSnapshotEntriesNoted(const std::string& dataFolder,
                                                          const std::string& fileName,
                                                          SuppressionFilter* filter) {
  const std::string path = dataFolder + "\\" + fileName;
  std::vector<ListedSnapshotEntry> entries;
  // Only the repair of shell folders creates folders.
  const SnapshotNote createdBy{1, false};
  for (const std::string& line : SplitTextLines(TextOfOldFile(ReadTextFile(BatchPathOf(path)))))
    if (line.size() > 3) entries.push_back({line.substr(3), createdBy, true});
  for (SnapshotItem& item : ReadSnapshotItems(SnapshotText(path), kProgramTextCodec)) {
    std::string entry = ListedEntryOf(item);
    const ProblemLineParts parts = SplitProblemLine(entry);
    if (filter && filter->IsSuppressed(parts.keyText, parts.valuePart, parts.wholeKey)) continue;
    entries.push_back({std::move(entry), ParseSnapshotNote(item.note), false});
  }
  return entries;
}

std::vector<std::string> ListSnapshotContents(const std::string& dataFolder,
                                              const std::string& fileName,
                                              SuppressionFilter* filter) {
  std::vector<std::string> entries;
  for (ListedSnapshotEntry& entry : ListSnapshotEntriesNoted(dataFolder, fileName, filter))
    entries.push_back(std::move(entry.text));
  return entries;
}

std::optional<CivilDate> SnapshotDateOf(const std::string& fileName) {
  const std::string day = DayAndNumber(fileName).first;
  if (day.size() != 12 || !EqualsNoCase(day.substr(0, 4), "undo")) return std::nullopt;
  return ParseDateText(std::string_view(day).substr(4));
}

SnapshotRestorer::SnapshotRestorer(const std::string& dataFolder, const std::string& fileName)
    : SnapshotRestorer(FromText{}, dataFolder, SnapshotText(dataFolder + "\\" + fileName)) {}

SnapshotRestorer::SnapshotRestorer(FromText, std::string dataFolder, const std::string& text)
    : dataFolder_(std::move(dataFolder)),
      isSnapshot_(IsSnapshotText(text)),
      values_(text, kProgramTextCodec),
      form_(TextFormOf(text, kProgramTextCodec)) {}

bool SnapshotRestorer::Restore(const std::string& entry) const {
  if (IsFolderEntry(entry)) return RemoveCreatedFolder(entry);
  const ProblemLineParts parts = SplitProblemLine(entry);
  const std::string refusal = values_.Refusal(parts.keyText, parts.wholeKey ? "" : parts.valuePart);
  if (!refusal.empty()) throw ExportFormatError(refusal);
  if (parts.wholeKey) return ApplyExportValue(parts.keyText, "", "", form_);
  bool restored = false;
  for (const std::string& dataText : values_.Find(parts.keyText, parts.valuePart))
    restored = ApplyExportValue(parts.keyText, parts.valuePart, dataText, form_);
  return restored;
}

bool RestoreEntry(const std::string& dataFolder, const std::string& fileName,
                  const std::string& entry) {
  return SnapshotRestorer(dataFolder, fileName).Restore(entry);
}

}  // namespace hvm
