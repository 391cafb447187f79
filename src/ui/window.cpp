#include "ui/window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <exception>
#include <set>

#include "ui/accessible.h"
#include "ui/keyboard_navigation.h"

namespace hvm::ui {
namespace {

constexpr char kControlProperty[] = "HivemendControl";
constexpr UINT_PTR kSubclassId = 0x48564D;  // "HVM"

ErrorHandler& Handler() {
  static ErrorHandler handler;
  return handler;
}

// Runs `body`; an exception is reported instead of crossing the platform's code.
template <class Body>
LRESULT Guarded(Body&& body) {
  try {
    return body();
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("Unknown error");
  }
  return 0;
}

BOOL CALLBACK FollowContrastStyleOf(HWND window, LPARAM) {
  // A class list that names no class (a blank) leaves no style to draw with.
  const wchar_t* none = HighContrast() ? L" " : nullptr;
  SetWindowTheme(window, none, none);
  return TRUE;
}

BOOL CALLBACK TellSystemColoursChanged(HWND window, LPARAM) {
  SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

// A top-level window heard that the system's colours or high contrast
// changed: the theme reads the setting again and everything is drawn anew.
// Common controls keep colours of their own and are told as the platform
// asks of their top-level window.
void FollowSystemColours(HWND window, UINT message) {
  const bool before = HighContrast();
  RefreshHighContrast();
  if (HighContrast() != before) EnumChildWindows(window, &FollowContrastStyleOf, 0);
  if (message == WM_SYSCOLORCHANGE) EnumChildWindows(window, &TellSystemColoursChanged, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// Answers WM_GETOBJECT over `model`, making the host on first use.
bool AnswerAccessibly(std::unique_ptr<AccessibleHost>& host, HWND window, AccessibleModel* model,
                      WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!model) return false;
  if (!host) host = std::make_unique<AccessibleHost>(window, *model);
  return host->Answer(wParam, lParam, result);
}

bool EnsureClass(const char* name, HBRUSH background, HCURSOR cursor, UINT style, HICON largeIcon,
                 HICON smallIcon, WNDPROC procedure) {
  static std::set<std::string> registered;
  if (registered.count(name)) return true;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground =
      background ? background : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.hIcon = largeIcon;
  windowClass.hIconSm = smallIcon;
  windowClass.lpszClassName = name;
  if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(name);
  return true;
}

// The control a parent's notification is about, if it is one of ours.
HWND NotifyingChild(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY: return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM: return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    default: return nullptr;
  }
}

}  // namespace

// Windows turns visual styles off with high contrast itself; Wine does not,
// and a style keeps colours of its own.
void FollowContrastStyle(HWND control) {
  FollowContrastStyleOf(control, 0);
  EnumChildWindows(control, &FollowContrastStyleOf, 0);
}

void SetErrorHandler(ErrorHandler handler) {
  Handler() = std::move(handler);
}

void ReportError(const std::string& text) {
  if (Handler()) {
    try {
      Handler()(text);
      return;
    } catch (...) {
      // The handler itself failed; the text still reaches the debugger below.
    }
  }
  OutputDebugStringA(text.c_str());
}

// ---- Window -----------------------------------------------------------------

Window::~Window() {
  Destroy();
}

void Window::Destroy() {
  accessible_.reset();
  if (!hwnd_) return;
  HWND window = hwnd_;
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  DestroyWindow(window);
}

Window* Window::FromHwnd(HWND window) {
  return window ? reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA)) : nullptr;
}

bool Window::CreateWindowOf(const CreateArgs& args) {
  if (!EnsureClass(args.className, args.background, args.cursor, args.classStyle, args.largeIcon,
                   args.smallIcon, &Window::Procedure))
    return false;
  const RECT& b = args.bounds;
  const bool placedByPlatform = b.left == CW_USEDEFAULT;
  HWND window = CreateWindowExA(
      args.exStyle, args.className, args.title.c_str(), args.style, b.left,
      placedByPlatform ? CW_USEDEFAULT : b.top, placedByPlatform ? CW_USEDEFAULT : Width(b),
      placedByPlatform ? CW_USEDEFAULT : Height(b), args.parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), GetModuleHandleA(nullptr), this);
  return window != nullptr;
}

bool Window::CreatePage(const char* className, HWND parent, const RECT& bounds, bool visible) {
  CreateArgs args;
  args.className = className;
  args.style = WS_CHILD | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
  args.exStyle = WS_EX_CONTROLPARENT;
  args.parent = parent;
  args.bounds = bounds;
  return CreateWindowOf(args);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = window;
    self->dpi_ = Dpi::ForWindow(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  Window* self = FromHwnd(window);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->accessible_.reset();
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return Guarded([&] { return self->Dispatch(message, wParam, lParam); });
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT answer = 0;
  if (message == WM_GETOBJECT &&
      AnswerAccessibly(accessible_, hwnd_, Accessibility(), wParam, lParam, answer))
    return answer;
  if (message == WM_CREATE) {
    const LRESULT result = OnMessage(message, wParam, lParam);
    if (result != -1) OnDpiChanged(dpi_);
    return result;
  }
  return OnMessage(message, wParam, lParam);
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (HWND child = NotifyingChild(message, wParam, lParam)) {
    if (Control* control = Control::FromHwnd(child)) {
      LRESULT result = 0;
      if (control->OnReflected(message, wParam, lParam, result)) return result;
    }
  }
  if ((message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE) &&
      !(GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD))
    FollowSystemColours(hwnd_, message);
  if (message == WM_ERASEBKGND && HighContrast()) {
    // The class's white background would be the only white on the screen.
    const RECT client = ClientRect();
    FillRect(reinterpret_cast<HDC>(wParam), &client, PageBrush());
    return 1;
  }
  if (message == WM_DPICHANGED) {
    dpi_ = Dpi(HIWORD(wParam));
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (!(GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD)) SetBounds(*suggested);
    OnDpiChanged(dpi_);
    return 0;
  }
  return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

RECT Window::ClientRect() const {
  RECT r{};
  if (hwnd_) GetClientRect(hwnd_, &r);
  return r;
}

void Window::SetBounds(const RECT& pixels) {
  if (hwnd_)
    SetWindowPos(hwnd_, nullptr, pixels.left, pixels.top, Width(pixels), Height(pixels),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::Show(bool visible) {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

bool Window::IsVisible() const {
  return hwnd_ && IsWindowVisible(hwnd_);
}

// ---- Control ----------------------------------------------------------------

Control::~Control() {
  accessible_.reset();
  if (!hwnd_) return;
  HWND window = hwnd_;
  RemoveWindowSubclass(window, &Control::SubclassProcedure, kSubclassId);
  RemovePropA(window, kControlProperty);
  hwnd_ = nullptr;
  DestroyWindow(window);
}

Control* Control::FromHwnd(HWND window) {
  return window ? static_cast<Control*>(GetPropA(window, kControlProperty)) : nullptr;
}

bool Control::CreateControl(const char* className, const std::string& text, DWORD style,
                            DWORD exStyle, HWND parent, const RECT& bounds, int id) {
  HWND window = CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD, bounds.left,
                                bounds.top, Width(bounds), Height(bounds), parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
  if (!window) return false;
  hwnd_ = window;
  SetPropA(window, kControlProperty, this);
  if (HighContrast()) FollowContrastStyle(window);
  SetWindowSubclass(window, &Control::SubclassProcedure, kSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
  ApplyDpi(Dpi::ForWindow(parent));
  return true;
}

LRESULT CALLBACK Control::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR selfData) {
  auto* self = reinterpret_cast<Control*>(selfData);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &Control::SubclassProcedure, kSubclassId);
    RemovePropA(window, kControlProperty);
    self->hwnd_ = nullptr;
    self->accessible_.reset();
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return Guarded([&] {
    LRESULT answer = 0;
    if (message == WM_GETOBJECT &&
        AnswerAccessibly(self->accessible_, window, self->Accessibility(), wParam, lParam, answer))
      return answer;
    return self->OnOwnMessage(message, wParam, lParam);
  });
}

LRESULT Control::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT Control::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

void Control::ApplyDpi(Dpi dpi) {
  dpi_ = dpi;
  font_ = CreateUiFont(fontSpec_, dpi);
  if (hwnd_) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
  OnFontChanged();
}

void Control::SetFontSpec(const FontSpec& fontSpec) {
  fontSpec_ = fontSpec;
  ApplyDpi(dpi_);
}

void Control::SetBounds(const RECT& pixels) {
  if (hwnd_)
    SetWindowPos(hwnd_, nullptr, pixels.left, pixels.top, Width(pixels), Height(pixels),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Control::Bounds() const {
  RECT r{};
  if (!hwnd_) return r;
  GetWindowRect(hwnd_, &r);
  MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Control::Show(bool visible) {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

bool Control::IsVisible() const {
  return hwnd_ && IsWindowVisible(hwnd_);
}

void Control::Enable(bool enabled) {
  if (hwnd_) EnableWindow(hwnd_, enabled);
}

bool Control::IsEnabled() const {
  return hwnd_ && IsWindowEnabled(hwnd_);
}

void Control::SetText(const std::string& text) {
  if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}

std::string Control::Text() const {
  if (!hwnd_) return {};
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd_)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(hwnd_, text.data(), int(text.size()))));
  return text;
}

void Control::Focus() {
  if (hwnd_) SetFocus(hwnd_);
}

namespace {

std::function<bool(MSG&)>& Filter() {
  static std::function<bool(MSG&)> filter;
  return filter;
}

void Dispatch(MSG& message) {
  if (Filter() && Filter()(message)) return;
  RouteWheelToPointer(message);
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && (GetWindowLongPtrA(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
      NavigateByKeyboard(root, message))
    return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

}  // namespace

void SetMessageFilter(std::function<bool(MSG& message)> filter) {
  Filter() = std::move(filter);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave the quit for the main loop, which ends the program.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

}  // namespace hvm::ui
