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

namespace hvm {

using PlacementNumbers = std::array<int32_t, 11>;

std::string FormatPlacement(const PlacementNumbers& numbers);
// Nothing unless the text holds exactly eleven such integers (blanks around
// each are allowed).
std::optional<PlacementNumbers> ParsePlacement(std::string_view text);

}  // namespace hvm
