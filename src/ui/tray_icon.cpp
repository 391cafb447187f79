#include "ui/tray_icon.h"

#include <shellapi.h>

#include <cstring>

#include "engine/core/text_encoding.h"

namespace hvm::ui {
namespace {

// Copies at most size - 1 bytes, never half a character (a name in another
// script takes several), and always ends with a NUL.
template <size_t N>
void CopyText(char (&target)[N], const std::string& text) {
  const std::string_view shown = TextWithinBytes(text, N - 1);
  std::memcpy(target, shown.data(), shown.size());
  target[shown.size()] = '\0';
}

DWORD BalloonFlag(BalloonIcon icon) {
  switch (icon) {
    case BalloonIcon::kInfo: return NIIF_INFO;
    case BalloonIcon::kWarning: return NIIF_WARNING;
    case BalloonIcon::kError: return NIIF_ERROR;
    case BalloonIcon::kNone: break;
  }
  return NIIF_NONE;
}

}  // namespace

TrayIcon::~TrayIcon() {
  Hide();
}

bool TrayIcon::Notify(DWORD action, UINT flags, HICON icon, const std::string& tip) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof(data);
  data.hWnd = args_.owner;
  data.uID = args_.id;
  data.uFlags = flags;
  data.uCallbackMessage = args_.callbackMessage;
  data.hIcon = icon;
  CopyText(data.szTip, tip);
  return Shell_NotifyIconA(action, &data) != FALSE;
}

bool TrayIcon::Show(const CreateArgs& args) {
  Hide();
  args_ = args;
  shown_ = Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP, args.icon, args.tip);
  return shown_;
}

void TrayIcon::Hide() {
  if (!shown_) return;
  Notify(NIM_DELETE, 0, nullptr, "");
  shown_ = false;
}

bool TrayIcon::SetIcon(HICON icon, const std::string& tip) {
  if (!shown_) return false;
  args_.icon = icon;
  args_.tip = tip;
  return Notify(NIM_MODIFY, NIF_ICON | NIF_TIP, icon, tip);
}

bool TrayIcon::ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                           UINT timeoutMs) {
  if (!shown_) return false;
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof(data);
  data.hWnd = args_.owner;
  data.uID = args_.id;
  data.uFlags = NIF_INFO;
  CopyText(data.szInfoTitle, title);
  CopyText(data.szInfo, text);
  data.uTimeout = timeoutMs;
  data.dwInfoFlags = BalloonFlag(icon);
  if (!Shell_NotifyIconA(NIM_MODIFY, &data)) return false;
  balloonText_ = text;
  return true;
}

}  // namespace hvm::ui
