// Rendering page templates into an HTML text view: the template is read from
// the program's resources, its placeholders filled, its pictures handed to the
// view on request, and its custom input elements made into image buttons whose
// clicks go to the program's command sink, progress bars and panels that a page
// lends its own controls to.
//
// The renderer's state is shared by every page and lives on the GUI thread.
#pragma once

#include <windows.h>

#include <functional>

#include "engine/reports/placeholders.h"
#include "engine/reports/template_control_settings.h"
#include "ui/html_view.h"
#include "ui/image_button.h"
#include "ui/progress_bar.h"

namespace hvm {

// The plain panel of a "user_panel" element. A page that lends controls to it
// takes them back in its before-destroy hook, which runs while they still
// stand on the panel.
class TemplatePanel : public ui::Window {
 public:
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds);
  std::function<void(TemplatePanel& panel)> beforeDestroy;
  // The panel changed its size (the view lays it out, or a new DPI).
  std::function<void(TemplatePanel& panel)> onResize;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A control a template made, as the control-created hook sees it.
struct TemplateControl {
  TemplateControlKind kind;
  HWND window = nullptr;
  ui::ImageButton* button = nullptr;
  ui::ProgressBar* progressBar = nullptr;
  TemplatePanel* panel = nullptr;
};

class TemplateRenderer {
 public:
  // Where the buttons' clicks go, with the number the template gave them.
  void SetCommandSink(std::function<void(int number)> sink) { commandSink_ = std::move(sink); }
  // Called for each control a render makes; pages set it before rendering and
  // clear it themselves.
  void SetControlCreatedHook(std::function<void(const TemplateControl&)> hook) {
    controlCreated_ = std::move(hook);
  }

  // Replaces what `view` shows with template `number`, its placeholders filled
  // from `list` (plus "font", "color" and "width"). Throws EOutOfResources
  // "Missing resource <number>" when the program has no such template.
  void Render(ui::HtmlView& view, int number, PlaceholderList list = {});
  // Frees the template attached to `view` and its controls.
  void Release(ui::HtmlView& view);

  // The most recently made control of each kind; null once its template is
  // released or replaced.
  ui::ImageButton* LastButton() const { return lastButton_; }
  ui::ProgressBar* LastProgressBar() const { return lastProgressBar_; }
  TemplatePanel* LastPanel() const { return lastPanel_; }

 private:
  struct Attached;
  HWND MakeControl(ui::HtmlView& view, Attached& attached,
                   const ui::EmbeddedControlRequest& request);
  const ui::Picture* StripFor(int code);

  std::function<void(int number)> commandSink_;
  std::function<void(const TemplateControl&)> controlCreated_;
  std::map<ui::HtmlView*, std::unique_ptr<Attached>> attached_;
  std::map<int, ui::Picture> strips_;
  ui::ImageButton* lastButton_ = nullptr;
  ui::ProgressBar* lastProgressBar_ = nullptr;
  TemplatePanel* lastPanel_ = nullptr;
};

// The renderer every page shares.
TemplateRenderer& Templates();

}  // namespace hvm
