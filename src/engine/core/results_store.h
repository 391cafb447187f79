// The results store: the problems of one scan, filed in 24 per-section lists
// from the start of one scan to the start of the next. The scan sections fill
// it, the results page shows and checks it, the repair walks it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/core/problem_line.h"

namespace hvm {

inline constexpr int kSectionCount = 24;
// Sections whose problems are doubtful enough to arrive unchecked.
inline constexpr int kFirstCautionSection = 23;

// Entry flags.
inline constexpr uint8_t kKindMask = 0x0F;    // 0 ordinary, 1 caution
inline constexpr uint8_t kChecked = 0x10;     // will be repaired
inline constexpr uint8_t kIgnoreMark = 0x20;  // added to the ignore file at repair, never repaired
inline constexpr uint8_t kWholeKey = 0x40;    // the line names a whole key

inline constexpr uint8_t kKindOrdinary = 0;
inline constexpr uint8_t kKindCaution = 1;

// Why a line was reported: what was tested and found missing. `rule` names
// the test ("file missing", "class not registered", "empty key"...),
// `target` what it tested (the resolved path, the class key, the key).
struct ProblemReason {
  std::string rule;
  std::string target;
  bool operator==(const ProblemReason&) const = default;
};

struct ProblemEntry {
  std::string line;  // shown to the user; never parsed to find the item again
  uint8_t flags = 0;
  ProblemReason reason;
  // The item the line stands for: its key text, and the value name of a value
  // problem ("" the default value).
  std::string keyText;
  std::string valueName;

  uint8_t Kind() const { return flags & kKindMask; }
  bool Checked() const { return flags & kChecked; }
  bool IgnoreMarked() const { return flags & kIgnoreMark; }
  bool WholeKey() const { return flags & kWholeKey; }
  // Checked and ignore mark exclude each other.
  void SetChecked(bool on);
  void SetIgnoreMark(bool on);
};

// The one test whether a key or value is protected, ignored by the user, or
// known to be impossible to remove.
class SuppressionFilter {
 public:
  virtual ~SuppressionFilter() = default;
  virtual bool IsSuppressed(const std::string& keyText, const std::string& valuePart,
                            bool wholeKey) = 0;
  // Rereads the lists the test consults; called when a scan starts.
  virtual void Reload() = 0;
};

// Where the scan and repair statistics are kept (the settings file).
class ResultsStamps {
 public:
  virtual ~ResultsStamps() = default;
  // A problem was reported: `last_organize` := now.
  virtual void StampOrganized() = 0;
  // A scan completed with `found` problems.
  virtual void StoreScanTotals(int found) = 0;
  // A repair removed `repaired` problems.
  virtual void StoreRepairTotals(int repaired) = 0;
};

// What the pages around the store are told.
class ResultsObserver {
 public:
  virtual ~ResultsObserver() = default;
  // The results page's "Proceed with Caution" label and its icon.
  virtual void SetCautionVisible(bool visible) = 0;
  // The store was emptied for a new scan; the repair's work texts go too.
  virtual void ResultsReset() = 0;
  // Statistics were written: the front page is to be rendered again.
  virtual void TotalsRecorded() = 0;
};

// A stale value a scan section removed at once rather than listing it: its
// line and reason as a problem would have had them, and the undo snapshot
// it went to.
struct RemovedValue {
  int section = 0;
  std::string line;
  ProblemReason reason;
  std::string snapshot;
};

class ResultsStore {
 public:
  // The collaborators must outlive the store; null ones do nothing.
  explicit ResultsStore(SuppressionFilter* filter = nullptr, ResultsStamps* stamps = nullptr,
                        ResultsObserver* observer = nullptr);

  // Files one line under `section` (1..24) unless it is suppressed; returns
  // the number of entries now in that section's list either way. `target` is
  // the item the line stands for.
  int AddProblem(int section, const ProblemTarget& target, const std::string& line,
                 const ProblemReason& reason = {});
  // The same for a line whose value name holds no " = " (see ProblemTargetOf).
  int AddProblem(int section, const std::string& line, const ProblemReason& reason = {});
  // Records a value removed at once during the scan.
  void AddRemovedAtOnce(RemovedValue removed) { removedAtOnce_.push_back(std::move(removed)); }
  // Everything removed at once since the scan started, in order.
  const std::vector<RemovedValue>& RemovedAtOnce() const { return removedAtOnce_; }
  // A scan that removes nothing lists such a value instead; the rest of the
  // scan takes it as removed, so that it is listed once, as the scan that
  // removes would have it.
  void AddListedInsteadOfRemoved(const ProblemTarget& value);
  bool ListedInsteadOfRemoved(const std::string& keyText, const std::string& valueName) const;
  // Empties every list (the removed values too) for a new scan.
  void ResetResults();
  void ClearTotal() { totalCount_ = 0; }
  // Writes the statistics: of a completed scan without a count, of a repair
  // with the number of repaired problems.
  void RecordTotals(std::optional<int> repaired = std::nullopt);
  // A problem was reported (suppressed ones included).
  void StampOrganized();

  int TotalCount() const { return totalCount_; }
  // Entries with checked set, over all lists.
  int CheckedCount() const;
  // Entries with neither checked nor ignore mark.
  int SkippedCount() const;

  // The list of `section` (1..24).
  std::vector<ProblemEntry>& Section(int section);
  const std::vector<ProblemEntry>& Section(int section) const;

  bool TreeDirty() const { return treeDirty_; }
  void SetTreeDirty(bool dirty) { treeDirty_ = dirty; }
  bool TotalsRecordedFlag() const { return totalsRecorded_; }
  bool CautionVisible() const { return cautionVisible_; }

  int FoundCountForReports() const { return foundForReports_; }
  void SetFoundCountForReports(int count) { foundForReports_ = count; }
  int SkippedCountForReports() const { return skippedForReports_; }
  void SetSkippedCountForReports(int count) { skippedForReports_ = count; }

 private:
  std::array<std::vector<ProblemEntry>, kSectionCount> SectionLists;
  std::vector<RemovedValue> removedAtOnce_;
  std::unordered_set<std::string> listedInsteadOfRemoved_;  // ValueId of each
  int totalCount_ = 0;
  bool treeDirty_ = false;
  bool totalsRecorded_ = false;
  bool cautionVisible_ = false;
  int foundForReports_ = 0;
  int skippedForReports_ = 0;
  SuppressionFilter* filter_;
  ResultsStamps* stamps_;
  ResultsObserver* observer_;
};

}  // namespace hvm
