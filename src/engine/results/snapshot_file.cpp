#include "engine/results/snapshot_file.h"

#include <windows.h>

#include <optional>

#include "engine/results/text_file.h"

namespace hvm {
namespace {

// A header line is far shorter: the start of the file tells whether it has one.
constexpr DWORD kStartBytes = 64;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

ScopedFile OpenShared(const std::string& path, DWORD access) {
  return ScopedFile(CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Up to `count` bytes from `offset`; nothing when they cannot be read.
std::optional<std::string> ReadAt(const ScopedFile& file, LONGLONG offset, DWORD count) {
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  std::string bytes(count, '\0');
  DWORD got = 0;
  if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
      !ReadFile(file.Get(), bytes.data(), count, &got, nullptr))
    return std::nullopt;
  bytes.resize(got);
  return bytes;
}

bool StartsWithHeader(std::string_view start) {
  const std::vector<std::string> lines = SplitTextLines(start);
  return start.find('\n') != std::string_view::npos && !lines.empty() &&
         IsSnapshotHeader(lines.front());
}

}  // namespace

SnapshotWriter::SnapshotWriter(std::string path, ExportDialect dialect)
    : path_(std::move(path)), dialect_(dialect) {}

bool SnapshotWriter::Open() {
  file_ = OpenShared(path_, GENERIC_READ | GENERIC_WRITE);
  if (!file_) {
    // A file that can be written but not read may hold the undo of items
    // already deleted: it is appended to, never replaced.
    file_ = OpenShared(path_, GENERIC_WRITE);
    if (!file_) return false;
    lead_ = FileSize(path_) > 0 ? "\r\n" : std::string(dialect_.header) + "\r\n\r\n";
    return true;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_.Get(), &size)) return false;
  // A start that cannot be read is no reason to think the file holds no
  // snapshot: replacing it could lose the undo of items already deleted.
  const std::optional<std::string> start = ReadAt(file_, 0, kStartBytes);
  if (!start) return false;
  if (!StartsWithHeader(*start)) {
    if (!SetFilePointerEx(file_.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(file_.Get()))
      return false;
    lead_ = std::string(dialect_.header) + "\r\n\r\n";
  } else if (ReadAt(file_, size.QuadPart - 1, 1).value_or("") != "\n") {
    // A block cut short by an earlier crash: the next one starts on a line of its own.
    lead_ = "\r\n";
  }
  return true;
}

bool SnapshotWriter::Append(std::string_view block) {
  const size_t start = block.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return true;
  block.remove_prefix(start);
  if (!opened_) {
    if (!Open()) {
      file_.Close();
      return false;
    }
    opened_ = true;
  }
  std::string text = lead_;
  text.append(block);
  text += "\r\n";
  if (AppendToOpenFile(file_, text)) {
    lead_.clear();
    return true;
  }
  // What reached the file is unknown: the next block looks at the file afresh.
  file_.Close();
  opened_ = false;
  return false;
}

bool SnapshotWriter::Flush() {
  return opened_ && FlushFileBuffers(file_.Get());
}

bool AppendToSnapshot(const std::string& path, std::string_view block,
                      const ExportDialect& dialect) {
  SnapshotWriter writer(path, dialect);
  return writer.Append(block) &&
         (block.find_first_not_of("\r\n") == std::string_view::npos || writer.Flush());
}

}  // namespace hvm
