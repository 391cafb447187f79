#include "desktop/scan_page.h"

#include <oleacc.h>

#include "ui/gdi_text.h"
#include "ui/picture_ids.h"

namespace hvm {
namespace {

constexpr COLORREF kIdleRowColour = RGB(80, 80, 80);
constexpr int kMarkSize = 16;
constexpr char kHeading[] = "Scanning the registry";

// How a section row stands, in words: what its mark and weight show.
std::string RowStanding(const ScanPageState::Row& row) {
  if (row.running) return "Scanning";
  if (row.mark == SectionMark::Problem) return "Problems found";
  if (row.mark == SectionMark::Clean) return "No problems found";
  return {};
}

}  // namespace

bool ScanPage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  animationStrip_ = ui::Picture::FromResource(pictures::kAnimation);
  cleanPicture_ = ui::Picture::FromResource(pictures::kCheckChecked);
  problemPicture_ = ui::Picture::FromResource(pictures::kCaution);
  if (!CreatePage("HivemendScanPage", parent, bounds)) return false;
  const ui::Dpi dpi = CurrentDpi();
  ui::Button::CreateArgs stop;
  stop.text = "Stop";
  stop.bounds = ui::MakeRect(dpi.Scale(484), dpi.Scale(372), dpi.Scale(88), dpi.Scale(26));
  if (!stop_.Create(Hwnd(), stop)) return false;
  stop_.onClick = [this] {
    if (hooks_.stopClicked) hooks_.stopClicked();
  };
  if (!progress_.Create(
          Hwnd(), {ui::MakeRect(dpi.Scale(100), dpi.Scale(375), dpi.Scale(372), dpi.Scale(20)), 100,
                   "Scan progress"}))
    return false;
  return animation_.Create(Hwnd(), {&animationStrip_, {dpi.Scale(kLeft), dpi.Scale(340)}});
}

RECT ScanPage::HeadingRect() const {
  const ui::Dpi dpi = CurrentDpi();
  return {dpi.Scale(kLeft), dpi.Scale(12), dpi.Scale(280), dpi.Scale(40)};
}

std::vector<long> ScanPage::Parts() const {
  std::vector<long> parts;
  for (long part = kHeadingPart; part <= kStatusPart; ++part) parts.push_back(part);
  return parts;
}

ui::AccessibleInfo ScanPage::Describe(long part) const {
  ui::AccessibleInfo info;
  info.state = STATE_SYSTEM_READONLY;
  if (part == ui::kSelf) {
    info.name = kHeading;
    info.state = 0;
    return info;
  }
  info.role = ROLE_SYSTEM_STATICTEXT;
  if (part == kHeadingPart) {
    info.name = kHeading;
    info.bounds = ui::ClientOnScreen(Hwnd(), HeadingRect());
  } else if (part == kTotalPart) {
    info.name = state_.total;
    info.bounds = ui::ClientOnScreen(Hwnd(), TotalRect());
  } else if (part == kStatusPart) {
    info.name = state_.status;
    info.bounds = ui::ClientOnScreen(Hwnd(), StatusRect());
  } else {
    const int section = static_cast<int>(part - 2);
    const ScanPageState::Row& row = state_.rows[section - 1];
    info.name = std::string(SectionTable()[section - 1].label);
    info.role = ROLE_SYSTEM_LISTITEM;
    info.value = std::to_string(row.count);
    info.description = RowStanding(row);
    if (row.running) info.state |= STATE_SYSTEM_BUSY;
    info.bounds = ui::ClientOnScreen(Hwnd(), RowRect(section));
  }
  return info;
}

void ScanPage::OnDpiChanged(ui::Dpi dpi) {
  ui::FontSpec row;
  rowFont_ = ui::CreateUiFont(row, dpi);
  row.bold = true;
  runningFont_ = ui::CreateUiFont(row, dpi);
  ui::FontSpec heading;
  heading.points = 12;
  heading.bold = true;
  headingFont_ = ui::CreateUiFont(heading, dpi);
  statusFont_ = ui::CreateUiFont({}, dpi);
  const int side = dpi.Scale(kMarkSize);
  cleanScaled_ = cleanPicture_.Scaled(side, side);
  problemScaled_ = problemPicture_.Scaled(side, side);
}

RECT ScanPage::RowRect(int section) const {
  const ui::Dpi dpi = CurrentDpi();
  const int index = section - 1;
  const int column = index / 12, row = index % 12;
  return ui::MakeRect(dpi.Scale(kLeft + column * kColumnWidth),
                      dpi.Scale(kRowsTop + row * kRowHeight), dpi.Scale(kColumnWidth - 16),
                      dpi.Scale(kRowHeight));
}

RECT ScanPage::TotalRect() const {
  const ui::Dpi dpi = CurrentDpi();
  return {dpi.Scale(280), dpi.Scale(12), dpi.Scale(572), dpi.Scale(40)};
}

RECT ScanPage::StatusRect() const {
  const ui::Dpi dpi = CurrentDpi();
  return ui::MakeRect(dpi.Scale(100), dpi.Scale(346), dpi.Scale(472), dpi.Scale(20));
}

void ScanPage::RepaintNow(const RECT& area) {
  if (!Hwnd()) return;
  InvalidateRect(Hwnd(), &area, FALSE);
  UpdateWindow(Hwnd());
}

void ScanPage::SetSectionCount(int section, int count) {
  if (section < 1 || section > kSectionCount) return;
  state_.rows[section - 1].count = count;
  RepaintNow(RowRect(section));
  ui::RaiseAccessibleEvent(EVENT_OBJECT_VALUECHANGE, Hwnd(), PartOfSection(section));
}

void ScanPage::SetSectionRunning(int section, bool running) {
  if (section < 1 || section > kSectionCount) return;
  state_.rows[section - 1].running = running;
  RepaintNow(RowRect(section));
  ui::RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), PartOfSection(section));
}

void ScanPage::SetSectionMark(int section, SectionMark mark) {
  if (section < 1 || section > kSectionCount) return;
  state_.rows[section - 1].mark = mark;
  RepaintNow(RowRect(section));
  ui::RaiseAccessibleEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, Hwnd(), PartOfSection(section));
}

void ScanPage::SetTotalText(const std::string& text) {
  state_.total = text;
  RepaintNow(TotalRect());
  ui::RaiseAccessibleEvent(EVENT_OBJECT_NAMECHANGE, Hwnd(), kTotalPart);
}

void ScanPage::SetStatusText(const std::string& text) {
  state_.status = text;
  RepaintNow(StatusRect());
  ui::RaiseAccessibleEvent(EVENT_OBJECT_NAMECHANGE, Hwnd(), kStatusPart);
}

void ScanPage::SetProgress(int position, int maximum) {
  state_.position = position;
  state_.maximum = maximum;
  progress_.SetMaximum(maximum);
  progress_.SetPosition(position);
  if (progress_.Hwnd()) UpdateWindow(progress_.Hwnd());
}

void ScanPage::SetAnimation(bool playing) {
  state_.animating = playing;
  if (playing)
    animation_.Start();
  else
    animation_.Stop();
}

void ScanPage::ShowScanPage() {
  if (hooks_.showScanPage) hooks_.showScanPage();
}

void ScanPage::ShowResultsPage() {
  if (hooks_.showResultsPage) hooks_.showResultsPage();
}

void ScanPage::ShowSummaryPage() {
  if (hooks_.showSummaryPage) hooks_.showSummaryPage();
}

void ScanPage::PumpMessages() {
  ui::PumpMessages();
}

bool ScanPage::Terminating() const {
  return hooks_.terminating && hooks_.terminating();
}

void ScanPage::Paint() {
  ui::BufferedPaint paint(Hwnd());
  if (!paint.Dc()) return;
  const RECT& client = paint.Client();
  HDC dc = paint.Dc();
  FillRect(dc, &client, ui::PageBrush());
  SetBkMode(dc, TRANSPARENT);
  const ui::Dpi dpi = CurrentDpi();
  {
    ui::SelectScope font(dc, headingFont_.Get());
    SetTextColor(dc, ui::ForeColour(ui::kCaptionColour));
    RECT heading = HeadingRect();
    ui::DrawUiText(dc, kHeading, &heading, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    RECT total = TotalRect();
    SetTextColor(dc, ui::ForeColour(state_.total.rfind("0 ", 0) == 0 ? ui::kCaptionColour
                                                                     : ui::kWarningColour));
    ui::DrawUiText(dc, state_.total, &total, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  const auto& table = SectionTable();
  for (int section = 1; section <= kSectionCount; ++section) {
    const ScanPageState::Row& row = state_.rows[section - 1];
    const RECT r = RowRect(section);
    if ((section - 1) % 2 == 0 && !ui::HighContrast()) {
      ui::ScopedBrush band(CreateSolidBrush(RGB(246, 249, 251)));
      FillRect(dc, &r, band.Get());
    }
    const int side = dpi.Scale(kMarkSize);
    const RECT mark =
        ui::MakeRect(r.left + dpi.Scale(4), r.top + (ui::Height(r) - side) / 2, side, side);
    const ui::Picture* picture = row.mark == SectionMark::Clean     ? &cleanScaled_
                                 : row.mark == SectionMark::Problem ? &problemScaled_
                                                                    : nullptr;
    if (picture && !picture->IsEmpty())
      picture->Draw(dc, mark, ui::MakeRect(0, 0, picture->Width(), picture->Height()));
    ui::SelectScope font(dc, row.running ? runningFont_.Get() : rowFont_.Get());
    SetTextColor(dc, ui::ForeColour(row.running ? ui::kCaptionColour : kIdleRowColour));
    RECT label{mark.right + dpi.Scale(8), r.top, r.right - dpi.Scale(48), r.bottom};
    const std::string text(table[section - 1].label);
    ui::DrawUiText(dc, text, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    const std::string count = std::to_string(row.count);
    SetTextColor(dc, ui::ForeColour(row.count > 0 ? ui::kWarningColour : kIdleRowColour));
    RECT number{r.right - dpi.Scale(48), r.top, r.right - dpi.Scale(6), r.bottom};
    ui::DrawUiText(dc, count, &number, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  {
    ui::ScopedPen rule(CreatePen(PS_SOLID, 1, ui::ForeColour(RGB(220, 228, 235))));
    ui::SelectScope pen(dc, rule.Get());
    MoveToEx(dc, dpi.Scale(kLeft), dpi.Scale(330), nullptr);
    LineTo(dc, dpi.Scale(572), dpi.Scale(330));
    ui::SelectScope font(dc, statusFont_.Get());
    SetTextColor(dc, ui::ForeColour(ui::kGreyTextColour));
    RECT status = StatusRect();
    ui::DrawUiText(dc, state_.status, &status,
                   DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  }
}

LRESULT ScanPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
