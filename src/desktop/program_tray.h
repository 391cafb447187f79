// The program's icon in the notification area. It stands in for the main
// window while that is hidden (minimised on the monitor page, or started to
// monitor), and while the monitor runs it stays to say so, in colour; grey
// while the monitor is off. A click on it, or its menu's "Open Hivemend",
// brings the window back; the menu also starts or stops the monitor and
// ends the program without opening the window first. Its mouse events
// arrive at the main window, which hands them here.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/gdi.h"
#include "ui/tray_icon.h"

namespace hvm {

inline constexpr char kTrayHint[] = "Hivemend will monitor your registry changes";
inline constexpr char kOpenProgramCaption[] = "Open Hivemend";
inline constexpr char kStartMonitorCaption[] = "Start Monitor";
inline constexpr char kStopMonitorCaption[] = "Stop Monitor";
inline constexpr char kExitCaption[] = "Exit";

// One row of the icon's menu; a separator has no caption.
struct TrayMenuItem {
  UINT id = 0;
  std::string caption;
  bool isDefault = false;
  bool operator==(const TrayMenuItem&) const = default;
};

class ProgramTray {
 public:
  // The message the icon's mouse events come to the window with.
  static constexpr UINT kMessage = WM_APP + 1;

  enum MenuItem : UINT { kOpenProgramItem = 1, kMonitorItem, kExitItem };
  struct Actions {
    // Starts (true) or stops the registry monitor.
    std::function<void(bool on)> setMonitoring;
    // Ends the program as its own close would.
    std::function<void()> exitProgram;
  };

  // `window` is hidden and restored, and owns the icon; `monitoring` says
  // whether the registry monitor runs.
  void Attach(HWND window, std::function<bool()> monitoring, Actions actions = {});

  // The rows of the icon's menu while the monitor runs or not.
  static std::vector<TrayMenuItem> MenuItems(bool monitoring);
  // What a row of the menu does.
  void Choose(UINT item);

  // Minimises the window into the notification area with a balloon saying
  // whether the monitor runs.
  void HideWindow();
  // "Open Hivemend", or a click on the icon: the window comes back; the icon
  // goes unless the monitor runs.
  void RestoreWindow();
  // The monitor was switched on (the icon shows, in colour) or off (it goes).
  void ShowMonitoring(bool monitoring);
  // Minimised or hidden: a notification must bring the window back first.
  bool WindowHidden() const;
  // The icon's mouse event (the message's lParam).
  void OnIconEvent(LPARAM event);
  // The icon's menu at the cursor (the tour opens it too).
  void ShowMenu();

  const ui::TrayIcon& Icon() const { return icon_; }
  bool ShowsMonitoring() const { return image_ == Image::kMonitoring; }
  // The balloon text HideWindow shows now.
  std::string BalloonText() const;

 private:
  enum class Image { kMonitoring, kIdle };
  bool Monitoring() const { return monitoring_ && monitoring_(); }
  void ShowIcon(Image image);
  void LoadIcons();

  HWND window_ = nullptr;
  std::function<bool()> monitoring_;
  Actions actions_;
  ui::TrayIcon icon_;
  ui::ScopedIcon monitoringIcon_, idleIcon_;
  Image image_ = Image::kIdle;
};

}  // namespace hvm
