#include "ui/secondary_button.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "ui/gdi_text.h"

namespace hvm::ui {
namespace {

// The picture buttons' palette (resources/pictures, drawn by scripts/draw-pictures).
constexpr COLORREF kInk = RGB(46, 90, 126);
constexpr COLORREF kInkDeep = RGB(30, 62, 90);
constexpr COLORREF kInkLight = RGB(76, 132, 178);
constexpr COLORREF kTint = RGB(200, 220, 236);
constexpr COLORREF kTintPale = RGB(236, 243, 249);
constexpr COLORREF kTintMiddle = RGB(216, 231, 243);
constexpr COLORREF kGreyFace = RGB(226, 230, 234);
constexpr COLORREF kGreyFaceLow = RGB(212, 217, 222);
constexpr COLORREF kGreyRim = RGB(184, 191, 198);
constexpr COLORREF kGreyText = RGB(150, 158, 166);
constexpr int kRadius = 5;
const FontSpec kCaptionFont{9, true};

// Signed distance (pixels) from a point to a box with rounded corners:
// negative inside.
double RoundedBoxDistance(double x, double y, double left, double top, double right, double bottom,
                          double radius) {
  const double halfWidth = (right - left) / 2, halfHeight = (bottom - top) / 2;
  radius = std::min({radius, halfWidth, halfHeight});
  const double qx = std::abs(x - (left + right) / 2) - (halfWidth - radius);
  const double qy = std::abs(y - (top + bottom) / 2) - (halfHeight - radius);
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

// How much of the pixel whose centre is (x, y) the box covers, 0..1.
double Coverage(double x, double y, double left, double top, double right, double bottom,
                double radius) {
  return std::clamp(0.5 - RoundedBoxDistance(x, y, left, top, right, bottom, radius), 0.0, 1.0);
}

struct Premultiplied {
  double r = 0, g = 0, b = 0, a = 0;
};

// `colour` at `alpha` (0..1) laid over `below`.
void Over(Premultiplied& below, COLORREF colour, double alpha) {
  const double keep = 1 - alpha;
  below.r = GetRValue(colour) * alpha + below.r * keep;
  below.g = GetGValue(colour) * alpha + below.g * keep;
  below.b = GetBValue(colour) * alpha + below.b * keep;
  below.a = 255 * alpha + below.a * keep;
}

COLORREF Mix(COLORREF from, COLORREF to, double t) {
  const auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
             channel(GetBValue(from), GetBValue(to)));
}

uint32_t Packed(const Premultiplied& p) {
  const auto byte = [](double v) {
    return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L));
  };
  return byte(p.a) << 24 | byte(p.r) << 16 | byte(p.g) << 8 | byte(p.b);
}

// The face's box in pixels: whole pixels, so that its straight edges stay sharp.
struct FaceBox {
  double left, top, right, bottom, shadowOffset;
};

FaceBox FaceBoxFor(int width, int height, double scale) {
  const double unit = std::max(1.0, std::floor(scale));
  return {unit, unit, width - unit, height - std::max(2.0, std::floor(2 * scale)), unit};
}

}  // namespace

SecondaryLook SecondaryLookFor(ButtonState state, bool isDefault) {
  SecondaryLook look;
  switch (state) {
    case ButtonState::kNormal:
      look = {RGB(255, 255, 255), kTintPale, isDefault ? kInk : kInkLight, kInk, 1, 36, 0};
      break;
    case ButtonState::kHover: look = {kTintPale, kTintMiddle, kInk, kInk, 1, 52, 0}; break;
    case ButtonState::kPressed: look = {kTint, kTintPale, kInkDeep, kInkDeep, 1, 0, 1}; break;
    case ButtonState::kDisabled:
      look = {kGreyFace, kGreyFaceLow, kGreyRim, kGreyText, 1, 0, 0};
      break;
  }
  // The default button (Enter presses it) has the heavier rim, as a dialog's has.
  if (isDefault && state != ButtonState::kDisabled) look.rimWidth = 2;
  return look;
}

std::vector<uint32_t> SecondaryFacePixels(int width, int height, double scale,
                                          const SecondaryLook& look) {
  if (width <= 0 || height <= 0 || scale <= 0) return {};
  const FaceBox box = FaceBoxFor(width, height, scale);
  const double radius = kRadius * scale;
  const double rim = std::max(1.0, std::floor(look.rimWidth * scale));
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const double cy = y + 0.5;
    const double t = std::clamp((cy - box.top) / std::max(box.bottom - box.top, 1.0), 0.0, 1.0);
    const COLORREF face = Mix(look.faceTop, look.faceBottom, t);
    for (int x = 0; x < width; ++x) {
      const double cx = x + 0.5;
      Premultiplied p;
      if (look.shadowAlpha > 0)
        Over(p, kInkDeep,
             look.shadowAlpha / 255.0 *
                 Coverage(cx, cy - box.shadowOffset, box.left, box.top, box.right, box.bottom,
                          radius));
      Over(p, look.rim, Coverage(cx, cy, box.left, box.top, box.right, box.bottom, radius));
      Over(p, face,
           Coverage(cx, cy, box.left + rim, box.top + rim, box.right - rim, box.bottom - rim,
                    std::max(radius - rim, 0.0)));
      pixels[static_cast<size_t>(y) * width + x] = Packed(p);
    }
  }
  return pixels;
}

RECT SecondaryFaceArea(const RECT& bounds, double scale) {
  const FaceBox box = FaceBoxFor(Width(bounds), Height(bounds), scale);
  return {bounds.left + static_cast<LONG>(box.left), bounds.top + static_cast<LONG>(box.top),
          bounds.left + static_cast<LONG>(box.right), bounds.top + static_cast<LONG>(box.bottom)};
}

void PaintPlainButton(HDC dc, const RECT& bounds, const std::string& caption, UINT textFormat,
                      ButtonState state, bool focused, bool isDefault, Dpi dpi) {
  const bool pressed = state == ButtonState::kPressed;
  FillRect(dc, &bounds, GetSysColorBrush(pressed ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
  // The frame is thicker on the focused and the default button, so that both
  // show without colour; the mouse over it gives it the highlight colour.
  const int frameWidth = dpi.Scale(focused || isDefault ? 2 : 1);
  const COLORREF frameColour = GetSysColor(state == ButtonState::kHover      ? COLOR_HIGHLIGHT
                                           : state == ButtonState::kDisabled ? COLOR_GRAYTEXT
                                                                             : COLOR_BTNTEXT);
  ScopedPen frame(CreatePen(PS_INSIDEFRAME, frameWidth, frameColour));
  {
    SelectScope pen(dc, frame.Get());
    SelectScope brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(state == ButtonState::kDisabled ? COLOR_GRAYTEXT
                               : pressed                       ? COLOR_HIGHLIGHTTEXT
                                                               : COLOR_BTNTEXT));
  RECT area = bounds;
  InflateRect(&area, -dpi.Scale(6), 0);
  DrawUiText(dc, caption, &area, textFormat | DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (focused) {
    RECT focus = bounds;
    InflateRect(&focus, -dpi.Scale(4), -dpi.Scale(4));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    DrawFocusRect(dc, &focus);
  }
}

// ---- SecondaryButton --------------------------------------------------------

bool SecondaryButton::Create(HWND parent, const CreateArgs& args) {
  isDefault_ = args.isDefault;
  background_ = args.background;
  SetFontSpec(kCaptionFont);
  return CreateControl("BUTTON", args.text, WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, parent,
                       args.bounds, args.id);
}

void SecondaryButton::Click() {
  if (onClick && IsEnabled()) onClick();
}

bool SecondaryButton::Pushed() const {
  return Hwnd() && (SendMessageA(Hwnd(), BM_GETSTATE, 0, 0) & BST_PUSHED);
}

ButtonState SecondaryButton::State() const {
  return StateOfButton(IsEnabled(), hover_, Pushed());
}

bool SecondaryButton::ShowsFocus() const {
  return GetFocus() == Hwnd() && !(SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

bool SecondaryButton::HidesAccessLetter() const {
  return (SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
}

int SecondaryButton::FittingWidth(const std::string& text) const {
  WindowDc dc(Hwnd());
  SelectScope font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0)));
  RECT area{};
  DrawUiText(dc.Get(), text, &area, DT_CALCRECT | DT_SINGLELINE);
  return Width(area) + 2 * CurrentDpi().Scale(kCaptionPadding);
}

void SecondaryButton::SetHover(bool hover) {
  if (hover == hover_) return;
  hover_ = hover;
  if (hover) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
    TrackMouseEvent(&track);
  }
  Redraw();
}

void SecondaryButton::Redraw() {
  InvalidateRect(Hwnd(), nullptr, FALSE);
  const bool pushed = Pushed();
  if (pushed != wasPushed_) {
    wasPushed_ = pushed;
    RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
  }
}

void SecondaryButton::DrawFace(HDC dc, const RECT& bounds, ButtonState state) {
  const SIZE size{Width(bounds), Height(bounds)};
  if (face_.IsEmpty() || size.cx != faceSize_.cx || size.cy != faceSize_.cy ||
      state != faceState_ || isDefault_ != faceDefault_) {
    face_ = Picture::FromPixels(size.cx, size.cy,
                                SecondaryFacePixels(size.cx, size.cy, CurrentDpi().Value() / 96.0,
                                                    SecondaryLookFor(state, isDefault_)));
    faceSize_ = size;
    faceState_ = state;
    faceDefault_ = isDefault_;
  }
  face_.Draw(dc, bounds, MakeRect(0, 0, size.cx, size.cy));
}

void SecondaryButton::Draw(HDC target, const RECT& bounds) {
  // Drawn aside and copied at once, so that no half-drawn button shows.
  ScopedMemoryDc memory(CreateCompatibleDC(target));
  ScopedBitmap canvas(CreateCompatibleBitmap(target, Width(bounds), Height(bounds)));
  if (!memory || !canvas) return;
  SelectScope select(memory.Get(), canvas.Get());
  HDC dc = memory.Get();
  const RECT client = MakeRect(0, 0, Width(bounds), Height(bounds));
  const ButtonState state = State();
  const Dpi dpi = CurrentDpi();
  const std::string caption = Text();
  const UINT format = HidesAccessLetter() ? DT_HIDEPREFIX : 0;
  SelectScope font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0)));
  if (HighContrast()) {
    PaintPlainButton(dc, client, caption, format, state, ShowsFocus(), isDefault_, dpi);
  } else {
    ScopedBrush background(CreateSolidBrush(background_));
    FillRect(dc, &client, background.Get());
    DrawFace(dc, client, state);
    const SecondaryLook look = SecondaryLookFor(state, isDefault_);
    RECT area = SecondaryFaceArea(client, dpi.Value() / 96.0);
    OffsetRect(&area, 0, dpi.Scale(look.sink));
    InflateRect(&area, -dpi.Scale(4), 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.caption);
    DrawUiText(dc, caption, &area,
               format | DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (ShowsFocus()) {
      RECT focus = SecondaryFaceArea(client, dpi.Value() / 96.0);
      InflateRect(&focus, -dpi.Scale(look.rimWidth + 3), -dpi.Scale(look.rimWidth + 3));
      SetTextColor(dc, kInk);
      SetBkColor(dc, RGB(255, 255, 255));
      DrawFocusRect(dc, &focus);
    }
  }
  BitBlt(target, bounds.left, bounds.top, Width(bounds), Height(bounds), dc, 0, 0, SRCCOPY);
}

bool SecondaryButton::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Draw(item->hDC, item->rcItem);
    result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    Click();
    result = 0;
    return true;
  }
  return false;
}

LRESULT SecondaryButton::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      // Drawn here as well as on the parent's WM_DRAWITEM: a parent that
      // is not one of ours does not hand that back.
      PaintScope paint(Hwnd());
      RECT client{};
      GetClientRect(Hwnd(), &client);
      Draw(paint.Get(), client);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_HAND)); return TRUE;
    case WM_MOUSEMOVE: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT client{};
      GetClientRect(Hwnd(), &client);
      SetHover(IsEnabled() && PtInRect(&client, point));
      break;
    }
    case WM_MOUSELEAVE: SetHover(false); break;
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button would report a double click instead of a
      // second click; this one clicks twice, as a plain one does.
      if (!IsEnabled()) return 0;
      message = WM_LBUTTONDOWN;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case BM_CLICK:
      // A disabled window gets no clicks from the system; one sent directly is ignored too.
      if (!IsEnabled()) return 0;
      break;
    case WM_KEYDOWN:
      // Enter presses the focused button, as in a dialog; a held key counts once.
      if (wParam == VK_RETURN) {
        if (!(lParam & (1 << 30))) Click();
        return 0;
      }
      break;
    case WM_GETDLGCODE: {
      // The focused button is the default one while it has the focus, as
      // the dialog manager makes it.
      const bool actsAsDefault = isDefault_ || GetFocus() == Hwnd();
      return DLGC_BUTTON | (actsAsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    }
    case BM_SETSTYLE:
      // The dialog manager would make it a plain (default) push button, which
      // would draw itself; its look stays this button's own.
      Redraw();
      return 0;
    case WM_ENABLE: hover_ = false; break;
    default: break;
  }
  const LRESULT result = Default(message, wParam, lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CAPTURECHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
    case BM_SETSTATE: Redraw(); break;
    default: break;
  }
  if (message == WM_ENABLE) RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
  return result;
}

AccessibleInfo SecondaryButton::Describe(long) const {
  AccessibleInfo info;
  const std::string caption = Text();
  info.name = SpokenCaption(caption);
  info.role = ROLE_SYSTEM_PUSHBUTTON;
  info.state |= AccessibleStateOf(State());
  if (isDefault_) info.state |= STATE_SYSTEM_DEFAULT;
  info.defaultAction = "Press";
  info.shortcut = ShortcutOf(caption);
  return info;
}

bool SecondaryButton::DoDefaultAction(long part) {
  if (part != kSelf || !IsEnabled()) return false;
  Click();
  return true;
}

}  // namespace hvm::ui
