#include "reports/template_control_spec.h"

#include <charconv>

#include "reports/ansi_text.h"

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

TemplateControlSpec Button(const HtmlAttributes& attributes) {
  TemplateControlSpec spec;
  spec.kind = TemplateControlKind::kButton;
  spec.commandCode = DecimalOr(AttributeOf(attributes, "name"), 0);
  spec.hint = std::string(AttributeOf(attributes, "alt"));
  spec.hiddenTop = kHiddenTop;
  return spec;
}

TemplateControlSpec Sized(TemplateControlKind kind, const HtmlAttributes& attributes) {
  TemplateControlSpec spec;
  spec.kind = kind;
  spec.width = DecimalOr(AttributeOf(attributes, "width"), kDefaultWidth);
  spec.height = DecimalOr(AttributeOf(attributes, "height"), kDefaultHeight);
  spec.hiddenTop = kind == TemplateControlKind::kPanel ? kHiddenPanelTop : kHiddenTop;
  return spec;
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

std::optional<TemplateControlSpec> TemplateControlFor(std::string_view type,
                                                      const HtmlAttributes& attributes) {
  if (EqualsIgnoringCase(type, "user")) return Button(attributes);
  if (EqualsIgnoringCase(type, "user_progress")) {
    return Sized(TemplateControlKind::kProgressBar, attributes);
  }
  if (EqualsIgnoringCase(type, "user_panel")) return Sized(TemplateControlKind::kPanel, attributes);
  return std::nullopt;
}

}  // namespace hvm
