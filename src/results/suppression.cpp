#include "results/suppression.h"

#include "core/text_case.h"

#include "results/export_text.h"
#include "results/protected_keys.h"
#include "results/text_file.h"

namespace hvm {

bool SuppressionLists::IsSuppressed(const std::string& keyText, const std::string& valuePart,
                                    bool wholeKey) {
  if (!ignored_) Reload();
  if (IsProtectedKey(keyText)) return true;
  if (wholeKey ? IgnoresKey(*ignored_, keyText) : IgnoresValue(*ignored_, keyText, valuePart))
    return true;
  return CannotRemove(keyText, valuePart);
}

void SuppressionLists::Reload() {
  ignored_ = ParseIgnoreFile(ReadTextFile(IgnoreFilePath()));
}

// Read afresh each time: the repair and a scan section replace the file.
bool SuppressionLists::CannotRemove(const std::string& keyText,
                                    const std::string& valuePart) const {
  const std::string prefix = keyText + "\\\\:" + valuePart;
  for (const std::string& line : SplitTextLines(ReadTextFile(CantRemovePath())))
    if (line.size() >= prefix.size() && EqualsNoCase(line.substr(0, prefix.size()), prefix))
      return true;
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
  text.clear();
}

}  // namespace hvm
