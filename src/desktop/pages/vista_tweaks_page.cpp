#include "desktop/pages/vista_tweaks_page.h"

namespace hvm {
namespace {

// Panel layout, 96-dpi units.
constexpr int kLeft = 8;  // lines the boxes up with the button above
constexpr int kTop = 2;
constexpr int kRowHeight = 19;
constexpr int kBoxHeight = 18;
constexpr int kNoticeHeight = 18;

void ReportAll(const std::vector<std::string>& errors) {
  std::string text;
  for (const std::string& error : errors) text += (text.empty() ? "" : "\n") + error;
  if (!text.empty()) ui::ReportError(text);
}

}  // namespace

VistaTweaksPage::~VistaTweaksPage() {
  Templates().Release(view_);
}

bool VistaTweaksPage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  if (!CreatePage(kClassName, parent, bounds)) return false;
  if (!view_.Create(Hwnd(), {ClientRect()})) return false;
  for (size_t box = 0; box < boxes_.size(); ++box) {
    ui::CheckBox::CreateArgs args;
    args.text = VistaSettings()[box].caption;
    args.colour = ui::kCaptionColour;  // as the template's text around them
    if (!boxes_[box].Create(Hwnd(), args)) return false;
  }
  if (!logon_.Create(Hwnd(), {kLogonNotice, {}, {}, ui::kCaptionColour})) return false;
  // The boxes go onto the template's panel as the view makes it.
  Templates().SetControlCreatedHook([this](const TemplateControl& made) {
    if (made.panel) LendTo(*made.panel);
  });
  try {
    Templates().Render(view_, kVistaTemplate);
  } catch (...) {
    Templates().SetControlCreatedHook({});
    throw;
  }
  Templates().SetControlCreatedHook({});
  return panel_ != nullptr;
}

LRESULT VistaTweaksPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE && view_.Hwnd()) view_.SetBounds(ClientRect());
  return Window::OnMessage(message, wParam, lParam);
}

void VistaTweaksPage::LendTo(TemplatePanel& panel) {
  panel_ = &panel;
  for (ui::CheckBox& box : boxes_) SetParent(box.Hwnd(), panel.Hwnd());
  SetParent(logon_.Hwnd(), panel.Hwnd());
  panel.onResize = [this](TemplatePanel&) { LayOutPanel(); };
  panel.beforeDestroy = [this](TemplatePanel& gone) { TakeBack(gone); };
  panel.Show(true);
  LayOutPanel();
  InvalidateRect(panel.Hwnd(), nullptr, TRUE);
}

void VistaTweaksPage::TakeBack(TemplatePanel& panel) {
  // Back onto this page, hidden, before the panel destroys its children.
  for (ui::CheckBox& box : boxes_) {
    box.Show(false);
    SetParent(box.Hwnd(), Hwnd());
  }
  logon_.Show(false);
  SetParent(logon_.Hwnd(), Hwnd());
  if (panel_ == &panel) panel_ = nullptr;
}

void VistaTweaksPage::LayOutPanel() {
  if (!panel_) return;
  const ui::Dpi dpi = panel_->CurrentDpi();
  const RECT area = panel_->ClientRect();
  const int width = ui::Width(area) - dpi.Scale(2 * kLeft);
  for (size_t box = 0; box < boxes_.size(); ++box)
    boxes_[box].SetBounds(ui::MakeRect(dpi.Scale(kLeft), dpi.Scale(kTop + kRowHeight * int(box)),
                                       width, dpi.Scale(kBoxHeight)));
  // The notice sits on the panel's bottom edge.
  logon_.SetBounds(ui::MakeRect(dpi.Scale(kLeft), area.bottom - dpi.Scale(kNoticeHeight), width,
                                dpi.Scale(kNoticeHeight)));
}

void VistaTweaksPage::PageShown() {
  const VistaReading reading = ReadVistaState();
  unreadable_ = reading.unreadable;
  for (size_t box = 0; box < boxes_.size(); ++box) boxes_[box].SetChecked(reading.checked[box]);
  ShowAccess(VistaAccessFor(hooks_.administrator && hooks_.administrator()));
  ReportAll(reading.errors);
}

void VistaTweaksPage::ShowAccess(const VistaAccess& access) {
  for (size_t box = 0; box < boxes_.size(); ++box)
    boxes_[box].Enable(access.enabled[box] && !unreadable_[box]);
  logon_.Show(access.noticeVisible);
  LayOutPanel();
}

void VistaTweaksPage::Apply() {
  VistaReading state;
  state.unreadable = unreadable_;
  for (size_t box = 0; box < boxes_.size(); ++box) state.checked[box] = boxes_[box].IsChecked();
  ReportAll(ApplyVistaState(state));
}

}  // namespace hvm
