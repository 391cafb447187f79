#include "engine/reports/template_control_settings.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

TemplateControlSettings Control(std::string_view type, const HtmlAttributes& attributes) {
  const auto settings = TemplateControlFor(type, attributes);
  if (!settings) throw std::runtime_error("no control for " + std::string(type));
  return *settings;
}

TEST(TemplateControlFor, ButtonTakesItsCodeAndHint) {
  const TemplateControlSettings button =
      Control("user", {{"NAME", "160"}, {"alt", "Click to begin processing"}});
  EXPECT_EQ(TemplateControlKind::kButton, button.kind);
  EXPECT_EQ(160, button.commandCode);
  EXPECT_EQ("Click to begin processing", button.hint);
  EXPECT_EQ(-400, button.hiddenTop);
}

TEST(TemplateControlFor, ButtonNameThatIsNoNumberGivesCodeZero) {
  for (const char* name : {"scan", "", "12a", "1.5", " 100", "99999999999"}) {
    EXPECT_EQ(0, Control("user", {{"name", name}}).commandCode) << name;
  }
  EXPECT_EQ(0, Control("user", {}).commandCode);
  EXPECT_EQ("", Control("user", {}).hint);
}

TEST(TemplateControlFor, ProgressBarAndPanelHaveDefaultSizes) {
  const TemplateControlSettings bar = Control("user_progress", {{"width", "400"}});
  EXPECT_EQ(TemplateControlKind::kProgressBar, bar.kind);
  EXPECT_EQ(400, bar.width);
  EXPECT_EQ(20, bar.height);
  EXPECT_EQ(-400, bar.hiddenTop);

  const TemplateControlSettings panel =
      Control("USER_PANEL", {{"height", "140"}, {"width", "50%"}});
  EXPECT_EQ(TemplateControlKind::kPanel, panel.kind);
  EXPECT_EQ(105, panel.width);
  EXPECT_EQ(140, panel.height);
  EXPECT_EQ(-1000, panel.hiddenTop);
}

TEST(TemplateControlFor, OtherInputTypesAreNoTemplateControls) {
  EXPECT_FALSE(TemplateControlFor("button", {{"name", "100"}}));
  EXPECT_FALSE(TemplateControlFor("", {}));
  EXPECT_FALSE(TemplateControlFor("user_", {}));
}

TEST(DecimalOr, ReadsSignedDecimalsOnly) {
  EXPECT_EQ(195, DecimalOr("195", 0));
  EXPECT_EQ(-5, DecimalOr("-5", 0));
  EXPECT_EQ(5, DecimalOr("+5", 0));
  EXPECT_EQ(7, DecimalOr("0x10", 7));
  EXPECT_EQ(7, DecimalOr("+", 7));
  EXPECT_EQ(7, DecimalOr("+-5", 7));
}

}  // namespace
}  // namespace hvm
