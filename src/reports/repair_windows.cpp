#include "reports/repair_windows.h"

#include "ui/picture_ids.h"

namespace hvm {

// ---- ProgressWindow ---------------------------------------------------------

bool ProgressWindow::Create(HWND owner) {
  strip_ = ui::Picture::FromResource(pictures::kAnimation);
  const ui::Dpi dpi = owner ? ui::Dpi::ForWindow(owner) : ui::Dpi::System();
  const DWORD style = WS_POPUP | WS_CAPTION;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(360), dpi.Scale(110));
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
  CreateArgs args;
  args.className = "TfProgress";
  args.title = "Hivemend";
  args.style = style;
  args.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  args.parent = owner;
  args.bounds = ui::CentredOnScreen(ui::Width(frame), ui::Height(frame));
  if (!CreateWindowOf(args)) return false;
  ui::FontSpec bold;
  bold.bold = true;
  return label_.Create(Hwnd(),
                       {"Repairing in Progress...",
                        ui::MakeRect(dpi.Scale(92), dpi.Scale(22), dpi.Scale(250), dpi.Scale(18)),
                        bold, ui::kCaptionColour}) &&
         bar_.Create(Hwnd(),
                     {ui::MakeRect(dpi.Scale(92), dpi.Scale(52), dpi.Scale(250), dpi.Scale(20)),
                      RepairProgressMath::kMaximum}) &&
         animation_.Create(Hwnd(), {&strip_, {dpi.Scale(16), dpi.Scale(22)}});
}

void ProgressWindow::OnDpiChanged(ui::Dpi) {}

int ProgressWindow::Start(int count) {
  const int pause = math_.Start(count);
  bar_.SetMaximum(RepairProgressMath::kMaximum);
  bar_.SetPosition(0);
  ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
  animation_.Start();
  ui::PumpMessages();
  return pause;
}

void ProgressWindow::Advance() {
  math_.Advance();
  bar_.SetPosition(math_.Position());
  ui::PumpMessages();
}

void ProgressWindow::Finish() {
  animation_.Stop();
  ShowWindow(Hwnd(), SW_HIDE);
}

// ---- ReportPage -------------------------------------------------------------

bool ReportPage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  continueStrip_ = ui::Picture::FromResource(pictures::kContinueButton);
  if (!CreatePage("TfReportR", parent, bounds)) return false;
  const ui::Dpi dpi = CurrentDpi();
  ui::FontSpec heading;
  heading.points = 14;
  heading.bold = true;
  ui::FontSpec bold;
  bold.bold = true;
  bool made = title_.Create(
      Hwnd(), {"Hivemend Repair Report",
               ui::MakeRect(dpi.Scale(24), dpi.Scale(16), dpi.Scale(500), dpi.Scale(30)), heading,
               ui::kCaptionColour});
  RepairReportFacts withRestorePoint;
  withRestorePoint.restorePoint = "-";
  const auto rows = RepairReportRows(withRestorePoint);
  for (size_t i = 0; i < kRows; ++i) {
    const int top = dpi.Scale(64 + 24 * static_cast<int>(i));
    const COLORREF band = i % 2 == 0 ? RGB(242, 246, 249) : ui::kPageColour;
    made &= captions_[i].Create(Hwnd(),
                                {rows[i].first,
                                 ui::MakeRect(dpi.Scale(24), top, dpi.Scale(300), dpi.Scale(22)),
                                 {},
                                 ui::kTextColour,
                                 band});
    made &= values_[i].Create(
        Hwnd(), {rows[i].second, ui::MakeRect(dpi.Scale(324), top, dpi.Scale(200), dpi.Scale(22)),
                 bold, ui::kCaptionColour, band});
  }
  ui::ImageButton::CreateArgs button{&continueStrip_, 152};
  button.caption = "&Continue";
  button.tabStop = true;
  made &= continue_.Create(Hwnd(), button);
  // Right-aligned with the rows.
  continue_.Move({dpi.Scale(524) - continue_.SizeAt(dpi).cx, dpi.Scale(64 + 24 * 12 + 20)});
  continue_.onClick = [this](int) {
    if (hooks_.continueClicked) hooks_.continueClicked();
  };
  return made;
}

LRESULT ReportPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The button's rounded corners show the white page.
  if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == continue_.Hwnd())
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  return Window::OnMessage(message, wParam, lParam);
}

void ReportPage::Show(const RepairReportFacts& facts) {
  const auto rows = RepairReportRows(facts);
  for (size_t i = 0; i < kRows; ++i) {
    const bool shown = i < rows.size();
    if (shown) values_[i].SetText(rows[i].second);
    captions_[i].Show(shown);
    values_[i].Show(shown);
  }
}

void ReportPage::Fill(const RepairSummary& summary) {
  last_ = summary;
  PageShown();
}

RepairReportFacts ReportPage::Facts() const {
  // The settings' figures are read again; this repair's stay as filled.
  RepairReportFacts facts = hooks_.facts ? hooks_.facts() : RepairReportFacts{};
  facts.found = last_.found;
  facts.repaired = last_.repaired;
  facts.skipped = last_.skipped;
  facts.ignored = last_.ignored;
  facts.restorePoint = restorePoint_;
  return facts;
}

void ReportPage::PageShown() {
  Show(Facts());
}

std::string ReportPage::ValueOf(const std::string& caption) const {
  for (size_t i = 0; i < kRows; ++i)
    if (captions_[i].Text() == caption && captions_[i].IsVisible()) return values_[i].Text();
  return {};
}

}  // namespace hvm
