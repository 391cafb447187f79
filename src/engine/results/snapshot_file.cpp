#include "engine/results/snapshot_file.h"

#include <windows.h>

#include <optional>

#include "engine/core/dialog_service.h"
#include "engine/results/text_file.h"

namespace hvm {
namespace {

// A header line is far shorter, in either encoding: the start of the file
// tells whether it has one.
constexpr DWORD kStartBytes = 128;

// Past this many files of one day something is wrong with the folder, not
// with one file: the repair then leaves its items in place.
constexpr int kMostFilesPerDay = 99;

// Shared: other writers may hold it open too (a second repairer of the day);
// the append lock keeps their blocks apart.
ScopedFile OpenForAppending(const std::string& path, DWORD access) {
  return ScopedFile(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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

std::string FileNameOf(const std::string& path) {
  return path.substr(path.find_last_of('\\') + 1);
}

}  // namespace

std::string NumberedSnapshotPath(const std::string& path, int number) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('\\');
  const size_t end =
      dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
  return path.substr(0, end) + "-" + std::to_string(number) + path.substr(end);
}

SnapshotWriter::SnapshotWriter(std::string path, ExportDialect dialect, DialogService* dialogs)
    : dayPath_(path), path_(std::move(path)), dialect_(dialect), dialogs_(dialogs) {}

std::string SnapshotWriter::Encoded(std::string_view text) const {
  return dialect_.utf16 ? dialect_.utf16->toUtf16Le(text) : std::string(text);
}

bool SnapshotWriter::OpenAsIs(PassedOver& passed) {
  passed = PassedOver::kNo;
  file_ = OpenForAppending(path_, GENERIC_READ | GENERIC_WRITE);
  if (!file_) {
    // A file that can be written but not read may hold the undo of items
    // already deleted, in an encoding nothing tells: it is left as it is.
    if (ScopedFile(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)))
      passed = PassedOver::kOtherForm;
    return false;
  }
  // Looked at under the append lock: another writer's header is either
  // all there or not begun.
  const AppendLock lock(file_);
  LARGE_INTEGER size{};
  if (!lock.Held() || !GetFileSizeEx(file_.Get(), &size)) return false;
  if (size.QuadPart == 0) return true;
  // A start that cannot be read is no reason to think the file holds no
  // snapshot: writing elsewhere could split the undo of one repair.
  const std::optional<std::string> start = ReadAt(file_, 0, kStartBytes);
  if (!start) return false;
  // Whatever else it holds is someone's, and a snapshot in the other
  // encoding would be spoilt by a block in this one: it stays as it is.
  if (!IsSnapshotText(*start))
    passed = PassedOver::kNotASnapshot;
  else if (IsUtf16Text(*start) != (dialect_.utf16 != nullptr))
    passed = PassedOver::kOtherForm;
  return passed == PassedOver::kNo;
}

bool SnapshotWriter::Open() {
  std::string notASnapshot;  // the first file of the day passed over for holding no snapshot
  for (int number = 1; number <= kMostFilesPerDay; ++number) {
    path_ = number > 1 ? NumberedSnapshotPath(dayPath_, number) : dayPath_;
    PassedOver passed = PassedOver::kNo;
    if (OpenAsIs(passed)) {
      if (!notASnapshot.empty() && dialogs_ && !told_) {
        told_ = true;
        dialogs_->MessageDialog(FileNameOf(notASnapshot) +
                                    " in the data folder is not an undo snapshot Hivemend can "
                                    "add to, so it was left as it is. This repair's undo is "
                                    "written to " +
                                    FileNameOf(path_) + ".",
                                "Warning", dialog::kWarningNotice);
      }
      return true;
    }
    file_.Close();
    if (passed == PassedOver::kNo) break;
    if (passed == PassedOver::kNotASnapshot && notASnapshot.empty()) notASnapshot = path_;
  }
  path_ = dayPath_;
  return false;
}

// What goes before a block, decided under the append lock from the file as
// it now ends: the header in an empty file, a line end after a block cut
// short by a crash (so the next one starts on a line of its own), and in a
// UTF-16 file cut inside a character, the byte that completes it first.
std::optional<std::string> SnapshotWriter::LeadNow() {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_.Get(), &size)) return std::nullopt;
  if (size.QuadPart == 0)
    return std::string(dialect_.utf16 ? kUtf16LeByteOrderMark : "") +
           Encoded(std::string(dialect_.header) + "\r\n\r\n");
  const std::string lineEnd = Encoded("\n");
  if (size.QuadPart % LONGLONG(lineEnd.size()) != 0) return std::string(1, '\0') + Encoded("\r\n");
  const std::optional<std::string> last =
      ReadAt(file_, size.QuadPart - LONGLONG(lineEnd.size()), DWORD(lineEnd.size()));
  if (!last) return std::nullopt;
  return *last == lineEnd ? "" : Encoded("\r\n");
}

bool SnapshotWriter::Append(std::string_view block) {
  const size_t start = block.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return true;
  block.remove_prefix(start);
  if (!opened_) {
    if (!Open()) return false;
    opened_ = true;
  }
  const AppendLock lock(file_);
  std::optional<std::string> text = lock.Held() ? LeadNow() : std::nullopt;
  if (text) {
    text->append(Encoded(std::string(block) + "\r\n"));
    if (AppendUnderLock(file_, lock, *text)) return true;
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
