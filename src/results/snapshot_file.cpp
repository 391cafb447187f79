#include "results/snapshot_file.h"

#include "results/text_file.h"

namespace hvm {

bool AppendToSnapshot(const std::string& path, std::string_view block,
                      const ExportDialect& dialect) {
  const size_t start = block.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return true;
  block.remove_prefix(start);

  const std::string existing = ReadTextFile(path);
  // A file that exists but reads as empty (locked, unreadable) may hold the
  // undo of items already deleted: it is appended to, never replaced.
  const bool unreadable = existing.empty() && FileSize(path) > 0;
  const std::vector<std::string> lines = SplitTextLines(existing.substr(0, 64));
  const bool hasHeader =
      !lines.empty() && IsSnapshotHeader(lines.front()) && existing.find('\n') != std::string::npos;
  std::string text;
  if (unreadable) {
    text = "\r\n";
  } else if (!hasHeader) {
    text = std::string(dialect.header) + "\r\n\r\n";
    if (!ReplaceTextFile(path, "")) return false;
  } else if (existing.back() != '\n') {
    // A block cut short by an earlier crash: start this one on a line of its own.
    text = "\r\n";
  }
  text.append(block);
  text += "\r\n";
  return AppendTextFile(path, text, true);
}

}  // namespace hvm
