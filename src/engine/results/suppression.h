// IsSuppressed: the one test whether a problem is protected, ignored by the
// user, or known to be impossible to remove; with the ignore file's and the
// cannot-remove file's upkeep.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/results_store.h"
#include "engine/results/ignore_list.h"
#include "engine/results/text_file.h"

namespace hvm {

inline constexpr char kCantRemoveFileName[] = "cantremove.txt";

class SuppressionLists : public SuppressionFilter {
 public:
  explicit SuppressionLists(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

  bool IsSuppressed(const std::string& keyText, const std::string& valuePart,
                    bool wholeKey) override;
  // Reads the ignore file again; lookups see it from now on.
  void Reload() override;

  // Appends the section (and entry) for one problem line to the ignore file.
  // Returns the Win32 status (0: added); an ignore file that cannot be read
  // (ReadEditableText) is not touched: UnreadableFileStatus(read status).
  uint32_t AddToIgnoreFile(const std::string& problemLine);
  int CountIgnoreLines() const;

  std::string IgnoreFilePath() const { return dataFolder_ + "\\" + kIgnoreFileName; }
  std::string CantRemovePath() const { return dataFolder_ + "\\" + kCantRemoveFileName; }

 private:
  bool CannotRemove(const std::string& keyText, const std::string& valuePart, bool wholeKey);

  std::string dataFolder_;
  std::optional<std::vector<IgnoreSection>> ignored_;
  std::optional<FileStamp> cantRemoveStamp_;
  unsigned cantRemoveWrites_ = 0;
  std::vector<std::string> cantRemoveLines_;
};

// Replaces the cannot-remove file with `text` (entries each preceded by CR LF)
// and a final CR LF, then empties `text`. Nothing happens for an empty text.
void WriteCantRemove(const std::string& dataFolder, std::string& text);

}  // namespace hvm
