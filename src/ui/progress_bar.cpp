#include "ui/progress_bar.h"
#include "ui/gdi_text.h"

#include <oleacc.h>

#include <algorithm>

namespace hvm::ui {

std::string PercentText(long long position, long long maximum) {
  if (maximum <= 0) return "0%";
  const long long clamped = std::clamp(position, 0LL, maximum);
  // Divide first where the product could overflow.
  const long long percent =
      maximum > 1000000000LL ? clamped / (maximum / 100) : clamped * 100 / maximum;
  return std::to_string(std::min(percent, 100LL)) + "%";
}

bool ProgressBar::Create(HWND parent, const CreateArgs& args) {
  maximum_ = args.maximum;
  name_ = args.name;
  Window::CreateArgs window;
  window.className = "HivemendProgressBar";
  window.style = WS_CHILD | WS_VISIBLE;
  window.parent = parent;
  window.bounds = args.bounds;
  window.classStyle = CS_HREDRAW | CS_VREDRAW;
  return CreateWindowOf(window);
}

void ProgressBar::SetMaximum(long long maximum) {
  const std::string before = Caption();
  maximum_ = maximum;
  Changed(before);
}

void ProgressBar::SetPosition(long long position) {
  if (position == position_) return;
  const std::string before = Caption();
  position_ = position;
  Changed(before);
}

void ProgressBar::Changed(const std::string& before) {
  InvalidateRect(Hwnd(), nullptr, FALSE);
  if (Caption() != before) RaiseAccessibleEvent(EVENT_OBJECT_VALUECHANGE, Hwnd(), kSelf);
}

AccessibleInfo ProgressBar::Describe(long) const {
  AccessibleInfo info;
  info.name = name_;
  info.role = ROLE_SYSTEM_PROGRESSBAR;
  info.state = STATE_SYSTEM_READONLY;
  info.value = Caption();
  return info;
}

void ProgressBar::OnDpiChanged(Dpi dpi) {
  FontSpec fontSpec;
  fontSpec.bold = true;
  font_ = CreateUiFont(fontSpec, dpi);
}

void ProgressBar::Paint() {
  BufferedPaint paint(Hwnd());
  if (!paint.Dc()) return;
  const RECT& client = paint.Client();
  HDC dc = paint.Dc();

  // High contrast: the window colour for the track, the highlight for what is
  // done, the window text for the frame.
  const bool plain = HighContrast();
  ScopedBrush track(CreateSolidBrush(BackColour(kBandTint)));
  ScopedBrush fill(CreateSolidBrush(plain ? GetSysColor(COLOR_HIGHLIGHT) : kCaptionColour));
  ScopedPen border(CreatePen(PS_SOLID, 1, ForeColour(RGB(160, 180, 198))));
  FillRect(dc, &client, PageBrush());
  {
    SelectScope pen(dc, border.Get());
    SelectScope brush(dc, track.Get());
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
  }
  RECT inner = client;
  InflateRect(&inner, -1, -1);
  const long long clamped = maximum_ > 0 ? std::clamp(position_, 0LL, maximum_) : 0;
  RECT done = inner;
  done.right = inner.left + static_cast<int>(maximum_ > 0 ? clamped * Width(inner) / maximum_ : 0);
  FillRect(dc, &done, fill.Get());

  // The text is white over the filled part and the caption colour elsewhere.
  const std::string text = Caption();
  SelectScope font(dc, font_.Get());
  SetBkMode(dc, TRANSPARENT);
  RECT rest = inner;
  rest.left = done.right;
  const COLORREF onDone = plain ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(255, 255, 255);
  for (const auto& [clip, colour] :
       {std::pair{done, onDone}, std::pair{rest, ForeColour(kCaptionColour)}}) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    SetTextColor(dc, colour);
    RECT area = inner;
    DrawUiText(dc, text, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RestoreDC(dc, saved);
  }
}

LRESULT ProgressBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm::ui
