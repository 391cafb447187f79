#include "ui/menu_button.h"

#include <oleacc.h>
#include <uxtheme.h>
#include <windowsx.h>

#include "ui/gdi_text.h"
#include "ui/secondary_button.h"

namespace hvm::ui {
namespace {

// Opens the menu after the screen reader's call has returned: the menu runs
// a loop of its own.
constexpr UINT kOpenLater = WM_APP + 0x4D;
// 96-dpi units.
constexpr int kPadding = 8, kArrowGap = 5, kArrowWidth = 7;

}  // namespace

bool MenuButton::Create(HWND parent, const CreateArgs& args) {
  fontSpec_ = args.font;
  colour_ = args.colour;
  Window::CreateArgs window;
  window.className = "HivemendMenuButton";
  window.title = args.caption;
  window.style = WS_CHILD | WS_VISIBLE;
  window.parent = parent;
  window.bounds = args.bounds;
  window.cursor = LoadCursorA(nullptr, IDC_HAND);
  window.classStyle = 0;
  window.background = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  return CreateWindowOf(window);
}

void MenuButton::OnDpiChanged(Dpi dpi) {
  font_ = CreateUiFont(fontSpec_, dpi);
  face_ = Picture();
}

std::string MenuButton::Caption() const {
  if (!Hwnd()) return {};
  std::string text(static_cast<size_t>(GetWindowTextLengthA(Hwnd())) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(Hwnd(), text.data(), int(text.size()))));
  return text;
}

int MenuButton::FittingWidth() const {
  WindowDc dc(Hwnd());
  SelectScope font(dc.Get(), font_.Get());
  RECT area{};
  DrawUiText(dc.Get(), Caption(), &area, DT_CALCRECT | DT_SINGLELINE);
  const Dpi dpi = CurrentDpi();
  return Width(area) + dpi.Scale(kArrowGap + kArrowWidth + 2 * kPadding);
}

ButtonState MenuButton::State() const {
  return StateOfButton(Hwnd() && IsWindowEnabled(Hwnd()), hover_, open_);
}

bool MenuButton::ShowsFocus() const {
  return GetFocus() == Hwnd() && !(SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void MenuButton::SetHover(bool hover) {
  if (hover == hover_) return;
  hover_ = hover;
  if (hover) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
    TrackMouseEvent(&track);
  }
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void MenuButton::Open() {
  if (open_ || !Hwnd() || !IsWindowEnabled(Hwnd())) return;
  open_ = true;
  // Shown pressed for as long as its menu is open.
  RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
  RECT screen{};
  GetWindowRect(Hwnd(), &screen);
  if (onOpen) onOpen(screen);
  open_ = false;
  POINT cursor{};
  GetCursorPos(&cursor);
  hover_ = PtInRect(&screen, cursor) != FALSE;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
  // Reached by its letter or F10, it gives the keyboard back once its menu
  // has closed, as a menu bar does.
  if (GetFocus() == Hwnd()) GiveKeyboardBack();
}

void MenuButton::TakeKeyboard() {
  if (!Hwnd() || !IsWindowEnabled(Hwnd())) return;
  SendMessageA(GetAncestor(Hwnd(), GA_ROOT), WM_CHANGEUISTATE,
               MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  SetFocus(Hwnd());
}

void MenuButton::GiveKeyboardBack() {
  HWND back = keyboardBefore_;
  keyboardBefore_ = nullptr;
  if (!back || !IsWindow(back) || !IsWindowVisible(back) || !IsWindowEnabled(back))
    back = GetAncestor(Hwnd(), GA_ROOT);
  SetFocus(back);
}

void MenuButton::Paint() {
  PaintScope paint(Hwnd());
  RECT client = ClientRect();
  ScopedMemoryDc memory(CreateCompatibleDC(paint.Get()));
  ScopedBitmap canvas(CreateCompatibleBitmap(paint.Get(), Width(client), Height(client)));
  if (!memory || !canvas) return;
  SelectScope select(memory.Get(), canvas.Get());
  HDC dc = memory.Get();
  // What the parent shows here (a band with its picture) shows through.
  DrawThemeParentBackground(Hwnd(), dc, &client);
  const Dpi dpi = CurrentDpi();
  const ButtonState state = State();
  const bool focused = GetFocus() == Hwnd();
  const bool framed = state != ButtonState::kNormal || focused;
  const bool plain = HighContrast();
  const std::string caption = Caption();
  const UINT format = (SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL)
                          ? DT_HIDEPREFIX
                          : 0;
  SelectScope font(dc, font_.Get());
  COLORREF ink = ForeColour(colour_);
  RECT face = client;
  if (framed && plain) {
    // The system's button look; the caption goes on top of it below.
    PaintPlainButton(dc, client, "", 0, state, ShowsFocus(), false, dpi);
    ink = GetSysColor(state == ButtonState::kPressed ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  } else if (framed) {
    const ButtonState look = state == ButtonState::kNormal ? ButtonState::kHover : state;
    const SIZE size{Width(client), Height(client)};
    if (face_.IsEmpty() || size.cx != faceSize_.cx || size.cy != faceSize_.cy ||
        look != faceState_) {
      face_ = Picture::FromPixels(
          size.cx, size.cy,
          SecondaryFacePixels(size.cx, size.cy, dpi.Value() / 96.0, SecondaryLookFor(look, false)));
      faceSize_ = size;
      faceState_ = look;
    }
    face_.Draw(dc, client, MakeRect(0, 0, size.cx, size.cy));
    face = SecondaryFaceArea(client, dpi.Value() / 96.0);
    ink = SecondaryLookFor(look, false).caption;
  }
  // The caption and the arrow, together in the middle of the face.
  RECT text{};
  DrawUiText(dc, caption, &text, DT_CALCRECT | DT_SINGLELINE);
  const int arrowWidth = dpi.Scale(kArrowWidth), gap = dpi.Scale(kArrowGap);
  const int left = face.left + (Width(face) - Width(text) - gap - arrowWidth) / 2;
  const int sink = state == ButtonState::kPressed ? dpi.Scale(1) : 0;
  RECT line{left, face.top + sink, left + Width(text), face.bottom + sink};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  DrawUiText(dc, caption, &line, format | DT_SINGLELINE | DT_VCENTER);
  // A small triangle pointing down, its middle on the text's.
  const int arrowLeft = line.right + gap;
  const int arrowHeight = (arrowWidth + 1) / 2;
  const int arrowTop = (face.top + face.bottom) / 2 + sink - arrowHeight / 2 + dpi.Scale(1);
  const POINT arrow[3] = {{arrowLeft, arrowTop},
                          {arrowLeft + arrowWidth, arrowTop},
                          {arrowLeft + arrowWidth / 2, arrowTop + arrowHeight}};
  ScopedBrush fill(CreateSolidBrush(ink));
  ScopedPen edge(CreatePen(PS_SOLID, 1, ink));
  {
    SelectScope brush(dc, fill.Get());
    SelectScope pen(dc, edge.Get());
    Polygon(dc, arrow, 3);
  }
  if (ShowsFocus() && !plain) {
    RECT mark = face;
    InflateRect(&mark, -dpi.Scale(3), -dpi.Scale(3));
    SetTextColor(dc, ink);
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &mark);
  }
  BitBlt(paint.Get(), 0, 0, Width(client), Height(client), dc, 0, 0, SRCCOPY);
}

LRESULT MenuButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const RECT client = ClientRect();
      SetHover(PtInRect(&client, point) != FALSE);
      return 0;
    }
    case WM_MOUSELEAVE: SetHover(false); return 0;
    // A menu opens as the button goes down, not when it comes up.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Open(); return 0;
    case BM_CLICK: Open(); return 0;
    case kOpenLater: Open(); return 0;
    case WM_GETDLGCODE: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON | DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (lParam & (1 << 30)) return 0;  // a held key opens it once
      switch (wParam) {
        case VK_RETURN:
        case VK_SPACE:
        case VK_DOWN:
        case VK_F4: Open(); return 0;
        case VK_ESCAPE: GiveKeyboardBack(); return 0;
        default: return Window::OnMessage(message, wParam, lParam);
      }
    case WM_SETFOCUS:
      // The window the keyboard came from, to give it back to.
      if (wParam && reinterpret_cast<HWND>(wParam) != Hwnd())
        keyboardBefore_ = reinterpret_cast<HWND>(wParam);
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return 0;
    case WM_UPDATEUISTATE:
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return Window::OnMessage(message, wParam, lParam);
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

AccessibleInfo MenuButton::Describe(long) const {
  AccessibleInfo info;
  const std::string caption = Caption();
  info.name = SpokenCaption(caption);
  info.role = ROLE_SYSTEM_BUTTONMENU;
  info.state = STATE_SYSTEM_HASPOPUP;
  info.state |= AccessibleStateOf(State());
  info.defaultAction = "Open";
  info.shortcut = ShortcutOf(caption);
  return info;
}

bool MenuButton::DoDefaultAction(long part) {
  if (part != kSelf || !Hwnd() || !IsWindowEnabled(Hwnd())) return false;
  PostMessageA(Hwnd(), kOpenLater, 0, 0);
  return true;
}

}  // namespace hvm::ui
