// The day's undo snapshot: registry-export blocks appended one after another
// below one header.
#pragma once

#include <string>

#include "results/export_text.h"

namespace hvm {

// Appends one block (lines each preceded by CR LF) to the snapshot at `path`.
// A file without a header is started anew with the header of `dialect`.
// True only when the block is on the disk: a deletion may follow it.
bool AppendToSnapshot(const std::string& path, std::string_view block,
                      const ExportDialect& dialect);

}  // namespace hvm
