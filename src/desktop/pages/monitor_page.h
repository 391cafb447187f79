// The monitor page `MonitorPage`: the template page with its start or stop
// button (490 off, 495 on), and on the template's panel the list of every
// change captured since the program started, with two counters and "Save
// List...". It owns the registry monitor and its workers; the icon in the
// notification area is the main window's, which the page asks to show or
// hide as the monitor starts and stops. The workers' steps reach the window
// thread through the program's window-thread queue, which the page is handed.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/pages/template_renderer.h"
#include "engine/core/dialog_service.h"
#include "engine/core/window_thread.h"
#include "engine/monitor/monitor_page_model.h"
#include "engine/monitor/registry_monitor.h"
#include "ui/controls.h"
#include "ui/gdi.h"
#include "ui/html_view.h"
#include "ui/secondary_button.h"
#include "ui/window.h"

namespace hvm {

class MonitorPage : public ui::Window, private MonitorView {
 public:
  struct Hooks {
    // Whether the program's window is minimised or hidden, and bringing it
    // back: a notification is never shown behind a hidden window.
    std::function<bool()> programHidden;
    std::function<void()> restoreProgram;
    // The monitor started (true: the notification area's icon shows it) or
    // stopped.
    std::function<void(bool monitoring)> showTray;
    // Reads the MonitorPrompt setting; 300 when empty.
    std::function<int()> monitorPrompt;
    // Where "Save List..." writes; "" when the user cancelled. The platform's
    // save dialog unless replaced.
    std::function<std::string()> chooseListFile;
  };
  MonitorPage(DialogService& dialogs, WindowThreadQueue& windowThread);
  ~MonitorPage() override;

  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);

  RegistryMonitor& Monitor() { return monitor_; }
  MonitorPageModel& Model() { return model_; }
  WindowThreadQueue& WindowThreadSteps() { return windowThread_; }

  // The main window turned to this page (true) or away from it.
  void PageShown(bool shown);
  // Renders template 495 when monitoring, else 490.
  void ShowPage() override;
  // The settings were loaded again.
  void ReadSettings(int monitorPrompt) { model_.ResetPrompt(monitorPrompt); }

  // "Save List...": the rows to a CSV file the user chooses.
  void SaveList();

  // What the page shows, for tests and the tour.
  const ui::ListView& ChangeList() const { return changeList_; }
  std::string MonitorCaption() const { return nMonitor_.Text(); }
  std::string ActiveCaption() const { return nActive_.Text(); }
  // The template's start (190) or stop (195) button, null before a render.
  HWND TemplateButton() const { return templateButton_; }
  int TemplateButtonCode() const { return templateButtonCode_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  // MonitorView.
  void UpdateCounters() override;
  void AddChanges(const std::vector<std::string>& lines) override { model_.AddChanges(lines); }
  void ShowTrayIcon(bool monitoring) override;
  void PumpMessages() override;

  void ControlCreated(const TemplateControl& control);
  void ReleaseListView(TemplatePanel& panel);
  void FrameResize();
  void AddRow(const ChangeLineFields& row);
  int MonitorPromptSetting() const { return hooks_.monitorPrompt ? hooks_.monitorPrompt() : 300; }
  bool CreateLentControls();

  DialogService& dialogs_;
  Hooks hooks_;
  WindowThreadQueue& windowThread_;
  MonitorPageModel model_;
  ui::HtmlView view_;
  ui::ListView changeList_;
  ui::Label nMonitor_, nActive_;
  ui::SecondaryButton saveList_;
  TemplatePanel* panel_ = nullptr;
  HWND templateButton_ = nullptr;
  int templateButtonCode_ = 0;
  bool panelTaken_ = false;
  // Last: its destructor ends the workers while everything above is there.
  RegistryMonitor monitor_;
};

}  // namespace hvm
