#include "desktop/pages/repair_windows.h"

#include <algorithm>

#include "ui/picture_ids.h"
#include "ui/picture_scaling.h"

namespace hvm {

// ---- ProgressWindow ---------------------------------------------------------

bool ProgressWindow::Create(HWND owner) {
  strip_ = ui::Picture::FromResource(pictures::kAnimation);
  const ui::Dpi dpi = owner ? ui::Dpi::ForWindow(owner) : ui::Dpi::System();
  const DWORD style = WS_POPUP | WS_CAPTION;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(360), dpi.Scale(110));
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
  CreateArgs args;
  args.className = kClassName;
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
                      RepairProgressMath::kMaximum, "Repair progress"}) &&
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

namespace {

// The page's layout in 96-dpi units: the emblem and the title beside it, the
// rows in bands below, the button under the rows' right end.
constexpr int kLeft = 24, kRight = 573;
constexpr int kEmblemTop = 12, kEmblemSide = 72;
constexpr int kTitleLeft = kLeft + 88;
constexpr int kRowsTop = 96, kRowHeight = 26, kValueLeft = 314, kTextInset = 8;
constexpr int kButtonGap = 16;
constexpr COLORREF kBandColour = RGB(242, 246, 249);

COLORREF BandOf(size_t row) {
  return row % 2 == 0 ? kBandColour : ui::kPageColour;
}

}  // namespace

bool ReportPage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  continueStrip_ = ui::Picture::FromResource(pictures::kContinueButton);
  emblem_ = ui::Picture::FromResource(pictures::kReportEmblem);
  background_ = ui::Picture::FromResource(pictures::kReportBackground);
  if (!CreatePage(kClassName, parent, bounds)) return false;
  const ui::Dpi dpi = CurrentDpi();
  ui::FontSpec heading;
  heading.points = 18;
  heading.bold = true;
  ui::FontSpec bold;
  bold.bold = true;
  const int titleHeight = dpi.Scale(34);
  ui::Label::CreateArgs title{
      "Hivemend Repair Report",
      ui::MakeRect(dpi.Scale(kTitleLeft), dpi.Scale(kEmblemTop + kEmblemSide / 2) - titleHeight / 2,
                   dpi.Scale(kRight - kTitleLeft), titleHeight),
      heading, ui::kCaptionColour};
  title.middle = true;
  bool made = title_.Create(Hwnd(), title);
  RepairReportFacts withRestorePoint;
  withRestorePoint.restorePoint = "-";
  const auto rows = RepairReportRows(withRestorePoint);
  for (size_t i = 0; i < kRows; ++i) {
    // The page paints each band; the texts sit inside it, centred top to bottom.
    const int top = dpi.Scale(kRowsTop + kRowHeight * static_cast<int>(i));
    const int height = dpi.Scale(kRowsTop + kRowHeight * static_cast<int>(i + 1)) - top;
    const int captionLeft = dpi.Scale(kLeft + kTextInset);
    const int valueLeft = dpi.Scale(kValueLeft + kTextInset);
    ui::Label::CreateArgs caption{
        rows[i].first,
        ui::MakeRect(captionLeft, top, dpi.Scale(kValueLeft) - captionLeft, height),
        {},
        ui::kCaptionColour,
        BandOf(i)};
    caption.middle = true;
    made &= captions_[i].Create(Hwnd(), caption);
    ui::Label::CreateArgs value{
        rows[i].second,
        ui::MakeRect(valueLeft, top, dpi.Scale(kRight - kTextInset) - valueLeft, height), bold,
        ui::kCaptionColour, BandOf(i)};
    value.middle = true;
    made &= values_[i].Create(Hwnd(), value);
  }
  ui::ImageButton::CreateArgs button{&continueStrip_, 152};
  button.caption = "&Continue";
  button.tabStop = true;
  button.isDefault = true;
  made &= continue_.Create(Hwnd(), button);
  // Right-aligned with the rows, below the last.
  continue_.Move({dpi.Scale(kRight) - continue_.SizeAt(dpi).cx,
                  dpi.Scale(kRowsTop + kRowHeight * static_cast<int>(kRows) + kButtonGap)});
  continue_.onClick = [this](int) {
    if (hooks_.continueClicked) hooks_.continueClicked();
  };
  return made;
}

void ReportPage::OnDpiChanged(ui::Dpi dpi) {
  const int side = dpi.Scale(kEmblemSide);
  emblemScaled_ = emblem_.Scaled(side, side);
  backgroundScaled_ = {};  // scaled again to the page at the next paint
}

RECT ReportPage::BackgroundArea() const {
  const RECT client = ClientRect();
  RECT bottom{};
  if (continue_.Hwnd()) {
    GetWindowRect(continue_.Hwnd(), &bottom);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&bottom), 2);
  }
  return {0, 0, client.right, std::min(bottom.bottom, client.bottom)};
}

void ReportPage::Paint() {
  ui::PaintScope paint(Hwnd());
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  FillRect(paint.Get(), &client, ui::PageBrush());
  // High contrast: the rows stand on the window colour, without the
  // background picture or the bands.
  if (ui::HighContrast()) {
    if (!emblemScaled_.IsEmpty())
      emblemScaled_.Draw(paint.Get(), dpi.Scale(kLeft), dpi.Scale(kEmblemTop));
    return;
  }
  const RECT area = BackgroundArea();
  const ui::FittedBox fit =
      ui::FitCentred(background_.Width(), background_.Height(), ui::Width(area), ui::Height(area));
  if (fit.width > 0 &&
      (backgroundScaled_.Width() != fit.width || backgroundScaled_.Height() != fit.height))
    backgroundScaled_ = background_.Scaled(fit.width, fit.height);
  if (!backgroundScaled_.IsEmpty())
    backgroundScaled_.Draw(paint.Get(), area.left + fit.x, area.top + fit.y);
  if (!emblemScaled_.IsEmpty())
    emblemScaled_.Draw(paint.Get(), dpi.Scale(kLeft), dpi.Scale(kEmblemTop));
  ui::ScopedBrush band(CreateSolidBrush(kBandColour));
  for (size_t i = 0; i < kRows; ++i) {
    if (!captions_[i].IsVisible() || BandOf(i) != kBandColour) continue;
    const RECT row{dpi.Scale(kLeft), dpi.Scale(kRowsTop + kRowHeight * static_cast<int>(i)),
                   dpi.Scale(kRight), dpi.Scale(kRowsTop + kRowHeight * static_cast<int>(i + 1))};
    FillRect(paint.Get(), &row, band.Get());
  }
}

LRESULT ReportPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_CTLCOLORSTATIC:
      // The button's rounded corners show the white page.
      if (reinterpret_cast<HWND>(lParam) == continue_.Hwnd())
        return reinterpret_cast<LRESULT>(ui::PageBrush());
      return Window::OnMessage(message, wParam, lParam);
    default: return Window::OnMessage(message, wParam, lParam);
  }
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
