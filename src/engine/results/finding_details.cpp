#include "engine/results/finding_details.h"

#include "engine/scan/drive_types.h"
#include "engine/scan/file_tests.h"
#include "engine/scan/problem_explanations.h"
#include "engine/scan/sections.h"

namespace hvm {
namespace {

constexpr char kNoReason[] = "The scan recorded no reason for this problem";

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Drives whose folders are asked about while the user moves through the
// list: never a removable or CD drive, which could keep the window waiting
// for its medium.
bool AskableDrive(const std::string& folder) {
  const unsigned type = DriveTypeOf(folder);
  return type == 3 || type == 4 || type == 6;  // fixed, network, RAM disk
}

}  // namespace

std::string FindingDetails::Text() const {
  if (detail.empty()) return heading;
  return heading + "\r\n" + detail;
}

FindingDetails DetailsOfNothing() {
  return {"Select a problem to see why it was found", "", "", ""};
}

FindingDetails DetailsOfSection(int section) {
  if (section < 1 || section > kSectionCount) return DetailsOfNothing();
  return {std::string(Section(section).label),
          "Looks for: " + std::string(SectionDescription(section)), "", ""};
}

FindingDetails DetailsOfProblem(const ProblemEntry& entry) {
  FindingDetails details;
  const ProblemReason& reason = entry.reason;
  details.heading = reason.rule.empty() ? kNoReason : RuleSentence(reason.rule);
  details.detail = TargetLine(reason);
  details.copyText = details.detail.empty() ? entry.line + "\r\n" + details.heading
                                            : entry.line + "\r\n" + details.Text();
  if (TargetIsFile(reason)) {
    const std::string folder = FolderOfFile(reason.target);
    if (!folder.empty() && AskableDrive(folder) && FolderExists(folder))
      details.folderToOpen = folder;
  }
  return details;
}

std::string FolderOfFile(const std::string& path) {
  if (path.size() < 4 || !IsDriveLetter(path[0]) || path[1] != ':' || path[2] != '\\') return {};
  const size_t last = path.find_last_of('\\');
  // A path ending in a backslash names a folder, not a file in one.
  if (last + 1 == path.size()) return {};
  return last == 2 ? path.substr(0, 3) : path.substr(0, last);
}

FindingDetails DetailsOfRemoval(const std::string& when, const SnapshotNote& note,
                                bool createdFolder) {
  FindingDetails details;
  details.heading = createdFolder ? "Created by the repair of " + when
                    : note.byScan ? "Removed at once by the scan of " + when
                                  : "Removed by the repair of " + when;
  details.detail = note.section >= 1 && note.section <= kSectionCount
                       ? "Section: " + std::string(Section(note.section).label)
                       : "This snapshot does not record the section";
  return details;
}

}  // namespace hvm
