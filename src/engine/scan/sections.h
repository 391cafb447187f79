// The 24 scan sections: number (their identity everywhere), label, the switch
// key of the settings file's "scan" section with its default, and what each
// reserves on the progress bar.
#pragma once

#include <array>
#include <string_view>

#include "engine/core/results_store.h"

namespace hvm {

enum class ProgressBasis {
  Fixed,      // `units` in all
  PerSubKey,  // `units` per sub-key of `countedKey`
  PerValue,   // `units` per value of `countedKey`
};

struct SectionInfo {
  int number;
  std::string_view label;
  std::string_view switchKey;
  bool defaultOn;
  ProgressBasis basis;
  int units;
  std::string_view countedKey;  // short root name and path
};

const std::array<SectionInfo, kSectionCount>& SectionTable();
// The row of section 1..24.
const SectionInfo& Section(int number);

// Whether each section runs.
class SectionSwitches {
 public:
  virtual ~SectionSwitches() = default;
  virtual bool Enabled(int section) const = 0;
};

// The switches as a fresh settings file has them.
class DefaultSectionSwitches : public SectionSwitches {
 public:
  bool Enabled(int section) const override { return Section(section).defaultOn; }
};

}  // namespace hvm
