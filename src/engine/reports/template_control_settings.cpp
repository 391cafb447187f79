#include "engine/reports/template_control_settings.h"

#include <charconv>

#include "engine/reports/ansi_text.h"

namespace hvm {
namespace {

using namespace ansi_text;

constexpr int kDefaultWidth = 105;
constexpr int kDefaultHeight = 20;
constexpr int kHiddenTop = -400;
constexpr int kHiddenPanelTop = -1000;

// HTML attribute names are case-blind.
std::string_view AttributeOf(const HtmlAttributes& attributes, std::string_view name) {
  for (const HtmlAttribute& attribute : attributes) {
    if (EqualsIgnoringCase(attribute.name, name)) return attribute.value;
  }
  return {};
}

TemplateControlSettings Button(const HtmlAttributes& attributes) {
  TemplateControlSettings settings;
  settings.kind = TemplateControlKind::kButton;
  settings.commandCode = DecimalOr(AttributeOf(attributes, "name"), 0);
  settings.hint = std::string(AttributeOf(attributes, "alt"));
  settings.hiddenTop = kHiddenTop;
  return settings;
}

TemplateControlSettings Sized(TemplateControlKind kind, const HtmlAttributes& attributes) {
  TemplateControlSettings settings;
  settings.kind = kind;
  settings.width = DecimalOr(AttributeOf(attributes, "width"), kDefaultWidth);
  settings.height = DecimalOr(AttributeOf(attributes, "height"), kDefaultHeight);
  settings.hiddenTop = kind == TemplateControlKind::kPanel ? kHiddenPanelTop : kHiddenTop;
  return settings;
}

}  // namespace

int DecimalOr(std::string_view text, int fallback) {
  // from_chars takes "-" but not "+"; a sign only ever comes first.
  if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return fallback;
  return value;
}

std::optional<TemplateControlSettings> TemplateControlFor(std::string_view type,
                                                          const HtmlAttributes& attributes) {
  if (EqualsIgnoringCase(type, "user")) return Button(attributes);
  if (EqualsIgnoringCase(type, "user_progress")) {
    return Sized(TemplateControlKind::kProgressBar, attributes);
  }
  if (EqualsIgnoringCase(type, "user_panel")) return Sized(TemplateControlKind::kPanel, attributes);
  return std::nullopt;
}

}  // namespace hvm
