#include "engine/results/suppression.h"

#include <windows.h>

#include <atomic>

#include "engine/core/problem_line.h"
#include "engine/core/text_case.h"
#include "engine/core/text_encoding.h"

#include "engine/results/export_text.h"
#include "engine/results/protected_keys.h"
#include "engine/results/text_file.h"
#include "engine/settings/file_text.h"

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

// An ignore file that cannot be read ignores nothing; AddToIgnoreFile then
// leaves it alone too.
void SuppressionLists::Reload() {
  std::string text;
  static_cast<void>(ReadEditableText(IgnoreFilePath(), text));
  ignored_ = ParseIgnoreFile(text);
}

// The repair and the scan's walks replace the file, so its lines are read
// again whenever its size or time of writing changed, and only then: a scan
// or repair that asks for every item does not read the file for each.
bool SuppressionLists::CannotRemove(const std::string& keyText, const std::string& valuePart,
                                    bool wholeKey) {
  const FileStamp stamp = StampOf(CantRemovePath());
  const unsigned writes = gCantRemoveWrites;
  if (!cantRemoveStamp_ || !(*cantRemoveStamp_ == stamp) || cantRemoveWrites_ != writes) {
    cantRemoveLines_ = SplitTextLines(TextOfOldFile(ReadTextFile(CantRemovePath())));
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

uint32_t SuppressionLists::AddToIgnoreFile(const std::string& problemLine) {
  // Lines of ours appended to text in another encoding, or to a file we
  // cannot see whole, would be garbage to whoever reads it next.
  std::string existing;
  if (const uint32_t status = ReadEditableText(IgnoreFilePath(), existing))
    return UnreadableFileStatus(status);
  // An entry appended to a last line without its line end would join it.
  const bool joined = !existing.empty() && existing.back() != '\n';
  if (!AppendTextFile(IgnoreFilePath(), (joined ? "\r\n" : "") + IgnoreLinesFor(problemLine)))
    return GetLastError();
  return 0;
}

int SuppressionLists::CountIgnoreLines() const {
  std::string text;
  static_cast<void>(ReadEditableText(IgnoreFilePath(), text));
  return CountNonBlankLines(text);
}

void WriteCantRemove(const std::string& dataFolder, std::string& text) {
  if (text.empty()) return;
  ReplaceTextFile(dataFolder + "\\" + kCantRemoveFileName, text + "\r\n");
  ++gCantRemoveWrites;
  text.clear();
}

}  // namespace hvm
