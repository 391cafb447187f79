#include "desktop/pages/monitor_page.h"

#include <commctrl.h>
#include <commdlg.h>

namespace hvm {
namespace {

constexpr int kStartButton = 190;
constexpr int kStopButton = 195;
constexpr int kMonitorOffTemplate = 490;
constexpr int kMonitorOnTemplate = 495;
constexpr UINT_PTR kPanelSubclass = 0x4D4F4E;  // "MON"
// The counters' dark grey.
constexpr COLORREF kCounterColour = RGB(80, 80, 80);
// 96-dpi layout: the list's fixed columns and the strip below it.
constexpr int kTimeWidth = 120, kKeyWidth = 100, kActionWidth = 125;
constexpr int kCounterStrip = 20;
constexpr int kSaveButtonWidth = 110, kSaveButtonGap = 10;

std::string ChooseListFileWithDialog(HWND owner) {
  char path[MAX_PATH] = "Monitor.csv";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Comma-separated values (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof(path);
  dialog.lpstrDefExt = "csv";
  dialog.lpstrTitle = "Save List";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  return GetSaveFileNameA(&dialog) ? std::string(path) : std::string();
}

}  // namespace

MonitorPage::MonitorPage(DialogService& dialogs, WindowThreadQueue& windowThread)
    : dialogs_(dialogs),
      windowThread_(windowThread),
      model_(dialogs, MonitorPageModel::Hooks{
                          [this](const ChangeLineFields& row) { AddRow(row); },
                          [this] { return hooks_.programHidden && hooks_.programHidden(); },
                          [this] {
                            if (hooks_.restoreProgram) hooks_.restoreProgram();
                          },
                          [] { ui::PumpMessages(); }, [this] { return MonitorPromptSetting(); }}),
      monitor_(windowThread_, *this) {}

MonitorPage::~MonitorPage() {
  monitor_.StopForExit();
  // The shared renderer must not keep this view after it is gone.
  Templates().Release(view_);
}

bool MonitorPage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  if (!hooks_.chooseListFile)
    hooks_.chooseListFile = [this] {
      return ChooseListFileWithDialog(GetAncestor(Hwnd(), GA_ROOT));
    };
  model_.ResetPrompt(MonitorPromptSetting());
  if (!CreatePage("HivemendMonitorPage", parent, bounds)) return false;
  const RECT client = ClientRect();
  return view_.Create(Hwnd(), {client}) && CreateLentControls();
}

bool MonitorPage::CreateLentControls() {
  ui::ListView::CreateArgs list;
  list.columns = {{"Time", kTimeWidth},
                  {"Key", kKeyWidth},
                  {"Action", kActionWidth},
                  {"Registry Location", 160, true}};
  list.lastColumnFills = true;
  if (!changeList_.Create(Hwnd(), list)) return false;
  // Long locations are cut to the column; the mouse over one shows it whole.
  SendMessageA(changeList_.Hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_LABELTIP, LVS_EX_LABELTIP);
  ui::Label::CreateArgs counter;
  counter.font.bold = true;
  counter.colour = kCounterColour;
  counter.text = "Monitoring: off";
  if (!nMonitor_.Create(Hwnd(), counter)) return false;
  counter.text = MonitorPageModel::ActiveText(0);
  counter.rightAligned = true;
  if (!nActive_.Create(Hwnd(), counter)) return false;
  if (!saveList_.Create(Hwnd(), {"Save List..."})) return false;
  saveList_.onClick = [this] { SaveList(); };
  for (HWND lent : {changeList_.Hwnd(), nMonitor_.Hwnd(), nActive_.Hwnd(), saveList_.Hwnd()})
    ShowWindow(lent, SW_HIDE);
  return true;
}

void MonitorPage::PageShown(bool shown) {
  if (shown) ShowPage();
}

void MonitorPage::ShowPage() {
  templateButton_ = nullptr;
  templateButtonCode_ = 0;
  panelTaken_ = false;
  // Set for this render only: the renderer is shared by every page.
  Templates().SetControlCreatedHook([this](const TemplateControl& control) {
    if (!panelTaken_) ControlCreated(control);
  });
  try {
    Templates().Render(view_, monitor_.Active() ? kMonitorOnTemplate : kMonitorOffTemplate);
  } catch (...) {
    Templates().SetControlCreatedHook({});
    throw;
  }
  Templates().SetControlCreatedHook({});
}

void MonitorPage::ControlCreated(const TemplateControl& control) {
  if (control.kind == TemplateControlKind::kButton && control.button) {
    const int code = control.button->Command();
    if (code != kStartButton && code != kStopButton) return;
    templateButton_ = control.window;
    templateButtonCode_ = code;
    // No new start while workers of the last run are still ending: one of
    // them could otherwise clear a new worker's slot.
    if (code == kStartButton && !MonitorPageModel::StartEnabled(monitor_.ActiveCount()))
      EnableWindow(control.window, FALSE);
    return;
  }
  if (control.kind != TemplateControlKind::kPanel || !control.panel) return;
  panel_ = control.panel;
  panelTaken_ = true;
  ShowWindow(panel_->Hwnd(), SW_SHOW);
  SetWindowSubclass(
      panel_->Hwnd(),
      [](HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
         DWORD_PTR self) -> LRESULT {
        if (message == WM_SIZE || message == WM_MOVE)
          reinterpret_cast<MonitorPage*>(self)->FrameResize();
        return DefSubclassProc(window, message, wParam, lParam);
      },
      kPanelSubclass, reinterpret_cast<DWORD_PTR>(this));
  UpdateCounters();
  for (HWND lent : {changeList_.Hwnd(), nMonitor_.Hwnd(), nActive_.Hwnd()}) {
    SetParent(lent, panel_->Hwnd());
    ShowWindow(lent, SW_SHOW);
  }
  // Below the panel, in the view: the strip under the list is too low for a
  // button of the page's height.
  SetParent(saveList_.Hwnd(), view_.Hwnd());
  ShowWindow(saveList_.Hwnd(), SW_SHOW);
  panel_->beforeDestroy = [this](TemplatePanel& panel) { ReleaseListView(panel); };
  FrameResize();
  InvalidateRect(panel_->Hwnd(), nullptr, TRUE);
}

void MonitorPage::ReleaseListView(TemplatePanel& panel) {
  for (HWND lent : {changeList_.Hwnd(), nMonitor_.Hwnd(), nActive_.Hwnd(), saveList_.Hwnd()}) {
    ShowWindow(lent, SW_HIDE);
    SetParent(lent, Hwnd());
  }
  RemoveWindowSubclass(panel.Hwnd(), nullptr, kPanelSubclass);
  if (panel_ == &panel) panel_ = nullptr;
}

void MonitorPage::FrameResize() {
  if (!panel_) return;
  RECT area{};
  GetClientRect(panel_->Hwnd(), &area);
  const ui::Dpi dpi = CurrentDpi();
  const int strip = dpi.Scale(kCounterStrip);
  const int width = ui::Width(area);
  const int listHeight = std::max(0, ui::Height(area) - strip);
  changeList_.SetBounds(ui::MakeRect(0, 0, width, listHeight));
  const int labelWidth = width / 2 - dpi.Scale(4);
  nMonitor_.SetBounds(ui::MakeRect(0, listHeight + dpi.Scale(3), labelWidth, strip - dpi.Scale(3)));
  nActive_.SetBounds(ui::MakeRect(width - labelWidth, listHeight + dpi.Scale(3), labelWidth,
                                  strip - dpi.Scale(3)));
  // "Save List..." under the panel's right edge, where the list's own
  // commands would be looked for.
  RECT panelBox{};
  GetWindowRect(panel_->Hwnd(), &panelBox);
  MapWindowPoints(nullptr, view_.Hwnd(), reinterpret_cast<POINT*>(&panelBox), 2);
  const int buttonWidth =
      std::max(dpi.Scale(kSaveButtonWidth), saveList_.FittingWidth(saveList_.Text()));
  SetWindowPos(saveList_.Hwnd(), HWND_TOP, panelBox.right - buttonWidth,
               panelBox.bottom + dpi.Scale(kSaveButtonGap), buttonWidth,
               dpi.Scale(ui::SecondaryButton::kHeight), SWP_NOACTIVATE);
}

void MonitorPage::UpdateCounters() {
  nMonitor_.SetText(model_.MonitorText());
  nActive_.SetText(MonitorPageModel::ActiveText(monitor_.ActiveCount()));
  InvalidateRect(nMonitor_.Hwnd(), nullptr, TRUE);
  InvalidateRect(nActive_.Hwnd(), nullptr, TRUE);
  if (templateButton_ && templateButtonCode_ == kStartButton && !IsWindowEnabled(templateButton_) &&
      MonitorPageModel::StartEnabled(monitor_.ActiveCount())) {
    EnableWindow(templateButton_, TRUE);
    InvalidateRect(templateButton_, nullptr, TRUE);
  }
}

void MonitorPage::AddRow(const ChangeLineFields& row) {
  changeList_.AddRow({row.time, row.name, row.action, row.location});
  UpdateCounters();
}

void MonitorPage::PumpMessages() {
  ui::PumpMessages();
}

void MonitorPage::ShowTrayIcon(bool monitoring) {
  if (hooks_.showTray) hooks_.showTray(monitoring);
}

void MonitorPage::SaveList() {
  const std::string path = hooks_.chooseListFile ? hooks_.chooseListFile() : std::string();
  if (path.empty()) return;
  if (!model_.SaveList(path))
    dialogs_.MessageDialog("The list could not be saved to " + path + ".", "Hivemend",
                           dialog::kWarningNotice);
}

void MonitorPage::OnDpiChanged(ui::Dpi dpi) {
  for (ui::Control* control :
       std::initializer_list<ui::Control*>{&changeList_, &nMonitor_, &nActive_, &saveList_})
    if (control->Hwnd()) control->ApplyDpi(dpi);
  FrameResize();
}

LRESULT MonitorPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (view_.Hwnd()) view_.SetBounds(ClientRect());
      return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
