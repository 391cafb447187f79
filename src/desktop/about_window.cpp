#include "desktop/about_window.h"

#include "ui/picture_ids.h"

namespace hvm {

bool AboutWindow::Create(Mode mode, HWND owner, const std::string& versionText) {
  mode_ = mode;
  owner_ = owner;
  picture_ = ui::Picture::FromResource(pictures::kSplash);
  const ui::Dpi dpi = owner ? ui::Dpi::ForWindow(owner) : ui::Dpi::System();
  const DWORD style =
      mode == Mode::kAbout ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_POPUP | WS_BORDER;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(kWidth), dpi.Scale(kHeight));
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOPMOST);
  const int width = ui::Width(frame), height = ui::Height(frame);
  CreateArgs args;
  icon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXSMICON));
  args.className = "HivemendAbout";
  args.smallIcon = icon_.Get();
  args.title = "About Hivemend";
  args.style = style;
  args.exStyle = WS_EX_TOPMOST | (mode == Mode::kSplash ? WS_EX_TOOLWINDOW : 0);
  args.parent = owner;
  args.bounds = ui::CentredOnScreen(width, height);
  if (!CreateWindowOf(args)) return false;

  ui::Label::CreateArgs version;
  version.text = "Version: " + versionText;
  version.colour = ui::kCaptionColour;
  version.background = RGB(236, 243, 249);  // the picture's calm lower band
  version.bounds = ui::MakeRect(dpi.Scale(24), dpi.Scale(214), dpi.Scale(200), dpi.Scale(18));
  if (!version_.Create(Hwnd(), version)) return false;
  if (mode == Mode::kSplash) {
    ui::Label::CreateArgs loading = version;
    loading.text = "Loading . . .";
    loading.rightAligned = true;
    loading.bounds = ui::MakeRect(dpi.Scale(236), dpi.Scale(214), dpi.Scale(160), dpi.Scale(18));
    return loading_.Create(Hwnd(), loading);
  }
  ui::Button::CreateArgs ok;
  ok.text = "OK";
  ok.isDefault = true;
  ok.id = IDOK;
  ok.bounds =
      ui::MakeRect(dpi.Scale(kWidth - 96), dpi.Scale(kHeight - 40), dpi.Scale(80), dpi.Scale(26));
  if (!ok_.Create(Hwnd(), ok)) return false;
  ok_.onClick = [this] { done_ = true; };
  return true;
}

void AboutWindow::OnDpiChanged(ui::Dpi dpi) {
  scaled_ = picture_.Scaled(dpi.Scale(kWidth), dpi.Scale(kHeight));
}

void AboutWindow::RunModal() {
  const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  ShowWindow(Hwnd(), SW_SHOW);
  ok_.Focus();
  MSG message;
  while (!done_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN &&
        (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
      done_ = true;
      continue;
    }
    if (IsDialogMessageA(Hwnd(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  Destroy();
  if (owner_) SetForegroundWindow(owner_);
}

LRESULT AboutWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      const RECT client = ClientRect();
      HDC dc = reinterpret_cast<HDC>(wParam);
      FillRect(dc, &client, ui::PageBrush());
      if (!scaled_.IsEmpty())
        scaled_.Draw(dc, client, ui::MakeRect(0, 0, scaled_.Width(), scaled_.Height()));
      return 1;
    }
    case WM_CLOSE: done_ = true; return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
