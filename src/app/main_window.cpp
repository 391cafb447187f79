#include "app/main_window.h"

#include "app/environment.h"
#include "app/picture_ids.h"

namespace hvm {

bool MainWindow::Create() {
  band_ = ui::Picture::FromResource(pictures::kTopBand);
  const ui::Dpi dpi = ui::Dpi::System();
  largeIcon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXICON));
  smallIcon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXSMICON));
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(kWidth), dpi.Scale(kHeight));
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  CreateArgs args;
  args.className = kClassName;
  args.title = kTitle;
  args.style = style;
  args.bounds = ui::MakeRect(CW_USEDEFAULT, 0, ui::Width(frame), ui::Height(frame));
  args.largeIcon = largeIcon_.Get();
  args.smallIcon = smallIcon_.Get();
  if (!CreateWindowOf(args)) return false;
  SetWindowPos(Hwnd(), nullptr, 0, 0, ui::Width(frame), ui::Height(frame),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void MainWindow::OnDpiChanged(ui::Dpi dpi) {
  scaledBand_ = band_.Scaled(dpi.Scale(band_.Width() / 2), dpi.Scale(kBandHeight));
  ui::FontSpec title;
  title.points = 18;
  title.bold = true;
  titleFont_ = ui::CreateUiFont(title, dpi);
  versionFont_ = ui::CreateUiFont({}, dpi);
}

void MainWindow::PaintBand(HDC dc, const RECT& band) {
  ui::ScopedBrush tint(CreateSolidBrush(ui::kBandTint));
  FillRect(dc, &band, tint.Get());
  if (!scaledBand_.IsEmpty())
    scaledBand_.Draw(dc, ui::MakeRect(0, 0, scaledBand_.Width(), scaledBand_.Height()),
                     ui::MakeRect(0, 0, scaledBand_.Width(), scaledBand_.Height()));
  const ui::Dpi dpi = CurrentDpi();
  SetBkMode(dc, TRANSPARENT);
  {
    ui::SelectScope font(dc, titleFont_.Get());
    SetTextColor(dc, ui::kCaptionColour);
    RECT title{dpi.Scale(72), band.top, dpi.Scale(400), band.bottom};
    DrawTextA(dc, kTitle, -1, &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  const std::string version = "Version " + Environment().VersionText;
  ui::SelectScope font(dc, versionFont_.Get());
  SetTextColor(dc, ui::kGreyTextColour);
  RECT right{band.left, band.top, band.right - dpi.Scale(16), band.bottom - dpi.Scale(8)};
  DrawTextA(dc, version.c_str(), -1, &right, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT | DT_NOPREFIX);
}

void MainWindow::Paint() {
  ui::PaintScope paint(Hwnd());
  const RECT client = ClientRect();
  ui::ScopedMemoryDc memory(CreateCompatibleDC(paint.Get()));
  ui::ScopedBitmap canvas(CreateCompatibleBitmap(paint.Get(), ui::Width(client), ui::Height(client)));
  ui::SelectScope select(memory.Get(), canvas.Get());
  FillRect(memory.Get(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const RECT band{0, 0, client.right, CurrentDpi().Scale(kBandHeight)};
  PaintBand(memory.Get(), band);
  ui::ScopedPen rule(CreatePen(PS_SOLID, 1, RGB(200, 214, 226)));
  ui::SelectScope pen(memory.Get(), rule.Get());
  MoveToEx(memory.Get(), 0, band.bottom, nullptr);
  LineTo(memory.Get(), client.right, band.bottom);
  BitBlt(paint.Get(), 0, 0, ui::Width(client), ui::Height(client), memory.Get(), 0, 0, SRCCOPY);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: {
      // Dragging the top band moves the window.
      const LRESULT hit = Window::OnMessage(message, wParam, lParam);
      POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ScreenToClient(Hwnd(), &point);
      if (hit == HTCLIENT && point.y < CurrentDpi().Scale(kBandHeight)) return HTCAPTION;
      return hit;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
