#include "desktop/left_menu.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/gdi_text.h"
#include "ui/picture_ids.h"

namespace hvm {
namespace {
constexpr int kIconSize = 32;
constexpr int kIconLeft = 12;
constexpr int kCaptionLeft = 54;
}  // namespace

int LeftMenu::RowAt(int y, int rowCount) {
  if (y < kFirstRowTop) return -1;
  const int row = (y - kFirstRowTop) / kRowHeight;
  return row < rowCount ? row : -1;
}

bool LeftMenu::Create(HWND parent, const RECT& bounds) {
  rowPicture_ = ui::Picture::FromResource(pictures::kMenuRow);
  markerPicture_ = ui::Picture::FromResource(pictures::kMenuMarker);
  CreateArgs args;
  args.className = kClassName;
  // One stop in the tab order; its rows are walked with the arrow keys.
  args.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  args.parent = parent;
  args.bounds = bounds;
  args.cursor = LoadCursorA(nullptr, IDC_HAND);
  return CreateWindowOf(args);
}

void LeftMenu::OnDpiChanged(ui::Dpi dpi) {
  rowScaled_ = rowPicture_.Scaled(dpi.Scale(kRowWidth), dpi.Scale(kRowHeight));
  markerScaled_ =
      markerPicture_.Scaled(dpi.Scale(markerPicture_.Width() / 2), dpi.Scale(kRowHeight));
  icons_.clear();
  ui::FontSpec normal;
  normal.points = 9;
  normal.bold = true;
  normalFont_ = ui::CreateUiFont(normal, dpi);
  ui::FontSpec large = normal;
  large.points = 12;
  currentFont_ = ui::CreateUiFont(large, dpi);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

const ui::Picture& LeftMenu::IconFor(Command command) {
  auto found = icons_.find(command);
  if (found == icons_.end()) {
    const int side = CurrentDpi().Scale(kIconSize);
    found = icons_.emplace(command, ui::Picture::FromResource(NumberOf(command)).Scaled(side, side))
                .first;
  }
  return found->second;
}

void LeftMenu::Build(const std::vector<MenuRow>& rows) {
  rows_ = rows;
  hover_ = -1;
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void LeftMenu::Highlight(std::optional<Command> command) {
  highlighted_ = command;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  // Repainted at once, so that the new page and its row show together.
  UpdateWindow(Hwnd());
  if (SelectedPart() != ui::kSelf)
    ui::RaiseAccessibleEvent(EVENT_OBJECT_SELECTION, Hwnd(), SelectedPart());
}

int LeftMenu::HighlightedRow() const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].command == highlighted_) return static_cast<int>(i);
  return rows_.empty() ? -1 : 0;
}

void LeftMenu::MoveFocusRow(int row) {
  if (rows_.empty()) return;
  const int moved = std::clamp(row, 0, static_cast<int>(rows_.size()) - 1);
  if (moved == focusRow_) return;
  focusRow_ = moved;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  if (GetFocus() == Hwnd()) ui::RaiseAccessibleEvent(EVENT_OBJECT_FOCUS, Hwnd(), FocusedPart());
}

void LeftMenu::EnableRows(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  for (long part : Parts()) ui::RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), part);
}

RECT LeftMenu::RowStrip(int row) const {
  const ui::Dpi dpi = CurrentDpi();
  return ui::MakeRect(0, dpi.Scale(kFirstRowTop + kRowHeight * row), dpi.Scale(kRowWidth),
                      dpi.Scale(kRowHeight));
}

std::vector<long> LeftMenu::Parts() const {
  std::vector<long> parts(rows_.size());
  for (size_t i = 0; i < parts.size(); ++i) parts[i] = static_cast<long>(i + 1);
  return parts;
}

bool LeftMenu::HasPart(long part) const {
  return part >= 1 && part <= static_cast<long>(rows_.size());
}

ui::AccessibleInfo LeftMenu::Describe(long part) const {
  ui::AccessibleInfo info;
  if (part == ui::kSelf) {
    info.name = "Pages";
    info.role = ROLE_SYSTEM_LIST;
    return info;
  }
  const int row = static_cast<int>(part - 1);
  info.name = rows_[row].caption;
  info.role = ROLE_SYSTEM_LISTITEM;
  info.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
  if (rows_[row].command == highlighted_) info.state |= STATE_SYSTEM_SELECTED;
  if (row == focusRow_ && GetFocus() == Hwnd()) info.state |= STATE_SYSTEM_FOCUSED;
  if (!enabled_) info.state |= STATE_SYSTEM_UNAVAILABLE;
  info.defaultAction = "Open";
  info.bounds = ui::ClientOnScreen(Hwnd(), RowStrip(row));
  return info;
}

bool LeftMenu::DoDefaultAction(long part) {
  if (!HasPart(part) || !enabled_) return false;
  ClickRow(static_cast<int>(part - 1));
  return true;
}

bool LeftMenu::Select(long part) {
  if (!HasPart(part)) return false;
  MoveFocusRow(static_cast<int>(part - 1));
  return true;
}

long LeftMenu::SelectedPart() const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].command == highlighted_) return static_cast<long>(i + 1);
  return ui::kSelf;
}

long LeftMenu::PartAt(POINT screen) const {
  POINT client = screen;
  ScreenToClient(Hwnd(), &client);
  const int design = client.y * ui::Dpi::kDesign / CurrentDpi().Value();
  const int x = client.x * ui::Dpi::kDesign / CurrentDpi().Value();
  if (x < 0 || x >= kRowWidth) return ui::kSelf;
  const int row = RowAt(design, static_cast<int>(rows_.size()));
  return row >= 0 ? row + 1 : ui::kSelf;
}

void LeftMenu::ClickRow(int index) {
  if (!enabled_ || index < 0 || index >= static_cast<int>(rows_.size())) return;
  if (onClick) onClick(rows_[index].command);
}

void LeftMenu::Paint() {
  ui::BufferedPaint paint(Hwnd());
  if (!paint.Dc()) return;
  const RECT& client = paint.Client();
  HDC dc = paint.Dc();
  // High contrast: no strips or marker, the current row in the highlight.
  const bool plain = ui::HighContrast();
  FillRect(dc, &client, ui::PageBrush());
  const ui::Dpi dpi = CurrentDpi();
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < rows_.size(); ++i) {
    const MenuRow& row = rows_[i];
    const RECT strip = RowStrip(static_cast<int>(i));
    const int top = strip.top;
    if (!rowScaled_.IsEmpty() && !plain)
      rowScaled_.Draw(dc, strip, ui::MakeRect(0, 0, rowScaled_.Width(), rowScaled_.Height()));
    const bool current = row.command == highlighted_;
    RECT inner = strip;
    InflateRect(&inner, -dpi.Scale(2), -dpi.Scale(2));
    if (plain && current) {
      FillRect(dc, &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
    } else if (hover_ == static_cast<int>(i) && enabled_ && !current && !plain) {
      ui::ScopedBrush tint(CreateSolidBrush(ui::kBandTint));
      FillRect(dc, &inner, tint.Get());
    }
    const ui::Picture& icon = IconFor(row.command);
    const int iconSide = dpi.Scale(kIconSize);
    if (!icon.IsEmpty())
      icon.Draw(dc,
                ui::MakeRect(dpi.Scale(kIconLeft), top + (ui::Height(strip) - iconSide) / 2,
                             iconSide, iconSide),
                ui::MakeRect(0, 0, icon.Width(), icon.Height()));
    // Until a page is highlighted the first row stands out.
    const bool large = current || (!highlighted_ && i == 0);
    HFONT font = large ? currentFont_.Get() : normalFont_.Get();
    ui::SelectScope selectFont(dc, font);
    // In high contrast the current row's text stays readable on the
    // highlight while the rows are locked (a scan): grey on it would not be.
    COLORREF ink = !enabled_ ? ui::kGreyTextColour
                   : current ? ui::kCurrentCaptionColour
                             : ui::kCaptionColour;
    if (plain)
      ink = GetSysColor(current     ? COLOR_HIGHLIGHTTEXT
                        : !enabled_ ? COLOR_GRAYTEXT
                                    : COLOR_WINDOWTEXT);
    SetTextColor(dc, ink);
    RECT caption{dpi.Scale(kCaptionLeft), strip.top, strip.right, strip.bottom};
    ui::DrawUiText(dc, row.caption, &caption, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    const LRESULT cues = SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0);
    if (GetFocus() == Hwnd() && focusRow_ == static_cast<int>(i) && !(cues & UISF_HIDEFOCUS)) {
      RECT focus = strip;
      InflateRect(&focus, -dpi.Scale(3), -dpi.Scale(3));
      if (plain) {
        SetTextColor(dc, GetSysColor(current ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(current ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      } else {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
      }
      DrawFocusRect(dc, &focus);
    }
    if (current && !markerScaled_.IsEmpty() && !plain)
      markerScaled_.Draw(
          dc, ui::MakeRect(strip.right, top, markerScaled_.Width(), markerScaled_.Height()),
          ui::MakeRect(0, 0, markerScaled_.Width(), markerScaled_.Height()));
  }
}

LRESULT LeftMenu::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const auto rowUnder = [&] {
    const int y = GET_Y_LPARAM(lParam) * ui::Dpi::kDesign / CurrentDpi().Value();
    const int x = GET_X_LPARAM(lParam) * ui::Dpi::kDesign / CurrentDpi().Value();
    return x < kRowWidth ? RowAt(y, static_cast<int>(rows_.size())) : -1;
  };
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: {
      const int row = rowUnder();
      if (row != hover_) {
        hover_ = row;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
        TrackMouseEvent(&track);
        InvalidateRect(Hwnd(), nullptr, FALSE);
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      hover_ = -1;
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP: ClickRow(rowUnder()); return 0;
    case WM_GETDLGCODE: {
      // Enter opens the focus row rather than pressing the page's default button.
      const auto* asked = reinterpret_cast<const MSG*>(lParam);
      const bool enter = asked && asked->message == WM_KEYDOWN && asked->wParam == VK_RETURN;
      return DLGC_WANTARROWS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_SETFOCUS:
      if (focusRow_ < 0 || focusRow_ >= static_cast<int>(rows_.size()))
        focusRow_ = HighlightedRow();
      InvalidateRect(Hwnd(), nullptr, FALSE);
      // After the platform's own event for the window: the row within it.
      if (focusRow_ >= 0) ui::RaiseAccessibleEvent(EVENT_OBJECT_FOCUS, Hwnd(), FocusedPart());
      return 0;
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return Window::OnMessage(message, wParam, lParam);
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_UP: MoveFocusRow(focusRow_ - 1); return 0;
        case VK_DOWN: MoveFocusRow(focusRow_ + 1); return 0;
        case VK_HOME: MoveFocusRow(0); return 0;
        case VK_END: MoveFocusRow(static_cast<int>(rows_.size()) - 1); return 0;
        case VK_RETURN:
        case VK_SPACE:
          // A held key repeats its key-down; only the first press counts.
          if (!(lParam & (1 << 30))) ClickRow(focusRow_);
          return 0;
        default: return Window::OnMessage(message, wParam, lParam);
      }
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
