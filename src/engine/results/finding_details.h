// What the detail band under a page's list says about the chosen row, and
// which of its commands are offered. On the results page: for a problem the
// rule in plain words and the target it tested, for a section what it looks
// for. On the restore page: which repair removed an entry. Knows no window.
#pragma once

#include <string>

#include "engine/core/results_store.h"
#include "engine/results/snapshot_note.h"

namespace hvm {

struct FindingDetails {
  std::string heading;  // the rule in plain words, a section's label, or a prompt
  std::string detail;   // the target it tested, or what the section looks for
  // "Copy Details": the problem line, the rule and the target, a line each;
  // "" where nothing is offered.
  std::string copyText;
  // "Open Folder": the existing folder of a file target; "" where not offered.
  std::string folderToOpen;

  // What the band shows and a screen reader reads: heading and detail on
  // lines of their own.
  std::string Text() const;
  bool operator==(const FindingDetails&) const = default;
};

// Before a row is chosen.
FindingDetails DetailsOfNothing();
// A section's row: its label and what it looks for.
FindingDetails DetailsOfSection(int section);
// A problem's row. Open Folder is asked of the file system each time, so that
// a folder made or removed since the scan is seen.
FindingDetails DetailsOfProblem(const ProblemEntry& entry);

// The folder part of a path on a drive ("C:\A\b.dll" -> "C:\A", "C:\b.dll" ->
// "C:\"); "" for a bare name, a network path or anything else.
std::string FolderOfFile(const std::string& path);

// A restore entry's row: the date of the repair that removed it (`when`, as
// the system writes short dates) and, where the snapshot records it, the
// section and whether a scan rather than a repair removed it. A folder entry
// is one the repair created.
FindingDetails DetailsOfRemoval(const std::string& when, const SnapshotNote& note,
                                bool createdFolder);

}  // namespace hvm
