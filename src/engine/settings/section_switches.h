// The switches of the 24 scan sections in the settings file's section
// "scan": a section runs (and shows in the results) only while its switch is
// on. Every switch is on by default except that of section 24.
#pragma once

#include <array>

namespace hvm {

inline constexpr int kFirstSection = 1;
inline constexpr int kLastSection = 24;

struct SectionSwitch {
  int section;
  const char* key;
  bool onByDefault;
};

// In the order the settings file writes them: sections 1 to 22, then 24, then
// 23. The switch of section 11 is "VirtualDrivers" although the section is
// labelled "Virtual Devices".
extern const std::array<SectionSwitch, 24> kSectionSwitches;

// The switch key of a section number 1..24; nullptr for any other number.
const char* SectionSwitchKey(int section);
// Its default; false for any other number.
bool SectionSwitchDefault(int section);

}  // namespace hvm
