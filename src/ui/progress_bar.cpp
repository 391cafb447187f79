#include "ui/progress_bar.h"
#include "ui/gdi_text.h"

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
  Window::CreateArgs window;
  window.className = "HivemendProgressBar";
  window.style = WS_CHILD | WS_VISIBLE;
  window.parent = parent;
  window.bounds = args.bounds;
  window.classStyle = CS_HREDRAW | CS_VREDRAW;
  return CreateWindowOf(window);
}

void ProgressBar::SetMaximum(long long maximum) {
  maximum_ = maximum;
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void ProgressBar::SetPosition(long long position) {
  if (position == position_) return;
  position_ = position;
  InvalidateRect(Hwnd(), nullptr, FALSE);
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

  ScopedBrush track(CreateSolidBrush(kBandTint));
  ScopedBrush fill(CreateSolidBrush(kCaptionColour));
  ScopedPen border(CreatePen(PS_SOLID, 1, RGB(160, 180, 198)));
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
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
  for (const auto& [clip, colour] :
       {std::pair{done, RGB(255, 255, 255)}, std::pair{rest, kCaptionColour}}) {
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
