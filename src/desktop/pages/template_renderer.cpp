#include "desktop/pages/template_renderer.h"

#include <memory>
#include <vector>

#include "engine/reports/mhtml.h"
#include "engine/reports/template_resource.h"
#include "ui/keyboard_navigation.h"

namespace hvm {

bool TemplatePanel::Create(HWND parent, const RECT& bounds) {
  return CreatePage("HivemendTemplatePanel", parent, bounds, true);
}

LRESULT TemplatePanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // WM_DESTROY reaches the panel before its children are destroyed.
  if (message == WM_DESTROY && beforeDestroy) {
    auto hook = std::move(beforeDestroy);
    beforeDestroy = nullptr;
    hook(*this);
  }
  if (message == WM_SIZE && onResize) onResize(*this);
  return Window::OnMessage(message, wParam, lParam);
}

// What a view holds of its template: the parsed document (pictures are read
// from it on request) and the controls made for it.
struct TemplateRenderer::Attached {
  explicit Attached(MhtmlDocument parsed) : document(std::move(parsed)) {}
  MhtmlDocument document;
  std::vector<std::unique_ptr<ui::Window>> controls;
};

TemplateRenderer& Templates() {
  static TemplateRenderer renderer;
  return renderer;
}

const ui::Picture* TemplateRenderer::StripFor(int code) {
  auto found = strips_.find(code);
  if (found == strips_.end()) found = strips_.emplace(code, ui::Picture::FromResource(code)).first;
  return &found->second;
}

HWND TemplateRenderer::MakeControl(ui::HtmlView& view, Attached& attached,
                                   const ui::EmbeddedControlRequest& request) {
  HtmlAttributes attributes;
  for (const auto& [name, value] : request.attributes) attributes.push_back({name, value});
  const std::optional<TemplateControlSettings> settings =
      TemplateControlFor(request.type, attributes);
  if (!settings) return nullptr;
  const ui::Dpi dpi = view.CurrentDpi();
  TemplateControl made{settings->kind};
  switch (settings->kind) {
    case TemplateControlKind::kButton: {
      auto button = std::make_unique<ui::ImageButton>();
      ui::ImageButton::CreateArgs args;
      args.strip = StripFor(settings->commandCode);
      args.command = settings->commandCode;
      args.hint = settings->hint;
      args.origin = {0, settings->hiddenTop};
      // Reached by Tab and pressed with Enter or Space like any button; a
      // template's button is its page's main one.
      args.tabStop = true;
      args.isDefault = true;
      if (!button->Create(view.Hwnd(), args)) return nullptr;
      button->onClick = [this](int command) {
        if (commandSink_) commandSink_(command);
      };
      made.button = button.get();
      made.window = button->Hwnd();
      lastButton_ = button.get();
      attached.controls.push_back(std::move(button));
      break;
    }
    case TemplateControlKind::kProgressBar: {
      auto bar = std::make_unique<ui::ProgressBar>();
      if (!bar->Create(view.Hwnd(),
                       {ui::MakeRect(0, settings->hiddenTop, dpi.Scale(settings->width),
                                     dpi.Scale(settings->height)),
                        100}))
        return nullptr;
      made.progressBar = bar.get();
      made.window = bar->Hwnd();
      lastProgressBar_ = bar.get();
      attached.controls.push_back(std::move(bar));
      break;
    }
    case TemplateControlKind::kPanel: {
      auto panel = std::make_unique<TemplatePanel>();
      if (!panel->Create(view.Hwnd(),
                         ui::MakeRect(0, settings->hiddenTop, dpi.Scale(settings->width),
                                      dpi.Scale(settings->height))))
        return nullptr;
      made.panel = panel.get();
      made.window = panel->Hwnd();
      lastPanel_ = panel.get();
      attached.controls.push_back(std::move(panel));
      break;
    }
  }
  if (controlCreated_) controlCreated_(made);
  return made.window;
}

void TemplateRenderer::Render(ui::HtmlView& view, int number, PlaceholderList list) {
  // A render makes the page's buttons anew; the keyboard on one of the old
  // stays on the page.
  HWND focus = GetFocus();
  const bool focusInView = focus && (focus == view.Hwnd() || IsChild(view.Hwnd(), focus));
  Release(view);
  auto attached = std::make_unique<Attached>(LoadTemplate(number));
  Attached& current = *attached;
  attached_[&view] = std::move(attached);
  view.imageRequest = [&current](std::string_view address) -> std::optional<std::string> {
    const std::optional<std::string_view> part = current.document.GetPart(address);
    if (!part) return std::nullopt;
    return std::string(*part);
  };
  view.createControl = [this, &current](ui::HtmlView& target,
                                        const ui::EmbeddedControlRequest& request) {
    return MakeControl(target, current, request);
  };
  // The view lays every length out in 96-dpi units and scales it to its own
  // DPI, so the page width is given at the design DPI; handing it the
  // screen's width in pixels would scale it twice.
  SetRendererPlaceholders(list, ui::CurrentTheme().fontFace, ui::Dpi::kDesign);
  const std::string html(current.document.GetPart().value_or(std::string_view()));
  view.LoadHtml(FillPlaceholders(html, list));
  if (focusInView) ui::FocusFirstStop(view.Hwnd());
}

void TemplateRenderer::Release(ui::HtmlView& view) {
  const auto found = attached_.find(&view);
  if (found == attached_.end()) return;
  // The view lets go of the windows first, so that panels run their hooks
  // while the pages' lent controls still stand on them.
  view.Clear();
  view.imageRequest = nullptr;
  view.createControl = nullptr;
  for (const auto& control : found->second->controls) {
    if (control.get() == lastButton_) lastButton_ = nullptr;
    if (control.get() == lastProgressBar_) lastProgressBar_ = nullptr;
    if (control.get() == lastPanel_) lastPanel_ = nullptr;
  }
  attached_.erase(found);
}

}  // namespace hvm
