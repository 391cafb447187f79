// The 32 fixed registry locations the monitor watches, with long root names,
// in the letter case the change lines show.
#pragma once

#include <array>
#include <string_view>

namespace hvm {

inline constexpr int kWatchPointCount = 32;

const std::array<std::string_view, kWatchPointCount>& WatchPoints();

}  // namespace hvm
