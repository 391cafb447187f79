// What a template asks for with its custom input elements: an image button
// that sends a command to the main window, a progress bar, or a panel a page
// lends its own controls to. Pure text: the HTML view creates the controls
// from this.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hvm {

struct HtmlAttribute {
  std::string name;
  std::string value;
};
using HtmlAttributes = std::vector<HtmlAttribute>;

enum class TemplateControlKind { kButton, kProgressBar, kPanel };

struct TemplateControlSettings {
  TemplateControlKind kind = TemplateControlKind::kButton;
  // Buttons: the command posted to the main window, also the number of the
  // picture strip resource; its hint, shown only when not empty.
  int commandCode = 0;
  std::string hint;
  // Progress bars and panels.
  int width = 0;
  int height = 0;
  // Where the control waits, out of sight, until the view lays it out.
  int hiddenTop = 0;
};

// The control for an input element of `type` ("user", "user_progress" or
// "user_panel"); none for any other type.
std::optional<TemplateControlSettings> TemplateControlFor(std::string_view type,
                                                          const HtmlAttributes& attributes);

// A decimal number, or `fallback` when the text is not one.
int DecimalOr(std::string_view text, int fallback);

}  // namespace hvm
