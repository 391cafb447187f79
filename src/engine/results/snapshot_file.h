// The day's undo snapshot: registry-export blocks appended one after another
// below one header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/core/scoped_handle.h"
#include "engine/results/export_text.h"

namespace hvm {

class DialogService;

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
// its start and its last byte only: an empty file is given the header of
// `dialect`, a last line cut short by a crash is ended first. A file that
// holds anything but a snapshot is never changed: the blocks go to the next
// free file of the day ("Undo20261209-2.reg", "-3", ...), and `dialogs`, when
// given, is told. The file stays open until the writer goes; each block is
// written under the file's append lock, so that another writer's blocks
// (of this process or another) go after it, never into it.
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
  // Opens `path_` as it is; false when it is no snapshot to add to.
  bool OpenAsIs(bool& notASnapshot);
  std::optional<std::string> LeadNow();

  std::string dayPath_;
  std::string path_;
  ExportDialect dialect_;
  DialogService* dialogs_;
  bool told_ = false;  // the user knows the blocks go to another file
  ScopedFile file_;
  bool readable_ = true;
  std::string lead_;  // of a file that cannot be read: before the first block
  bool opened_ = false;
};

// Appends one block and flushes it: a writer for a single block.
bool AppendToSnapshot(const std::string& path, std::string_view block,
                      const ExportDialect& dialect);

}  // namespace hvm
