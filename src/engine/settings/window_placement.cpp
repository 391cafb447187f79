#include "engine/settings/window_placement.h"

#include "engine/settings/ini_file.h"

namespace hvm {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Decimal only: a placement never holds "0x" numbers.
std::optional<int32_t> Field(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() > 1 && (text[1] == 'x' || text[1] == 'X')) return std::nullopt;
  return ParseIniInteger(text);
}

}  // namespace

std::string FormatPlacement(const PlacementNumbers& numbers) {
  std::string text;
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(numbers[i]);
  }
  return text;
}

std::optional<PlacementNumbers> ParsePlacement(std::string_view text) {
  PlacementNumbers numbers{};
  size_t start = 0;
  for (size_t i = 0; i < numbers.size(); ++i) {
    const size_t comma = text.find(',', start);
    const bool last = i + 1 == numbers.size();
    if (last != (comma == std::string_view::npos)) return std::nullopt;
    const size_t end = last ? text.size() : comma;
    const std::optional<int32_t> value = Field(text.substr(start, end - start));
    if (!value) return std::nullopt;
    numbers[i] = *value;
    start = end + 1;
  }
  return numbers;
}

}  // namespace hvm
