#include "engine/reports/placeholders.h"

#include "engine/reports/ansi_text.h"

namespace hvm {
namespace {

using namespace ansi_text;

constexpr int kBaseDpi = 96;
constexpr int kBaseWidth = 515;

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string KeyOf(std::string_view name) {
  return UpperAscii(Trim(name));
}

// The value of the last entry whose name matches; "" when none does.
std::string_view ValueOf(const PlaceholderList& list, std::string_view upperName) {
  for (auto entry = list.rbegin(); entry != list.rend(); ++entry) {
    if (KeyOf(entry->name) == upperName) return entry->value;
  }
  return {};
}

void Set(PlaceholderList& list, std::string_view name, std::string value) {
  const std::string key = KeyOf(name);
  std::erase_if(list, [&](const Placeholder& entry) { return KeyOf(entry.name) == key; });
  list.push_back({std::string(name), std::move(value)});
}

}  // namespace

int TemplateWidth(int dpi) {
  return dpi * kBaseWidth / kBaseDpi;
}

void SetRendererPlaceholders(PlaceholderList& list, std::string_view fontName, int dpi) {
  Set(list, "font", std::string(fontName));
  Set(list, "color", std::string(kTemplateTextColor));
  Set(list, "width", std::to_string(TemplateWidth(dpi)));
}

std::string FillPlaceholders(std::string_view text, const PlaceholderList& list) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size() && IsNameCharacter(text[end])) ++end;
    if (end < text.size() && text[end] == '%') {
      out += ValueOf(list, UpperAscii(text.substr(i + 1, end - i - 1)));
      i = end + 1;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace hvm
