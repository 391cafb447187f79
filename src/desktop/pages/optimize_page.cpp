#include "desktop/pages/optimize_page.h"

#include "desktop/pages/template_renderer.h"

namespace hvm {

// Moves the template's bar and lets the window's messages run between ticks,
// so that the window stays responsive for the whole run. A window closed
// meanwhile ends the waiting, never the run: the record must still be saved.
class OptimizePage::Pacing : public TweakProgress {
 public:
  Pacing(OptimizePage& page) : page_(page) {}
  void SetMaximum(int maximum) override {
    if (page_.bar_) page_.bar_->SetMaximum(maximum);
  }
  void SetPosition(int position) override {
    if (page_.bar_) page_.bar_->SetPosition(position);
    ui::PumpMessages();
  }
  void Pause() override {
    const ULONGLONG until = GetTickCount64() + ULONGLONG(page_.hooks_.pauseMilliseconds);
    for (;;) {
      ui::PumpMessages();
      const ULONGLONG now = GetTickCount64();
      if (now >= until || !IsWindow(page_.Hwnd())) return;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(until - now), QS_ALLINPUT);
    }
  }

 private:
  OptimizePage& page_;
};

std::string UndoFailureText(const UndoOutcome& outcome) {
  const auto failures = outcome.Failures();
  if (failures.empty()) return {};
  std::string text = "These settings could not be put back:\n";
  for (const TweakStepOutcome* failed : failures)
    text += "\n" + failed->Setting() + " (" + failed->error + ")";
  text += "\n\nThey stay recorded: click the button again to undo them once more.";
  return text;
}

OptimizePage::~OptimizePage() {
  Templates().Release(view_);
}

bool OptimizePage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  if (!CreatePage(kClassName, parent, bounds)) return false;
  const RECT client = ClientRect();
  return view_.Create(Hwnd(), {client});
}

LRESULT OptimizePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE && view_.Hwnd()) view_.SetBounds(ClientRect());
  return Window::OnMessage(message, wParam, lParam);
}

void OptimizePage::Render() {
  template_ = OptimizeTemplateFor(IsOptimized());
  bar_ = nullptr;
  Templates().SetControlCreatedHook([this](const TemplateControl& made) {
    if (made.progressBar) bar_ = made.progressBar;
  });
  try {
    Templates().Render(view_, template_);
  } catch (...) {
    Templates().SetControlCreatedHook({});
    throw;
  }
  Templates().SetControlCreatedHook({});
}

void OptimizePage::PageShown() {
  // A run in progress keeps its template: the bar it moves belongs to it.
  if (!running_) Render();
}

void OptimizePage::OnOptimizeClick() {
  // Messages run during a run, so a second click can arrive meanwhile.
  if (running_) return;
  RunAction();
}

void OptimizePage::RunAction() {
  struct Busy {
    explicit Busy(bool& flag) : flag_(flag), cursor_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {
      flag_ = true;
    }
    ~Busy() {
      flag_ = false;
      SetCursor(cursor_);
    }
    bool& flag_;
    HCURSOR cursor_;
  };
  if (bar_) {
    bar_->SetPosition(0);
    bar_->Show(true);
  }
  const Optimizer optimizer(hooks_.settingsPath);
  std::string problem;
  uint32_t saveStatus = 0;
  {
    Busy busy(running_);
    Pacing pacing(*this);
    if (optimizer.IsOptimized()) {
      problem = UndoFailureText(optimizer.Undo(pacing, &saveStatus));
      // The record stays as it was, so the page goes on offering Undo.
      if (saveStatus)
        problem += (problem.empty() ? "" : "\n\n") +
                   std::string("Hivemend could not write its settings file (error ") +
                   std::to_string(saveStatus) +
                   "), so it still counts the system as optimized. Click the button again "
                   "once the file can be written.";
    } else {
      optimizer.Apply(pacing, &saveStatus);
      if (saveStatus)
        problem = "Hivemend could not write its settings file (error " +
                  std::to_string(saveStatus) +
                  "), so it cannot remember the previous values for Undo.";
    }
  }
  if (!IsWindow(Hwnd())) return;
  if (hooks_.frontRefresh) hooks_.frontRefresh();
  Render();
  if (!problem.empty() && hooks_.dialogs)
    hooks_.dialogs->MessageDialog(problem, "Hivemend", dialog::kWarningNotice);
}

}  // namespace hvm
