#include "engine/results/results_tree.h"

#include "engine/core/problem_line.h"

namespace hvm {
namespace {
constexpr char kNotAString[] = " = **-the-value-is-not-a-string-**";
}

std::string ProblemRowText(const std::string& line) {
  const ProblemLineParts parts = SplitProblemLine(line);
  if (parts.valuePart.empty()) return parts.keyText;
  std::string value = parts.valuePart;
  const size_t marker = value.find(kNotAString);
  if (marker != std::string::npos) value.resize(marker);
  return value.empty() ? parts.keyText : parts.keyText + "," + value;
}

std::string ResultsCountLabel(int total) {
  return total == 1 ? " 1 Problem Found" : " " + std::to_string(total) + " Problems Found!";
}

std::string SectionCountText(int checked, int count) {
  if (count == 0) return {};
  return std::to_string(checked) + " of " +
         (count == 1 ? "1 Item" : std::to_string(count) + " Items");
}

uint32_t SectionRowColour(int ordinal) {
  return ordinal % 2 == 0 ? 0xF2FBFD : 0xDEF3F8;
}

void ResultsTree::Build(const SectionSwitches& switches) {
  sections_.clear();
  for (int section = 1; section <= kSectionCount; ++section)
    if (switches.Enabled(section)) sections_.push_back(section);
}

int ResultsTree::OrdinalOf(int section) const {
  for (size_t i = 0; i < sections_.size(); ++i)
    if (sections_[i] == section) return static_cast<int>(i);
  return -1;
}

int ResultsTree::CheckedCount(int section) const {
  int checked = 0;
  for (const ProblemEntry& entry : results_.Section(section)) checked += entry.Checked();
  return checked;
}

RowCheck ResultsTree::SectionState(int section) const {
  const int count = static_cast<int>(results_.Section(section).size());
  const int checked = CheckedCount(section);
  if (checked == 0) return RowCheck::kUnchecked;
  return checked == count ? RowCheck::kChecked : RowCheck::kPartial;
}

RowCheck ResultsTree::ItemState(int section, int index) const {
  const auto& list = results_.Section(section);
  if (index < 0 || index >= static_cast<int>(list.size())) return RowCheck::kUnchecked;
  return list[index].Checked() ? RowCheck::kChecked : RowCheck::kUnchecked;
}

void ResultsTree::ToggleSection(int section) {
  SetSectionChecked(section, SectionState(section) == RowCheck::kUnchecked);
}

void ResultsTree::ToggleItem(int section, int index) {
  auto& list = results_.Section(section);
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  ProblemEntry& entry = list[index];
  if (entry.IgnoreMarked()) return;
  entry.SetChecked(!entry.Checked());
}

void ResultsTree::SetSectionChecked(int section, bool on) {
  for (ProblemEntry& entry : results_.Section(section))
    if (!entry.IgnoreMarked()) entry.SetChecked(on);
}

void ResultsTree::ToggleIgnore(int section, int index) {
  auto& list = results_.Section(section);
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  ProblemEntry& entry = list[index];
  entry.SetIgnoreMark(!entry.IgnoreMarked());
  entry.SetChecked(false);
}

FindingDetails ResultsTree::DetailsOfRow(int section, int index) const {
  if (section < 1 || section > kSectionCount) return DetailsOfNothing();
  if (index < 0) return DetailsOfSection(section);
  const auto& list = results_.Section(section);
  if (index >= static_cast<int>(list.size())) return DetailsOfNothing();
  return DetailsOfProblem(list[index]);
}

}  // namespace hvm
