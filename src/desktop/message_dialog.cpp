#include "desktop/message_dialog.h"

#include "ui/clipboard.h"
#include "ui/gdi_text.h"

namespace hvm {
namespace {

constexpr UINT kShownMessage = WM_APP + 0x51;
constexpr int kFirstButtonId = 100;  // slot n is id 100 + n

std::function<void(MessageDialogWindow&)>& ShownHook() {
  static std::function<void(MessageDialogWindow&)> hook;
  return hook;
}

// The system's own picture for each icon kind (OIC_HAND, OIC_QUES, OIC_BANG, OIC_NOTE).
int SystemIconFor(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::kStop: return 32513;
    case DialogIcon::kQuestion: return 32514;
    case DialogIcon::kWarning: return 32515;
    case DialogIcon::kInformation: return 32516;
    case DialogIcon::kNone: break;
  }
  return 0;
}

const ui::FontSpec kTextFont{9};
const ui::FontSpec kButtonFont{8};

// The height of `text` wrapped at `width` pixels in `fontSpec` at `dpi`.
int WrappedTextHeight(const std::string& text, int width, const ui::FontSpec& fontSpec,
                      ui::Dpi dpi) {
  ui::ScopedFont font = ui::CreateUiFont(fontSpec, dpi);
  ui::WindowDc screen(nullptr);
  ui::SelectScope select(screen.Get(), font.Get());
  RECT area{0, 0, width, 0};
  ui::DrawUiText(screen.Get(), text, &area,
                 DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.Get(), &metrics);
  return std::max<int>(area.bottom - area.top, metrics.tmHeight);
}

}  // namespace

MessageDialogWindow::MessageDialogWindow(std::string text, std::string caption, int flags,
                                         DialogPrepareHook prepare, DialogOptions options)
    : message_(std::move(text)),
      caption_(std::move(caption)),
      flags_(flags),
      buttons_(ButtonsForFlags(flags)),
      icon_(IconForFlags(flags)),
      prepare_(std::move(prepare)),
      options_(options),
      dpi_(options.dpi ? *options.dpi
                       : (options.owner ? ui::Dpi::ForWindow(options.owner) : ui::Dpi::System())) {}

MessageDialogWindow::~MessageDialogWindow() = default;

bool MessageDialogWindow::IconShown() const {
  return iconWindow_ && IsWindowVisible(iconWindow_);
}

ui::Button* MessageDialogWindow::ButtonAt(int slot) {
  return slot >= 1 && slot <= static_cast<int>(buttonControls_.size())
             ? buttonControls_[slot - 1].get()
             : nullptr;
}

std::string MessageDialogWindow::ClipboardText() const {
  return DialogClipboardText(caption_, message_, buttons_);
}

bool MessageDialogWindow::CopyToClipboard() {
  return ui::CopyTextToClipboard(Hwnd(), ClipboardText());
}

bool MessageDialogWindow::Build() {
  const auto scale = [this](int units) { return dpi_.Scale(units); };
  const bool withIcon = icon_ != DialogIcon::kNone;
  const int textWidth =
      LayoutDialog(withIcon, static_cast<int>(buttons_.size()), 0, 0, scale).textWidth;
  const int textHeight = WrappedTextHeight(message_, textWidth, kTextFont, dpi_);
  layout_ = LayoutDialog(withIcon, static_cast<int>(buttons_.size()), textHeight, 0, scale);

  CreateArgs args;
  args.className = kClassName;
  args.title = caption_;
  args.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  args.exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  args.parent = options_.owner;
  args.bounds = ui::MakeRect(0, 0, layout_.clientWidth, layout_.clientHeight);
  args.background = GetSysColorBrush(COLOR_WINDOW);
  if (!CreateWindowOf(args)) return false;

  ui::Label::CreateArgs label;
  label.text = message_;
  label.font = kTextFont;
  label.wrap = true;
  label.background = GetSysColor(COLOR_WINDOW);
  label.bounds =
      ui::MakeRect(layout_.textLeft, layout_.textTop, layout_.textWidth, layout_.textHeight);
  if (!text_.Create(Hwnd(), label)) return false;
  text_.ApplyDpi(dpi_);

  // The icon control exists either way and is hidden without an icon, as the
  // text moves to the left margin.
  iconWindow_ = CreateWindowExA(
      0, "STATIC", "", WS_CHILD | SS_ICON | SS_REALSIZECONTROL, layout_.iconLeft, layout_.iconTop,
      layout_.iconSize, layout_.iconSize, Hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
  if (withIcon && iconWindow_) {
    const int side = scale(DialogMetrics::kIconSize);
    iconImage_.Reset(static_cast<HICON>(
        LoadImageA(nullptr, MAKEINTRESOURCEA(SystemIconFor(icon_)), IMAGE_ICON, side, side, 0)));
    SendMessageA(iconWindow_, STM_SETICON, reinterpret_cast<WPARAM>(iconImage_.Get()), 0);
    SetWindowPos(iconWindow_, nullptr, layout_.iconLeft, layout_.iconTop, side, side,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(iconWindow_, SW_SHOW);
  }

  if (prepare_) prepare_(*this, layout_.prepareY);
  layout_ =
      LayoutDialog(withIcon, static_cast<int>(buttons_.size()), textHeight, extraHeight_, scale);
  MakeButtons();

  RECT frame = ui::MakeRect(0, 0, layout_.clientWidth, layout_.clientHeight);
  AdjustWindowRectEx(&frame, GetWindowLongA(Hwnd(), GWL_STYLE), FALSE,
                     GetWindowLongA(Hwnd(), GWL_EXSTYLE));
  SetWindowPos(Hwnd(), nullptr, 0, 0, ui::Width(frame), ui::Height(frame),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CentreOnScreen();
  return true;
}

void MessageDialogWindow::MakeButtons() {
  const int byDefault = DefaultButtonIndex(flags_);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    auto button = std::make_unique<ui::Button>();
    ui::Button::CreateArgs args;
    args.text = buttons_[i].caption;
    args.font = kButtonFont;
    args.isDefault = static_cast<int>(i) == byDefault;
    args.id = kFirstButtonId + static_cast<int>(i) + 1;
    args.bounds = ui::MakeRect(layout_.buttonLefts[i], layout_.buttonTop, layout_.buttonWidth,
                               layout_.buttonHeight);
    if (!button->Create(Hwnd(), args)) continue;
    button->ApplyDpi(dpi_);
    const int slot = static_cast<int>(i) + 1;
    button->onClick = [this, slot] { Press(slot); };
    buttonControls_.push_back(std::move(button));
  }
}

void MessageDialogWindow::CentreOnScreen() {
  RECT window{};
  GetWindowRect(Hwnd(), &window);
  MONITORINFO monitor{sizeof(monitor)};
  HMONITOR screen =
      MonitorFromWindow(options_.owner ? options_.owner : Hwnd(), MONITOR_DEFAULTTOPRIMARY);
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoA(screen, &monitor)) area = monitor.rcWork;
  const int x = area.left + (ui::Width(area) - ui::Width(window)) / 2;
  const int y = area.top + (ui::Height(area) - ui::Height(window)) / 2;
  SetWindowPos(Hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MessageDialogWindow::Press(int slot) {
  if (slot < 1 || slot > static_cast<int>(buttons_.size()) || result_) return;
  const int result = buttons_[slot - 1].result;
  const int decided = clickHook_ ? clickHook_(slot, result) : result;
  if (decided != kDialogStaysOpen) Finish(decided);
}

void MessageDialogWindow::Finish(int result) {
  if (!result_) result_ = result;
}

bool MessageDialogWindow::HandleKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || (message.hwnd != Hwnd() && !IsChild(Hwnd(), message.hwnd)))
    return false;
  switch (message.wParam) {
    case VK_RETURN: {
      // The focused button when a button has the focus (as everywhere in
      // Windows), otherwise the default button; nothing when there is none.
      for (size_t i = 0; i < buttonControls_.size(); ++i)
        if (GetFocus() == buttonControls_[i]->Hwnd()) {
          Press(static_cast<int>(i) + 1);
          return true;
        }
      const int index = DefaultButtonIndex(flags_);
      if (index >= 0) Press(index + 1);
      return true;
    }
    case VK_ESCAPE: {
      const int index = CancelButtonIndex(buttons_);
      if (index >= 0) Press(index + 1);
      return true;
    }
    case 'C':
      if (GetKeyState(VK_CONTROL) < 0) {
        CopyToClipboard();
        return true;
      }
      return false;
    default: return false;
  }
}

int MessageDialogWindow::Run() {
  // A dialog the platform would not make counts as closed unanswered.
  if (!Build()) return 2;
  HWND owner = options_.owner;
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(Hwnd(), SW_SHOW);
  SetForegroundWindow(Hwnd());
  if (auto* focused = ButtonAt(FocusButtonIndex(flags_) + 1)) focused->Focus();
  PostMessageA(Hwnd(), kShownMessage, 0, 0);

  MSG message;
  while (!result_) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: leave the quit for the main loop.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      Finish(2);
      break;
    }
    if (HandleKey(message)) continue;
    if (IsDialogMessageA(Hwnd(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // The owner is enabled before this window goes, so that the platform hands
  // the activation back to it rather than to another program.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  Destroy();
  if (owner) SetForegroundWindow(owner);
  return *result_;
}

LRESULT MessageDialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: Finish(2); return 0;
    case WM_ERASEBKGND: PaintBackground(reinterpret_cast<HDC>(wParam)); return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Controls a prepare hook adds sit on the white part, like the text.
      if (!ui::Control::FromHwnd(reinterpret_cast<HWND>(lParam))) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      return Window::OnMessage(message, wParam, lParam);
    case WM_SETCURSOR:
      // The hand over the buttons, the arrow elsewhere.
      for (auto& button : buttonControls_)
        if (reinterpret_cast<HWND>(wParam) == button->Hwnd()) {
          SetCursor(LoadCursorA(nullptr, IDC_HAND));
          return TRUE;
        }
      return Window::OnMessage(message, wParam, lParam);
    case kShownMessage:
      if (ShownHook()) ShownHook()(*this);
      return 0;
    case WM_COMMAND:
      // IsDialogMessage turns a mnemonic into a click of the button.
      if (LOWORD(wParam) > kFirstButtonId && LOWORD(wParam) <= kFirstButtonId + 3 &&
          HIWORD(wParam) == BN_CLICKED && !lParam) {
        Press(LOWORD(wParam) - kFirstButtonId);
        return 0;
      }
      return Window::OnMessage(message, wParam, lParam);
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

void MessageDialogWindow::PaintBackground(HDC dc) {
  // White above, and the buttons on a light band of their own below a rule.
  const RECT client = ClientRect();
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  if (buttons_.empty()) return;
  RECT band = client;
  band.top = layout_.bandTop;
  const bool plain = ui::HighContrast();
  ui::ScopedBrush grey(CreateSolidBrush(plain ? GetSysColor(COLOR_BTNFACE) : RGB(240, 240, 240)));
  FillRect(dc, &band, grey.Get());
  RECT rule = band;
  rule.bottom = rule.top + 1;
  ui::ScopedBrush line(CreateSolidBrush(ui::ForeColour(RGB(223, 223, 223))));
  FillRect(dc, &rule, line.Get());
}

int ShowMessageDialog(const std::string& text, const std::string& caption, int flags,
                      DialogPrepareHook prepare, DialogOptions options) {
  MessageDialogWindow dialog(text, caption, flags, std::move(prepare), options);
  return dialog.Run();
}

void SetDialogShownHook(std::function<void(MessageDialogWindow&)> hook) {
  ShownHook() = std::move(hook);
}

int GuiDialogs::MessageDialog(const std::string& text, const std::string& caption, int flags) {
  DialogOptions options;
  options.owner = owner_;
  return ShowMessageDialog(text, caption, flags, {}, options);
}

}  // namespace hvm
