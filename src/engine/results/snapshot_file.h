// The day's undo snapshot: registry-export blocks appended one after another
// below one header.
#pragma once

#include <string>
#include <string_view>

#include "engine/core/scoped_handle.h"
#include "engine/results/export_text.h"

namespace hvm {

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
// its start and its last byte only: a file without a header is started anew
// with the header of `dialect`, a last line cut short by a crash is ended
// first. The file stays open (shared) until the writer goes.
class SnapshotWriter : public SnapshotSink {
 public:
  SnapshotWriter(std::string path, ExportDialect dialect);

  bool Append(std::string_view block) override;
  bool Flush() override;

 private:
  // Opens the file and decides what goes before the first block.
  bool Open();

  std::string path_;
  ExportDialect dialect_;
  ScopedFile file_;
  std::string lead_;  // written before the next block: header or line end
  bool opened_ = false;
};

// Appends one block and flushes it: a writer for a single block.
bool AppendToSnapshot(const std::string& path, std::string_view block,
                      const ExportDialect& dialect);

}  // namespace hvm
