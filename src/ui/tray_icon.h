// An icon in the notification area with a tip and balloon texts. Its mouse
// events arrive at the owner window as `callbackMessage` (lParam: the mouse
// message, e.g. WM_LBUTTONDBLCLK, WM_RBUTTONUP).
#pragma once

#include <windows.h>

#include <string>

namespace hvm::ui {

enum class BalloonIcon { kNone, kInfo, kWarning, kError };

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon();  // removes the icon
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  struct CreateArgs {
    HWND owner = nullptr;
    UINT id = 1;
    UINT callbackMessage = WM_APP + 1;
    HICON icon = nullptr;  // kept by the caller
    std::string tip;       // at most 127 characters are shown
  };
  // Adds the icon; false when the notification area refused it.
  [[nodiscard]] bool Show(const CreateArgs& args);
  void Hide();
  bool IsShown() const { return shown_; }
  [[nodiscard]] bool SetIcon(HICON icon, const std::string& tip);
  // Balloon text above the icon; title at most 63 and text 255 characters.
  [[nodiscard]] bool ShowBalloon(const std::string& title, const std::string& text,
                                 BalloonIcon icon, UINT timeoutMs = 10000);
  // The text of the last balloon the notification area took; "" before any.
  const std::string& BalloonText() const { return balloonText_; }

 private:
  bool Notify(DWORD action, UINT flags, HICON icon, const std::string& tip);
  CreateArgs args_;
  bool shown_ = false;
  std::string balloonText_;
};

}  // namespace hvm::ui
