#include "engine/results/snapshot_note.h"

#include "engine/scan/sections.h"

namespace hvm {
namespace {

constexpr std::string_view kLead = "Section ";
constexpr std::string_view kByScan = ", removed by the scan";

}  // namespace

std::string SnapshotNoteLine(const SnapshotNote& note) {
  if (note.section < 1 || note.section > kSectionCount) return {};
  // The label is for a person reading the file; the number is what is read back.
  std::string line = "; " + std::string(kLead) + std::to_string(note.section) + ", " +
                     std::string(Section(note.section).label);
  if (note.byScan) line += kByScan;
  return line;
}

SnapshotNote ParseSnapshotNote(std::string_view comment) {
  if (comment.starts_with(';')) comment.remove_prefix(1);
  while (comment.starts_with(' ')) comment.remove_prefix(1);
  if (!comment.starts_with(kLead)) return {};
  comment.remove_prefix(kLead.size());
  int section = 0;
  size_t digits = 0;
  while (digits < comment.size() && digits < 3 && comment[digits] >= '0' && comment[digits] <= '9')
    section = section * 10 + (comment[digits++] - '0');
  if (digits == 0 || section < 1 || section > kSectionCount) return {};
  if (digits < comment.size() && comment[digits] != ',') return {};
  return {section, comment.ends_with(kByScan)};
}

}  // namespace hvm
