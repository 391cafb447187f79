#include "engine/core/results_store.h"

#include <stdexcept>

#include "engine/core/problem_line.h"
#include "engine/core/text_case.h"

namespace hvm {

void ProblemEntry::SetChecked(bool on) {
  flags = on ? uint8_t((flags | kChecked) & ~kIgnoreMark) : uint8_t(flags & ~kChecked);
}

void ProblemEntry::SetIgnoreMark(bool on) {
  flags = on ? uint8_t((flags | kIgnoreMark) & ~kChecked) : uint8_t(flags & ~kIgnoreMark);
}

ResultsStore::ResultsStore(SuppressionFilter* filter, ResultsStamps* stamps,
                           ResultsObserver* observer)
    : filter_(filter), stamps_(stamps), observer_(observer) {}

std::vector<ProblemEntry>& ResultsStore::Section(int section) {
  if (section < 1 || section > kSectionCount)
    throw std::out_of_range("no section " + std::to_string(section));
  return SectionLists[size_t(section - 1)];
}

const std::vector<ProblemEntry>& ResultsStore::Section(int section) const {
  return const_cast<ResultsStore*>(this)->Section(section);
}

int ResultsStore::AddProblem(int section, const std::string& line, const ProblemReason& reason) {
  return AddProblem(section, ProblemTargetOf(line), line, reason);
}

int ResultsStore::AddProblem(int section, const ProblemTarget& target, const std::string& line,
                             const ProblemReason& reason) {
  std::vector<ProblemEntry>& list = Section(section);
  if (filter_ && filter_->IsSuppressed(target.keyText, target.valueName, target.wholeKey))
    return int(list.size());

  const uint8_t kind = section >= kFirstCautionSection ? kKindCaution : kKindOrdinary;
  uint8_t flags = kind;
  if (kind == kKindOrdinary) flags |= kChecked;
  if (target.wholeKey) flags |= kWholeKey;
  list.push_back({line, flags, reason, target.keyText, target.valueName});
  ++totalCount_;
  treeDirty_ = true;
  if (kind == kKindCaution && !cautionVisible_) {
    cautionVisible_ = true;
    if (observer_) observer_->SetCautionVisible(true);
  }
  return int(list.size());
}

namespace {

// One spelling of a value for comparisons, without regard to case, as the
// registry compares key and value names.
std::string ValueId(const std::string& keyText, const std::string& valueName) {
  return UpperCase(CanonicalKeyText(keyText)) + '\n' + UpperCase(valueName);
}

}  // namespace

void ResultsStore::AddListedInsteadOfRemoved(const ProblemTarget& value) {
  listedInsteadOfRemoved_.insert(ValueId(value.keyText, value.valueName));
}

bool ResultsStore::ListedInsteadOfRemoved(const std::string& keyText,
                                          const std::string& valueName) const {
  return listedInsteadOfRemoved_.count(ValueId(keyText, valueName)) > 0;
}

void ResultsStore::ResetResults() {
  for (std::vector<ProblemEntry>& list : SectionLists) std::vector<ProblemEntry>().swap(list);
  removedAtOnce_.clear();
  listedInsteadOfRemoved_.clear();
  totalCount_ = 0;
  totalsRecorded_ = false;
  treeDirty_ = true;
  cautionVisible_ = false;
  if (observer_) {
    observer_->ResultsReset();
    observer_->SetCautionVisible(false);
  }
  if (filter_) filter_->Reload();
}

void ResultsStore::RecordTotals(std::optional<int> repaired) {
  totalsRecorded_ = true;
  if (stamps_) {
    if (repaired)
      stamps_->StoreRepairTotals(*repaired);
    else
      stamps_->StoreScanTotals(totalCount_);
  }
  if (observer_) observer_->TotalsRecorded();
}

void ResultsStore::StampOrganized() {
  if (stamps_) stamps_->StampOrganized();
}

int ResultsStore::CheckedCount() const {
  int count = 0;
  for (const auto& list : SectionLists)
    for (const ProblemEntry& entry : list) count += entry.Checked();
  return count;
}

int ResultsStore::SkippedCount() const {
  int count = 0;
  for (const auto& list : SectionLists)
    for (const ProblemEntry& entry : list) count += !entry.Checked() && !entry.IgnoreMarked();
  return count;
}

}  // namespace hvm
