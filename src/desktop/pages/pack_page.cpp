#include "desktop/pages/pack_page.h"

#include <algorithm>

#include "desktop/pages/template_renderer.h"

namespace hvm {

bool PackPage::Create(HWND parent, const RECT& bounds) {
  if (!view_.Create(parent, {bounds})) return false;
  Render();
  return true;
}

PackPage::~PackPage() {
  Templates().Release(view_);
}

void PackPage::Render() {
  progressBar_ = nullptr;
  // The renderer's "most recent" progress bar belongs to whichever page was
  // rendered last; this page keeps its own.
  Templates().SetControlCreatedHook([this](const TemplateControl& control) {
    if (control.kind == TemplateControlKind::kProgressBar) progressBar_ = control.progressBar;
  });
  Templates().Render(view_, kTemplate);
  Templates().SetControlCreatedHook({});
  if (progressBar_) progressBar_->SetMaximum(100);
}

void PackPage::SetProgress(int percent) {
  if (progressBar_) progressBar_->SetPosition(std::clamp(percent, 0, 100));
}

int PackPage::Progress() const {
  return progressBar_ ? static_cast<int>(progressBar_->Position()) : 0;
}

}  // namespace hvm
