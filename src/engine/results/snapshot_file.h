// The day's undo snapshot: registry-export blocks appended one after another
// below one header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/core/scoped_handle.h"
#include "engine/core/text_encoding.h"
#include "engine/results/export_text.h"

namespace hvm {

class DialogService;

// What undo snapshots are written in: the system's registry editor's own
// export form, "Windows Registry Editor Version 5.00" in UTF-16LE behind its
// byte-order mark, text values as the registry stores them, a DWORD as
// "dword:". Every editor of every Windows (and Wine's) reads it the same way
// whatever the system's code page, so every key, value and name travels in
// it, and a snapshot can be imported by hand. Every new snapshot file is
// written so; the single-byte files of earlier versions stay as they are.
inline constexpr ExportDialect kSnapshotDialect{kHeaderWide, true, true, &kProgramTextCodec};

// "X\\Undo20261209.reg", 2 -> "X\\Undo20261209-2.reg": another snapshot of the
// same day, listed and restored like the first.
std::string NumberedSnapshotPath(const std::string& path, int number);

// Where a repair writes its undo text: blocks are appended, then flushed to
// the disk, and only then may what they describe be deleted. The seam lets
// tests watch that order and make a flush fail.
class SnapshotSink {
 public:
  virtual ~SnapshotSink() = default;
  // Appends one block (lines each preceded by CR LF); not yet durable.
  [[nodiscard]] virtual bool Append(std::string_view block) = 0;
  // True only when everything appended so far is on the disk.
  [[nodiscard]] virtual bool Flush() = 0;
};

// The snapshot file at `path`. The first append opens it once and looks at
// its start and its end only: an empty file is given the header of
// `dialect`, a last line cut short by a crash is ended first. Blocks (the
// program's text) are written in the dialect's encoding, so a file is only
// ever added to in the encoding it began in: a snapshot of the other one (a
// single-byte file an earlier version began that day), a file that cannot
// be read to tell, and a file that holds anything but a snapshot are never
// changed, and the blocks go to the next free file of the day
// ("Undo20261209-2.reg", "-3", ...). Of a file that is no snapshot
// `dialogs`, when given, is told. The file stays open until the writer goes;
// each block is written under the file's append lock, so that another
// writer's blocks (of this process or another) go after it, never into it.
class SnapshotWriter : public SnapshotSink {
 public:
  SnapshotWriter(std::string path, ExportDialect dialect, DialogService* dialogs = nullptr);

  bool Append(std::string_view block) override;
  bool Flush() override;
  // The file the blocks go to: `path`, or the one written instead.
  const std::string& Path() const { return path_; }

 private:
  // Opens the file (or the next of the day) and decides what goes before the first block.
  bool Open();
  // Why a file of the day is passed over for the next one.
  enum class PassedOver { kNo, kNotASnapshot, kOtherForm };
  // Opens `path_` as it is; false when it is no snapshot to add to (`passed`
  // says when the next file of the day may be tried).
  bool OpenAsIs(PassedOver& passed);
  std::optional<std::string> LeadNow();
  // Text of the program as the file holds it.
  std::string Encoded(std::string_view text) const;

  std::string dayPath_;
  std::string path_;
  ExportDialect dialect_;
  DialogService* dialogs_;
  bool told_ = false;  // the user knows the blocks go to another file
  ScopedFile file_;
  bool opened_ = false;
};

// Appends one block and flushes it: a writer for a single block.
bool AppendToSnapshot(const std::string& path, std::string_view block,
                      const ExportDialect& dialect);

}  // namespace hvm
