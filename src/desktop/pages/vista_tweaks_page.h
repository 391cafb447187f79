// The Vista tweaks page (VistaTweaksPage): template 440, rendered once, with the
// page's six check boxes and its log-on notice lent to the template's panel.
// The boxes are read from the registry each time the page is shown and
// written when the template's button (command 180) is clicked.
#pragma once

#include <array>
#include <functional>

#include "desktop/pages/template_renderer.h"
#include "engine/tweaks/vista_tweaks.h"
#include "ui/controls.h"
#include "ui/html_view.h"
#include "ui/window.h"

namespace hvm {

inline constexpr int kVistaTemplate = 440;

class VistaTweaksPage : public ui::Window {
 public:
  // The window class other programs and tests find it by; never changes.
  static constexpr char kClassName[] = "TfTweak";
  struct Hooks {
    std::function<bool()> administrator;
  };
  ~VistaTweaksPage() override;
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);

  // The page became visible: the boxes show the registry's state.
  void PageShown();
  // Command 180: the boxes are written to the registry.
  void Apply();
  // Which boxes may change and whether the log-on notice shows.
  void ShowAccess(const VistaAccess& access);

  ui::CheckBox& Box(VistaBox box) { return boxes_[box]; }
  ui::Label& nLogon() { return logon_; }
  TemplatePanel* Panel() const { return panel_; }
  ui::HtmlView& View() { return view_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void LendTo(TemplatePanel& panel);
  void TakeBack(TemplatePanel& panel);
  void LayOutPanel();

  Hooks hooks_;
  ui::HtmlView view_;
  std::array<ui::CheckBox, 6> boxes_;
  ui::Label logon_;
  TemplatePanel* panel_ = nullptr;
  // Values the last reading could not make sense of: left alone by Apply.
  std::array<bool, 6> unreadable_{};
};

}  // namespace hvm
