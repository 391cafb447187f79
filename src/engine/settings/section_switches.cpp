#include "engine/settings/section_switches.h"

#include "engine/scan/sections.h"

namespace hvm {
namespace {

// The settings file writes section 24's switch before section 23's.
constexpr std::array<int, 24> kFileOrder = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                            13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 23};

std::array<SectionSwitch, 24> SwitchesInFileOrder() {
  std::array<SectionSwitch, 24> switches{};
  for (size_t i = 0; i < kFileOrder.size(); ++i) {
    const SectionInfo& info = Section(kFileOrder[i]);
    // The table's keys are string literals, so their text ends in a NUL.
    switches[i] = {info.number, info.switchKey.data(), info.defaultOn};
  }
  return switches;
}

}  // namespace

const std::array<SectionSwitch, 24> kSectionSwitches = SwitchesInFileOrder();

const char* SectionSwitchKey(int section) {
  if (section < kFirstSection || section > kLastSection) return nullptr;
  return Section(section).switchKey.data();
}

bool SectionSwitchDefault(int section) {
  return section >= kFirstSection && section <= kLastSection && Section(section).defaultOn;
}

}  // namespace hvm
