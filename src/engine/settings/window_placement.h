// The main window's placement as the settings file keeps it: eleven signed
// decimal integers separated by commas, in the order of the platform's
// window placement record (length, flags, show command, minimised x and y,
// maximised x and y, normal left, top, right and bottom). Pure text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/settings/program_settings.h"

namespace hvm {

using PlacementNumbers = std::array<int32_t, 11>;

std::string FormatPlacement(const PlacementNumbers& numbers);
// Nothing unless the text holds exactly eleven such integers (blanks around
// each are allowed).
std::optional<PlacementNumbers> ParsePlacement(std::string_view text);

// The setting the placement is kept in on a screen of `dpi` dots per inch:
// window_l above 96, else window. Opening and closing must ask with the same
// measure, or a placement is saved under one key and read from the other.
inline std::string& PlacementSetting(ProgramSettings& settings, int dpi) {
  return dpi > 96 ? settings.window_l : settings.window;
}

}  // namespace hvm
