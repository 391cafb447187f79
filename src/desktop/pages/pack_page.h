// The organize page: template 430 with its button (Command::kPack) and the
// progress bar the pack moves as it saves and schedules the hives.
#pragma once

#include "ui/html_view.h"
#include "ui/progress_bar.h"

namespace hvm {

class PackPage {
 public:
  static constexpr int kTemplate = 430;

  [[nodiscard]] bool Create(HWND parent, const RECT& bounds);
  ~PackPage();

  // Renders the template again; the progress bar starts at 0.
  void Render();
  // 0 to 100.
  void SetProgress(int percent);
  int Progress() const;
  ui::ProgressBar* ProgressBar() const { return progressBar_; }
  ui::HtmlView& View() { return view_; }

 private:
  ui::HtmlView view_;
  ui::ProgressBar* progressBar_ = nullptr;
};

}  // namespace hvm
