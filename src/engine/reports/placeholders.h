// Placeholders in template HTML: a name of letters and digits between two
// percent signs, replaced by the value of a name=value list. Pure text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hvm {

struct Placeholder {
  std::string name;
  std::string value;
};
using PlaceholderList = std::vector<Placeholder>;

// The colour of template text.
inline constexpr std::string_view kTemplateTextColor = "#2E5A7E";

// The width templates lay their page out in: 515 pixels at 96 dpi, growing
// with the screen's pixels per inch.
int TemplateWidth(int dpi);

// Sets "font", "color" and "width", which every rendered template receives,
// replacing the caller's entries of those names.
void SetRendererPlaceholders(PlaceholderList& list, std::string_view fontName, int dpi);

// Replaces each "%name%" whose name is only letters and digits by the value of
// the last entry with that name (names compared trimmed and case-blind), or by
// nothing when no entry has it. Inserted values are not scanned again. A "%"
// followed by anything else stays, so "50%" and "100% wide" are untouched.
std::string FillPlaceholders(std::string_view text, const PlaceholderList& list);

}  // namespace hvm
