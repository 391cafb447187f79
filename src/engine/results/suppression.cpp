#include "engine/results/suppression.h"

#include <atomic>

#include "engine/core/problem_line.h"
#include "engine/core/text_case.h"

#include "engine/results/export_text.h"
#include "engine/results/protected_keys.h"
#include "engine/results/text_file.h"

namespace hvm {
namespace {

// Writes of the cannot-remove file by this process, which a stamp alone might
// not tell apart when two fall within one tick of the file system's clock.
std::atomic<unsigned> gCantRemoveWrites{0};

}  // namespace

bool SuppressionLists::IsSuppressed(const std::string& keyText, const std::string& valuePart,
                                    bool wholeKey) {
  if (!ignored_) Reload();
  if (IsProtectedKey(keyText)) return true;
  if (wholeKey ? IgnoresKey(*ignored_, keyText) : IgnoresValue(*ignored_, keyText, valuePart))
    return true;
  return CannotRemove(keyText, valuePart, wholeKey);
}

void SuppressionLists::Reload() {
  ignored_ = ParseIgnoreFile(ReadTextFile(IgnoreFilePath()));
}

// The repair and the scan's walks replace the file, so its lines are read
// again whenever its size or time of writing changed, and only then: a scan
// or repair that asks for every item does not read the file for each.
bool SuppressionLists::CannotRemove(const std::string& keyText, const std::string& valuePart,
                                    bool wholeKey) {
  const FileStamp stamp = StampOf(CantRemovePath());
  const unsigned writes = gCantRemoveWrites;
  if (!cantRemoveStamp_ || !(*cantRemoveStamp_ == stamp) || cantRemoveWrites_ != writes) {
    cantRemoveLines_ = SplitTextLines(ReadTextFile(CantRemovePath()));
    cantRemoveStamp_ = stamp;
    cantRemoveWrites_ = writes;
  }
  // The file names keys with long root names, the scan with short ones: both
  // are one key. A line of a whole key stops nothing; a value line stops its
  // value and a whole-key repair of its key, which could not empty it.
  const std::string key = CanonicalKeyText(keyText);
  for (const std::string& line : cantRemoveLines_) {
    const ProblemLineParts parts = SplitProblemLine(line);
    if (parts.wholeKey || !EqualsNoCase(CanonicalKeyText(parts.keyText), key)) continue;
    if (wholeKey || EqualsNoCase(parts.valuePart, valuePart)) return true;
  }
  return false;
}

void SuppressionLists::AddToIgnoreFile(const std::string& problemLine) {
  // An entry appended to a last line without its line end would join it.
  const std::string existing = ReadTextFile(IgnoreFilePath());
  const bool joined = !existing.empty() && existing.back() != '\n';
  AppendTextFile(IgnoreFilePath(), (joined ? "\r\n" : "") + IgnoreLinesFor(problemLine));
}

int SuppressionLists::CountIgnoreLines() const {
  return CountNonBlankLines(ReadTextFile(IgnoreFilePath()));
}

void WriteCantRemove(const std::string& dataFolder, std::string& text) {
  if (text.empty()) return;
  ReplaceTextFile(dataFolder + "\\" + kCantRemoveFileName, text + "\r\n");
  ++gCantRemoveWrites;
  text.clear();
}

}  // namespace hvm
