// The note a repair writes before each block of an undo snapshot: the section
// whose problem the block undoes, and whether a scan removed the value at once
// rather than a repair. It is a comment line to every reader of the format
// (the registry editor's too), so a snapshot stays importable as it was.
#pragma once

#include <string>
#include <string_view>

namespace hvm {

struct SnapshotNote {
  int section = 0;      // 1..24; 0: the snapshot does not say
  bool byScan = false;  // removed at once by a scan, not by a repair
  bool operator==(const SnapshotNote&) const = default;
};

// "; Section 4, Deep Scan" or "; Section 15, Startup, removed by the scan";
// "" for a note without a section.
std::string SnapshotNoteLine(const SnapshotNote& note);

// The note of a comment line as SnapshotNoteLine writes it (with or without
// its ";"); section 0 for any other comment.
SnapshotNote ParseSnapshotNote(std::string_view comment);

}  // namespace hvm
