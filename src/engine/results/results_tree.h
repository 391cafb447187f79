// What the results page's tree shows and how its check marks behave: one row
// per switched-on section, under it one row per problem; the row texts, the
// three check states, toggling, "Select All"/"Deselect All" and the ignore
// mark. It changes the entries of the results store and knows no window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/results_store.h"
#include "engine/results/finding_details.h"
#include "engine/scan/sections.h"

namespace hvm {

enum class RowCheck { kUnchecked = 1, kChecked = 2, kPartial = 3 };

// The text of a problem row: the key, and after a comma the value part when
// it says more than that the value is not a string.
std::string ProblemRowText(const std::string& line);

// " 1 Problem Found", otherwise " N Problems Found!" (0 included).
std::string ResultsCountLabel(int total);

// "m of 1 Item" or "m of n Items"; empty for an empty section.
std::string SectionCountText(int checked, int count);

// The background of section row `ordinal` (0 for the first shown): 0xRRGGBB.
uint32_t SectionRowColour(int ordinal);

class ResultsTree {
 public:
  explicit ResultsTree(ResultsStore& results) : results_(results) {}

  // The sections shown: those switched on, whether or not they found anything.
  void Build(const SectionSwitches& switches);
  const std::vector<int>& Sections() const { return sections_; }
  int OrdinalOf(int section) const;

  RowCheck SectionState(int section) const;
  RowCheck ItemState(int section, int index) const;
  int CheckedCount(int section) const;

  // A click on the check glyph, or Space: a section unchecked becomes all
  // checked, otherwise all unchecked; an item flips, unless it is marked to
  // be ignored.
  void ToggleSection(int section);
  void ToggleItem(int section, int index);
  // "Select All" / "Deselect All" for one section; ignored entries stay.
  void SetSectionChecked(int section, bool on);
  // "Permanently Ignore item" and the key S: marking unchecks, unmarking
  // leaves the entry unchecked.
  void ToggleIgnore(int section, int index);

  // What the detail band says for a row: a problem's (`index` >= 0) reason, a
  // section's (`index` -1) description; the prompt for a row that is gone.
  FindingDetails DetailsOfRow(int section, int index) const;

 private:
  ResultsStore& results_;
  std::vector<int> sections_;
};

}  // namespace hvm
