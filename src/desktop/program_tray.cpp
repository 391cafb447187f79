#include "desktop/program_tray.h"

#include <vector>

#include "desktop/pages/force_foreground.h"
#include "ui/picture.h"
#include "ui/picture_ids.h"
#include "ui/window.h"

namespace hvm {
namespace {

constexpr char kBalloonTitle[] = "Hivemend";
constexpr char kMonitoringBalloon[] =
    "Hivemend is actively monitoring registry changes\r\n\r\nRight-click to view Hivemend";
constexpr char kIdleBalloon[] =
    "Hivemend is not monitoring registry changes\r\n\r\nRight-click to view Hivemend";
constexpr UINT kBalloonMilliseconds = 60000;

// The program's icon in grey, for the notification area while the monitor
// is off.
ui::ScopedIcon GreyCopy(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  ui::ScopedBitmap colour(info.hbmColor), mask(info.hbmMask);
  BITMAP shape{};
  if (!colour || !GetObjectA(colour.Get(), sizeof(shape), &shape)) return {};
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = shape.bmWidth;
  format.bmiHeader.biHeight = -shape.bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<RGBQUAD> pixels(size_t(shape.bmWidth) * size_t(shape.bmHeight));
  ui::WindowDc screen(nullptr);
  if (!GetDIBits(screen.Get(), colour.Get(), 0, UINT(shape.bmHeight), pixels.data(), &format,
                 DIB_RGB_COLORS))
    return {};
  for (RGBQUAD& pixel : pixels) {
    // Luminance, lightened a third of the way to white; alpha as it was
    // (premultiplied colours stay within it).
    const int grey = (pixel.rgbRed * 30 + pixel.rgbGreen * 59 + pixel.rgbBlue * 11) / 100;
    const int light = grey + (pixel.rgbReserved - grey) / 3;
    pixel.rgbRed = pixel.rgbGreen = pixel.rgbBlue = BYTE(light < 0 ? grey : light);
  }
  ui::ScopedBitmap grey(CreateCompatibleBitmap(screen.Get(), shape.bmWidth, shape.bmHeight));
  if (!grey || !SetDIBits(screen.Get(), grey.Get(), 0, UINT(shape.bmHeight), pixels.data(), &format,
                          DIB_RGB_COLORS))
    return {};
  ICONINFO made{TRUE, 0, 0, mask.Get(), grey.Get()};
  return ui::ScopedIcon(CreateIconIndirect(&made));
}

}  // namespace

void ProgramTray::Attach(HWND window, std::function<bool()> monitoring, Actions actions) {
  window_ = window;
  monitoring_ = std::move(monitoring);
  actions_ = std::move(actions);
  LoadIcons();
}

std::vector<TrayMenuItem> ProgramTray::MenuItems(bool monitoring) {
  return {{kOpenProgramItem, kOpenProgramCaption, true},
          {},
          {kMonitorItem, monitoring ? kStopMonitorCaption : kStartMonitorCaption},
          {kExitItem, kExitCaption}};
}

void ProgramTray::Choose(UINT item) {
  switch (item) {
    case kOpenProgramItem: RestoreWindow(); break;
    case kMonitorItem:
      if (actions_.setMonitoring) actions_.setMonitoring(!Monitoring());
      break;
    case kExitItem:
      if (actions_.exitProgram) actions_.exitProgram();
      break;
    default: break;
  }
}

void ProgramTray::LoadIcons() {
  monitoringIcon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXSMICON));
  idleIcon_ = GreyCopy(monitoringIcon_.Get());
}

void ProgramTray::ShowIcon(Image image) {
  image_ = image;
  HICON icon = image == Image::kMonitoring ? monitoringIcon_.Get() : idleIcon_.Get();
  if (!icon) icon = monitoringIcon_.Get();
  if (icon_.IsShown()) {
    (void)icon_.SetIcon(icon, kTrayHint);
    return;
  }
  ui::TrayIcon::CreateArgs args;
  args.owner = window_;
  args.callbackMessage = kMessage;
  args.icon = icon;
  args.tip = kTrayHint;
  (void)icon_.Show(args);
}

void ProgramTray::ShowMonitoring(bool monitoring) {
  if (!monitoring) {
    image_ = Image::kIdle;
    icon_.Hide();
    return;
  }
  ShowIcon(Image::kMonitoring);
}

std::string ProgramTray::BalloonText() const {
  return Monitoring() ? kMonitoringBalloon : kIdleBalloon;
}

bool ProgramTray::WindowHidden() const {
  return window_ && (IsIconic(window_) || !IsWindowVisible(window_));
}

void ProgramTray::HideWindow() {
  if (window_) {
    ShowWindow(window_, SW_MINIMIZE);
    // Hidden, the main window has no task-bar button: the icon stands for it.
    ShowWindow(window_, SW_HIDE);
  }
  ShowIcon(Monitoring() ? Image::kMonitoring : Image::kIdle);
  (void)icon_.ShowBalloon(kBalloonTitle, BalloonText(), ui::BalloonIcon::kInfo,
                          kBalloonMilliseconds);
  ui::PumpMessages();
}

void ProgramTray::RestoreWindow() {
  if (!window_) return;
  ShowWindow(window_, SW_SHOW);
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  ForceForeground(window_);
  BringWindowToTop(window_);
  // Off, the icon only stood in for the hidden window.
  if (!Monitoring()) icon_.Hide();
}

void ProgramTray::ShowMenu() {
  HMENU menu = CreatePopupMenu();
  for (const TrayMenuItem& item : MenuItems(Monitoring())) {
    if (item.caption.empty()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendMenuA(menu, MF_STRING, item.id, item.caption.c_str());
    if (item.isDefault) SetMenuDefaultItem(menu, item.id, FALSE);
  }
  POINT at{};
  GetCursorPos(&at);
  // The menu closes when the user clicks elsewhere only if its owner is the
  // foreground window.
  SetForegroundWindow(window_);
  const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x,
                                     at.y, 0, window_, nullptr);
  PostMessageA(window_, WM_NULL, 0, 0);
  DestroyMenu(menu);
  Choose(chosen);
}

void ProgramTray::OnIconEvent(LPARAM event) {
  switch (LOWORD(event)) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: RestoreWindow(); break;
    case WM_RBUTTONUP: ShowMenu(); break;
    default: break;
  }
}

}  // namespace hvm
