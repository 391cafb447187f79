// A scan's JSON document (scan --json) as an administrator reviewed it, for
// repair --from: the entries still marked checked are the ones to repair.
// Each is repaired only when a new scan of its section finds it stale again
// by the same rule; everything else the file holds is left alone.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/results_store.h"

namespace hvm {

struct ReviewedEntry {
  int section = 0;
  std::string line;
  bool wholeKey = false;
  ProblemReason reason;
};

struct ReviewedScan {
  std::string computer;
  std::vector<ReviewedEntry> checked;  // in file order, each once
};

// Reads the document. A text that is no scan document (not JSON, or a field
// repair needs missing or of another type), one written with a newer
// schemaVersion than this program's, and one made on another computer than
// `thisComputer` (compared without regard to case) are refused with a
// UsageError that says which.
ReviewedScan ParseReviewedScan(std::string_view text, const std::string& thisComputer);
// The same for the file at `path`: UTF-8, with or without its byte-order
// mark, or UTF-16LE with its byte-order mark (as Windows PowerShell's ">"
// writes it).
ReviewedScan ReadReviewedScan(const std::string& path, const std::string& thisComputer);

// The sections that hold checked entries.
std::set<int> ReviewedSections(const ReviewedScan& review);

// A checked entry that was not repaired, and why.
struct LeftAlone {
  enum class Result {
    kNotStale,     // the new scan does not find it (its target is back, it is gone or ignored)
    kOtherReason,  // found again, but stale by another rule or target: to be reviewed again
    kSectionOff,   // its section was not scanned (a policy switches it off)
  };
  ReviewedEntry entry;
  Result result;
};
// "notStale", "otherReason", "sectionOff", as the JSON says it.
const char* LeftAloneName(LeftAlone::Result result);

// Checks exactly the entries of `results` (a new scan of the sections in
// `scanned`) that the review checked, matched by section, line, whole-key
// flag and reason; every other entry is unchecked. Returns the review's
// checked entries that were not matched.
std::vector<LeftAlone> CheckReviewedEntries(const ReviewedScan& review,
                                            const std::set<int>& scanned, ResultsStore& results);

}  // namespace hvm
