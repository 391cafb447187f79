#include "ui/detail_band.h"

#include <algorithm>

namespace hvm::ui {
namespace {

constexpr int kPadding = 8;  // 96-dpi units, inside the band's rim
constexpr int kTop = 4, kBottom = 4, kGap = 1;
constexpr COLORREF kRim = RGB(200, 214, 226);

}  // namespace

bool DetailBand::DetailText::Create(HWND parent) {
  tint_.Reset(CreateSolidBrush(kBandTint));
  return CreateControl(
      "EDIT", "",
      WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, parent,
      {}, 0);
}

// A read-only box asks for its colours as a static does.
bool DetailBand::DetailText::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_CTLCOLORSTATIC) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, ForeColour(kTextColour));
  SetBkColor(dc, BackColour(kBandTint));
  result = reinterpret_cast<LRESULT>(HighContrast() ? GetSysColorBrush(COLOR_WINDOW) : tint_.Get());
  return true;
}

// A box that is only read has no use for Tab or Enter: they move on through
// the page, as from any other stop, rather than staying in the text.
LRESULT DetailBand::DetailText::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = Default(message, wParam, lParam);
  if (message != WM_GETDLGCODE) return result;
  return result & ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
}

bool DetailBand::Create(HWND parent, const CreateArgs& args) {
  commandWidth_ = args.commandWidth;
  tint_.Reset(CreateSolidBrush(kBandTint));
  Window::CreateArgs window;
  window.className = "HivemendDetailBand";
  window.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  window.exStyle = WS_EX_CONTROLPARENT;
  window.parent = parent;
  window.bounds = args.bounds;
  if (!CreateWindowOf(window)) return false;
  FontSpec bold;
  bold.bold = true;
  bool made = heading_.Create(Hwnd(), {"", {}, bold, kCaptionColour, kBandTint});
  made &= detail_.Create(Hwnd());
  if (!made) return false;
  LayOut();
  return true;
}

void DetailBand::SetContent(const std::string& heading, const std::string& detail) {
  heading_.SetText(heading);
  detail_.SetText(detail);
  // Nothing to read (a page with no entries at all): no stop for the keyboard.
  const LONG style = GetWindowLongA(detail_.Hwnd(), GWL_STYLE);
  const bool readable = !heading.empty() || !detail.empty();
  SetWindowLongA(detail_.Hwnd(), GWL_STYLE,
                 readable ? style | WS_TABSTOP : style & ~static_cast<LONG>(WS_TABSTOP));
  ShowScrollBarWhenNeeded();
  // The focus stays on the list: a screen reader learns of the band through
  // these events, the heading as a name and the detail as a value.
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, heading_.Hwnd(), OBJID_CLIENT, CHILDID_SELF);
  NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, detail_.Hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

bool DetailBand::DetailScrolls() const {
  return (GetWindowLongA(detail_.Hwnd(), GWL_STYLE) & WS_VSCROLL) != 0 &&
         IsWindowVisible(detail_.Hwnd()) && [&] {
           SCROLLBARINFO info{sizeof(info)};
           return GetScrollBarInfo(detail_.Hwnd(), OBJID_VSCROLL, &info) &&
                  !(info.rgstate[0] & STATE_SYSTEM_INVISIBLE);
         }();
}

RECT DetailBand::CommandArea() const {
  const Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  const int pad = dpi.Scale(kPadding);
  return {client.right - pad - dpi.Scale(commandWidth_), client.top + dpi.Scale(kTop),
          client.right - pad, client.bottom - dpi.Scale(kBottom)};
}

int DetailBand::LineHeight(HWND control) {
  WindowDc dc(control);
  SelectScope font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc.Get(), &metrics);
  return std::max<int>(metrics.tmHeight, 1);
}

int DetailBand::HeightForLines(int lines) const {
  const Dpi dpi = CurrentDpi();
  RECT formatting{};
  SendMessageA(detail_.Hwnd(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
  const RECT box = detail_.Bounds();
  // What the text box keeps around its formatting rectangle.
  const int boxFrame = std::max<int>(Height(box) - Height(formatting), 0);
  return dpi.Scale(kTop) + LineHeight(heading_.Hwnd()) + dpi.Scale(kGap) +
         lines * LineHeight(detail_.Hwnd()) + boxFrame + dpi.Scale(kBottom);
}

void DetailBand::LayOut() {
  const Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  const int pad = dpi.Scale(kPadding);
  const int right = commandWidth_ > 0 ? CommandArea().left - pad : client.right - pad;
  const int width = std::max(right - pad, 0);
  const int headingTop = dpi.Scale(kTop);
  const int headingHeight = LineHeight(heading_.Hwnd());
  heading_.SetBounds(MakeRect(pad, headingTop, width, headingHeight));
  // The text box's own margin lines its text up with the heading's.
  const int margin = LOWORD(SendMessageA(detail_.Hwnd(), EM_GETMARGINS, 0, 0));
  const int detailTop = headingTop + headingHeight + dpi.Scale(kGap);
  detail_.SetBounds(MakeRect(pad - margin, detailTop, width + margin,
                             std::max<int>(client.bottom - dpi.Scale(kBottom) - detailTop, 0)));
  ShowScrollBarWhenNeeded();
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

// The scroll bar takes room from the text, so it shows only when the text is
// longer than the box.
void DetailBand::ShowScrollBarWhenNeeded() {
  HWND box = detail_.Hwnd();
  if (!box) return;
  ShowScrollBar(box, SB_VERT, FALSE);
  const int lines = static_cast<int>(SendMessageA(box, EM_GETLINECOUNT, 0, 0));
  RECT text{};
  SendMessageA(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  if (lines * LineHeight(box) > Height(text)) ShowScrollBar(box, SB_VERT, TRUE);
}

void DetailBand::OnDpiChanged(Dpi) {
  if (heading_.Hwnd()) LayOut();
}

void DetailBand::Paint() {
  PaintScope paint(Hwnd());
  const Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  // The band's corners show the white page it lies on.
  FillRect(paint.Get(), &client, PageBrush());
  ScopedPen rim(CreatePen(PS_SOLID, 1, ForeColour(kRim)));
  SelectScope brush(paint.Get(), HighContrast() ? GetSysColorBrush(COLOR_WINDOW) : tint_.Get());
  SelectScope pen(paint.Get(), rim.Get());
  RoundRect(paint.Get(), client.left, client.top, client.right, client.bottom, dpi.Scale(10),
            dpi.Scale(10));
}

LRESULT DetailBand::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: LayOut(); return 0;
    case WM_CTLCOLORSTATIC:
      // The command buttons' rounded corners show the band.
      if (!Control::FromHwnd(reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<LRESULT>(HighContrast() ? GetSysColorBrush(COLOR_WINDOW)
                                                        : tint_.Get());
      return Window::OnMessage(message, wParam, lParam);
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm::ui
