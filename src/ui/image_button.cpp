#include "ui/image_button.h"

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include "ui/gdi_text.h"
#include "ui/secondary_button.h"

namespace hvm::ui {

RECT StripStateRect(ButtonState state, int stripWidth, int stripHeight) {
  const int width = stripWidth / 4;
  const int left = width * static_cast<int>(state);
  return {left, 0, left + width, stripHeight};
}

ImageButton::~ImageButton() {
  if (tooltip_) DestroyWindow(tooltip_);
}

bool ImageButton::Create(HWND parent, const CreateArgs& args) {
  strip_ = args.strip;
  command_ = args.command;
  hint_ = args.hint;
  tabStop_ = args.tabStop;
  isDefault_ = args.isDefault;
  const Dpi dpi = Dpi::ForWindow(parent);
  const SIZE size = SizeAt(dpi);
  Window::CreateArgs window;
  window.className = "HivemendImageButton";
  window.title = args.caption;
  window.style = WS_CHILD | WS_VISIBLE | (tabStop_ ? WS_TABSTOP : 0);
  window.parent = parent;
  window.bounds = MakeRect(args.origin.x, args.origin.y, size.cx, size.cy);
  window.cursor = LoadCursorA(nullptr, IDC_HAND);
  window.classStyle = 0;
  window.background = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (!CreateWindowOf(window)) return false;
  if (!hint_.empty()) {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    tool.lpszText = const_cast<char*>(hint_.c_str());
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return true;
}

SIZE ImageButton::SizeAt(Dpi dpi) const {
  if (!strip_ || strip_->IsEmpty()) return {0, 0};
  // The strip holds four states at twice the 96-dpi size.
  return {dpi.Scale(strip_->Width() / 8), dpi.Scale(strip_->Height() / 2)};
}

void ImageButton::OnDpiChanged(Dpi dpi) {
  const SIZE size = SizeAt(dpi);
  scaled_ = strip_ ? strip_->Scaled(size.cx * 4, size.cy) : Picture();
  FontSpec plain;
  plain.bold = true;
  plainFont_ = CreateUiFont(plain, dpi);
  if (Hwnd())
    SetWindowPos(Hwnd(), nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ImageButton::Move(POINT origin) {
  if (Hwnd())
    SetWindowPos(Hwnd(), nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ButtonState ImageButton::State() const {
  if (!Hwnd() || !IsWindowEnabled(Hwnd())) return ButtonState::kDisabled;
  if (pressed_ && hover_) return ButtonState::kPressed;
  if (hover_ || pressed_) return ButtonState::kHover;
  return ButtonState::kNormal;
}

void ImageButton::SetHover(bool hover) {
  if (hover == hover_) return;
  hover_ = hover;
  if (hover) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
    TrackMouseEvent(&track);
  }
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

std::string ImageButton::Caption() const {
  if (!Hwnd()) return {};
  std::string text(static_cast<size_t>(GetWindowTextLengthA(Hwnd())) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(Hwnd(), text.data(), int(text.size()))));
  return text;
}

void ImageButton::SetPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
}

AccessibleInfo ImageButton::Describe(long) const {
  AccessibleInfo info;
  const std::string caption = Caption();
  info.name = caption.empty() ? hint_ : SpokenCaption(caption);
  if (!hint_.empty() && hint_ != info.name) info.description = hint_;
  info.role = ROLE_SYSTEM_PUSHBUTTON;
  info.state |= AccessibleStateOf(State());
  if (isDefault_) info.state |= STATE_SYSTEM_DEFAULT;
  info.defaultAction = "Press";
  info.shortcut = ShortcutOf(caption);
  return info;
}

bool ImageButton::DoDefaultAction(long part) {
  if (part != kSelf || !Hwnd() || !IsWindowEnabled(Hwnd())) return false;
  Clicked();
  return true;
}

void ImageButton::Clicked() {
  if (onClick) onClick(command_);
}

void ImageButton::Click() {
  if (Hwnd() && IsWindowEnabled(Hwnd())) Clicked();
}

bool ImageButton::PressedByKey(WPARAM key, LPARAM flags) {
  // A held key repeats its key-down; only the first press counts.
  const bool repeat = (flags & (1 << 30)) != 0;
  if (!tabStop_ || repeat || (key != VK_SPACE && key != VK_RETURN)) return false;
  Click();
  return true;
}

void ImageButton::Paint() {
  PaintScope paint(Hwnd());
  const RECT client = ClientRect();
  // The parent's background shows through the picture's transparent corners.
  HWND parent = GetParent(Hwnd());
  HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC,
                                                            reinterpret_cast<WPARAM>(paint.Get()),
                                                            reinterpret_cast<LPARAM>(Hwnd())));
  FillRect(paint.Get(), &client, background ? background : GetSysColorBrush(COLOR_WINDOW));
  if (HighContrast()) {
    PaintPlain(paint.Get(), client);
    return;
  }
  if (scaled_.IsEmpty()) return;
  scaled_.Draw(paint.Get(), client, StripStateRect(State(), scaled_.Width(), scaled_.Height()));
  if (tabStop_ && GetFocus() == Hwnd()) {
    // Inside the picture's rounded rim, where the dots show on its face.
    const int inset = CurrentDpi().Scale(4);
    RECT focus = client;
    InflateRect(&focus, -inset, -inset);
    SetTextColor(paint.Get(), RGB(255, 255, 255));
    SetBkColor(paint.Get(), RGB(0, 0, 0));
    DrawFocusRect(paint.Get(), &focus);
  }
}

void ImageButton::PaintPlain(HDC dc, const RECT& client) {
  std::string text = Caption();
  UINT format = DT_END_ELLIPSIS;
  if (text.empty()) {
    text = hint_;
    format |= DT_NOPREFIX;
  } else if (SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) {
    format |= DT_HIDEPREFIX;
  }
  SelectScope font(dc, plainFont_.Get());
  PaintPlainButton(dc, client, text, format, State(), tabStop_ && GetFocus() == Hwnd(), isDefault_,
                   CurrentDpi());
}

LRESULT ImageButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (tabStop_) SetFocus(Hwnd());
      hover_ = true;
      SetCapture(Hwnd());
      SetPressed(true);
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_ && hover_;
      if (GetCapture() == Hwnd()) ReleaseCapture();
      SetPressed(false);
      if (wasPressed) Clicked();
      return 0;
    }
    case WM_CAPTURECHANGED: SetPressed(false); return 0;
    case WM_GETDLGCODE:
      if (!tabStop_) return Window::OnMessage(message, wParam, lParam);
      return DLGC_BUTTON | (isDefault_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_CLICK: Click(); return 0;
    case WM_KEYDOWN:
      if (PressedByKey(wParam, lParam)) return 0;
      return Window::OnMessage(message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return Window::OnMessage(message, wParam, lParam);
    case WM_ENABLE:
      if (!wParam) hover_ = pressed_ = false;
      InvalidateRect(Hwnd(), nullptr, FALSE);
      RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
      return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm::ui
