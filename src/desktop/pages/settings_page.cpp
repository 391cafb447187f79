#include "desktop/pages/settings_page.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/gdi_text.h"
#include "ui/picture_ids.h"

namespace hvm {
namespace {

constexpr int kMargin = 12;   // around the tab control, 96-dpi units
constexpr int kTitleLeft = 16, kTitleTop = 12, kTitleHeight = 24;
constexpr int kTabsTop = 44;  // below the title
constexpr int kInset = 16;    // inside a tab
constexpr int kIndent = 28;   // controls under a heading
constexpr int kRowStep = 28;  // custom-scan rows
constexpr int kColumns = 3;
constexpr int kRowsPerColumn = 8;
constexpr UINT kRemoveItem = 1;

constexpr char kMonitorDescription[] =
    "This tool monitors certain registry locations for additions, deletions, and "
    "modifications.\r\n\r\nAll captured events are recorded and displayed on the Monitor screen.";
constexpr char kMonitorNote[] =
    "The Monitor is started by clicking the \"Monitor\" button found on the Hivemend Navigation. "
    "The Monitor is running when a radar image appears in the display. To cease monitoring click "
    "the \"Stop\" button.";
constexpr char kIgnoreNote[] =
    "Items in the Results list will be ignored during a scan. To remove an item from the list "
    "right-click on the selection and choose \"Ignore the Item\". ";

ui::FontSpec HeadingFont() {
  ui::FontSpec font;
  font.points = 9;
  font.bold = true;
  return font;
}

ui::Label::CreateArgs Heading(const std::string& text) {
  return {text, {}, HeadingFont(), ui::kCaptionColour};
}

ui::Label::CreateArgs Text(const std::string& text, bool wrap = false) {
  return {text, {}, {}, ui::kTextColour, ui::kPageColour, wrap};
}

// "Set by your administrator", beside or below a control a policy holds.
ui::Label::CreateArgs LockNote(bool beside) {
  ui::Label::CreateArgs args = Text(kSetByAdministrator);
  args.colour = ui::kCaptionColour;
  args.font.italic = true;
  args.middle = beside;
  return args;
}

// A label in a row with a control, laid out by PlaceBeside.
ui::Label::CreateArgs RowText(const std::string& text) {
  ui::Label::CreateArgs args = Text(text);
  args.middle = true;
  return args;
}

// The label takes the control's actual top and height (a drop-down list sets
// its own height), so that its text lines up with the control's.
void PlaceBeside(ui::Label& label, const ui::Control& control, int left, int width) {
  const RECT beside = control.Bounds();
  label.SetBounds(ui::MakeRect(left, beside.top, width, ui::Height(beside)));
}

// A hidden menu as the platform hands it out, destroyed on every way out.
struct MenuTraits {
  using Handle = HMENU;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DestroyMenu(h); }
};
using ScopedMenu = ScopedHandle<MenuTraits>;

}  // namespace

// One tab's white panel over the tab control's display area. The controls of
// the tab are its children, so their notifications come back to them here.
class SettingsPage::TabPanel : public ui::Window {
 public:
  explicit TabPanel(SettingsPage& page) : page_(page) {}
  bool Create(HWND parent) { return CreatePage("HivemendSettingsTab", parent, {}); }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == page_.ignoreList_.Hwnd()) {
      page_.ShowContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
  }

 private:
  SettingsPage& page_;
};

SettingsPage::SettingsPage(SettingsPageModel::Services services) : model_(std::move(services)) {}

SettingsPage::~SettingsPage() = default;

ui::Window& SettingsPage::Panel(SettingsTab tab) {
  return *panels_[static_cast<int>(tab)];
}

bool SettingsPage::Create(HWND parent, const RECT& bounds) {
  animationStrip_ = ui::Picture::FromResource(pictures::kAnimation);
  if (!CreatePage("HivemendSettingsPage", parent, bounds)) return false;
  ui::FontSpec heading;
  heading.points = 12;
  heading.bold = true;
  if (!title_.Create(Hwnd(), {"Settings", {}, heading, ui::kCaptionColour})) return false;
  std::vector<std::string> captions(SettingsTabCaptions().begin(), SettingsTabCaptions().end());
  if (!tabs_.Create(Hwnd(), {captions})) return false;
  for (auto& panel : panels_) {
    panel = std::make_unique<TabPanel>(*this);
    if (!panel->Create(Hwnd())) return false;
  }
  // The panels take the clicks over the tab's display area.
  SetWindowPos(tabs_.Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!CreateGeneral(Panel(SettingsTab::kGeneral).Hwnd()) ||
      !CreateCustomScan(Panel(SettingsTab::kCustomScan).Hwnd()) ||
      !CreateIgnoreList(Panel(SettingsTab::kIgnoreList).Hwnd()) ||
      !CreateMonitor(Panel(SettingsTab::kMonitor).Hwnd()))
    return false;
  Bind();
  LayOut();
  Refresh();
  return true;
}

bool SettingsPage::CreateGeneral(HWND panel) {
  bool made = scanHeading_.Create(panel, Heading("Scan and Repair"));
  made &= restorePoint_.Create(panel, {settings_text::kRestorePointCaption, {}, {}, true});
  ui::Label::CreateArgs note = Text(settings_text::kNoRestorePointNote);
  note.colour = ui::kWarningColour;
  made &= note_.Create(panel, note);
  made &= startupHeading_.Create(panel, Heading("Automatic Startup"));
  made &= actionLabel_.Create(panel, RowText("Action"));
  made &= action_.Create(panel, {ActionItems(), 0});
  made &= frequencyLabel_.Create(panel, RowText("Frequency"));
  made &= frequency_.Create(panel, {FrequencyItems(), 0});
  made &= backupHeading_.Create(panel, Heading("Full Registry Backup "));
  made &= backup_.Create(panel, {"&Backup Registry"});
  made &= animation_.Create(panel, {&animationStrip_, {}});
  made &= backupProgress_.Create(panel, Text("Backup Registry in Progress..."));
  made &= countersHeading_.Create(panel, Heading("Reset \"To Date\" Counters"));
  made &= countersLabel_.Create(panel, RowText("Reset counters for Errors and Repairs"));
  made &= reset_.Create(panel, {"Reset"});
  // Kept and edited here only; no start mode repairs anything, so the user
  // is never shown them.
  made &= repairAll_.Create(panel, {"Repair All Problems Automatically"});
  made &= repairSafe_.Create(panel, {"Repair Safe Problems Automatically"});
  made &= restorePointLock_.Create(panel, LockNote(false));
  made &= actionLock_.Create(panel, LockNote(true));
  made &= frequencyLock_.Create(panel, LockNote(true));
  if (!made) return false;
  note_.Show(false);
  backup_.Enable(false);
  animation_.Show(false);
  backupProgress_.Show(false);
  repairAll_.Show(false);
  repairSafe_.Show(false);
  return true;
}

bool SettingsPage::CreateCustomScan(HWND panel) {
  if (!customLabel_.Create(panel, Text("Check the desired scans and functions below.")) ||
      !sectionsLock_.Create(panel, LockNote(false)))
    return false;
  for (int section = 1; section <= 24; ++section)
    if (!SectionBox(section).Create(panel, {SettingsPageModel::SectionCaption(section)}))
      return false;
  return true;
}

bool SettingsPage::CreateIgnoreList(HWND panel) {
  return ignoreLabel_.Create(panel, Text("The following keys will be ignored during the scan.")) &&
         ignoreList_.Create(panel, {{{"Applies to", 100}, {"Key", 300}}}) &&
         ignoreNote_.Create(panel, Text(kIgnoreNote, true));
}

bool SettingsPage::CreateMonitor(HWND panel) {
  return monitorHeading_.Create(panel, Heading("Registry Monitor")) &&
         monitorDescription_.Create(panel, Text(kMonitorDescription, true)) &&
         notifyLabel_.Create(panel, RowText("You will be notified after")) &&
         prompt_.Create(panel, {300}) && eventsLabel_.Create(panel, RowText("captured events")) &&
         save_.Create(panel, {"Save"}) && monitorNote_.Create(panel, Text(kMonitorNote, true)) &&
         promptLock_.Create(panel, LockNote(false));
}

void SettingsPage::Bind() {
  tabs_.onSelected = [this](int index) { SelectTab(static_cast<SettingsTab>(index)); };
  restorePoint_.onChanged = [this](bool on) { model_.SetRestorePoint(on); };
  action_.onSelected = [this](int index) {
    model_.ChooseAction(index);
    Refresh();
  };
  frequency_.onSelected = [this](int index) {
    model_.ChooseFrequency(index);
    Refresh();
  };
  backup_.onClick = [this] {
    if (backupHandler_) backupHandler_();
  };
  reset_.onClick = [this] { model_.ResetCounters(); };
  repairAll_.onChanged = [this](bool on) { model_.SetRepairAll(on); };
  repairSafe_.onChanged = [this](bool on) { model_.SetRepairSafe(on); };
  for (int section = 1; section <= 24; ++section)
    SectionBox(section).onChanged = [this, section](bool on) { model_.SetSection(section, on); };
  prompt_.onChanged = [this] {
    const unsigned none = ~0u;
    const unsigned value = prompt_.Value(none);
    model_.SetMonitorPromptEntry(value == none ? std::nullopt : std::optional<uint32_t>(value));
  };
  save_.onClick = [this] {
    model_.SaveMonitorPrompt();
    prompt_.SetValue(model_.MonitorPrompt());
  };
}

void SettingsPage::ReadSettings() {
  model_.ReadSettings();
  prompt_.SetValue(model_.MonitorPrompt());
  Refresh();
}

void SettingsPage::ShowSettings(bool visible) {
  model_.ShowSettings(visible);
  if (visible) {
    FillIgnoreList();
    // The number a policy holds, or the user's own again once the policy
    // that greyed the box is lifted; otherwise what the user left in it.
    if (model_.Locked("MonitorPrompt") || !prompt_.IsEnabled())
      prompt_.SetValue(model_.MonitorPrompt());
  }
  Refresh();
}

void SettingsPage::SelectTab(SettingsTab tab) {
  model_.SelectTab(tab);
  Refresh();
}

void SettingsPage::Refresh() {
  const int shown = static_cast<int>(model_.Tab());
  if (tabs_.Selected() != shown) tabs_.Select(shown);
  for (int i = 0; i < static_cast<int>(panels_.size()); ++i) panels_[i]->Show(i == shown);
  const SettingsPageModel::RestorePointBox& box = model_.RestorePoint();
  if (restorePoint_.Text() != box.caption) restorePoint_.SetText(box.caption);
  restorePoint_.SetChecked(box.checked);
  restorePoint_.Enable(box.enabled);
  note_.Show(box.noteShown);
  if (action_.Selected() != model_.Action()) action_.Select(model_.Action());
  if (frequency_.Selected() != model_.Frequency()) frequency_.Select(model_.Frequency());
  // Its own flag, not IsVisible: the row is hidden with its tab as well.
  const bool frequencyShown = GetWindowLongPtrA(frequency_.Hwnd(), GWL_STYLE) & WS_VISIBLE;
  if (frequencyShown != model_.FrequencyShown()) {
    frequencyLabel_.Show(model_.FrequencyShown());
    frequency_.Show(model_.FrequencyShown());
    LayOutGeneral(ui::Width(tabs_.PageArea()));
  }
  for (int section = 1; section <= 24; ++section)
    SectionBox(section).SetChecked(model_.SectionChecked(section));
  repairAll_.SetChecked(model_.RepairAll());
  repairSafe_.SetChecked(model_.RepairSafe());
  ShowLocks();
}

// A control a policy holds shows the policy's value, greyed, with the note.
// On "Custom Scan" one note under the boxes speaks for the greyed ones.
void SettingsPage::ShowLocks() {
  const SettingsPageModel::RestorePointBox& box = model_.RestorePoint();
  // A system without restore points has its own note in the same place.
  restorePointLock_.Show(box.locked && !box.noteShown);
  const bool actionLocked = model_.Locked("AutoAction");
  action_.Enable(!actionLocked);
  actionLock_.Show(actionLocked);
  const bool frequencyLocked = model_.Locked("AutoFreq");
  frequency_.Enable(!frequencyLocked);
  frequencyLock_.Show(frequencyLocked && model_.FrequencyShown());
  for (int section = 1; section <= 24; ++section)
    SectionBox(section).Enable(!model_.SectionLocked(section));
  sectionsLock_.Show(model_.AnySectionLocked());
  const bool promptLocked = model_.Locked("MonitorPrompt");
  prompt_.Enable(!promptLocked);
  save_.Enable(!promptLocked);
  promptLock_.Show(promptLocked);
}

void SettingsPage::FillIgnoreList() {
  ignoreList_.Clear();
  for (const IgnoreRow& row : model_.IgnoreRows()) ignoreList_.AddRow({row.appliesTo, row.key});
  FitKeyColumn();
}

// The "Key" column is as wide as the widest protected or ignored key in the
// list's font, plus one average character.
void SettingsPage::FitKeyColumn() {
  HWND list = ignoreList_.Hwnd();
  ui::WindowDc dc(list);
  if (!dc.Get()) return;
  ui::SelectScope font(dc.Get(), reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc.Get(), &metrics);
  int widest = 0;
  for (const std::string& text : model_.KeyColumnTexts()) {
    const SIZE size = ui::MeasureUiText(dc.Get(), text);
    widest = std::max<int>(widest, size.cx);
  }
  const int pixels = widest + metrics.tmAveCharWidth;
  const int dpi = ignoreList_.CurrentDpi().Value();
  ignoreList_.SetColumnWidth(1, (pixels * ui::Dpi::kDesign + dpi - 1) / dpi);
}

bool SettingsPage::RemoveEnabled() const {
  return ignoreList_.SelectedRow() >= 0;
}

void SettingsPage::RemoveSelected() {
  const int row = ignoreList_.SelectedRow();
  if (row < 0) return;
  model_.RemoveIgnoreRow(row);
  FillIgnoreList();
  const int count = ignoreList_.RowCount();
  if (count > 0) ignoreList_.EnsureVisible(std::min(row, count - 1));
}

void SettingsPage::ShowContextMenu(POINT screen) {
  if (screen.x == -1 && screen.y == -1) {
    // From the keyboard: beside the selected row, or the list's corner.
    RECT place{};
    const int row = ignoreList_.SelectedRow();
    if (row < 0 || !ListView_GetItemRect(ignoreList_.Hwnd(), row, &place, LVIR_LABEL))
      GetClientRect(ignoreList_.Hwnd(), &place);
    screen = {place.left, place.bottom};
    ClientToScreen(ignoreList_.Hwnd(), &screen);
  }
  ScopedMenu menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuA(menu.Get(), MF_STRING | (RemoveEnabled() ? 0 : MF_GRAYED), kRemoveItem,
              "Remove from the Ignore List");
  const UINT chosen = TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x,
                                     screen.y, 0, Hwnd(), nullptr);
  if (chosen == kRemoveItem) RemoveSelected();
}

void SettingsPage::EnableBackup(bool enabled) {
  backup_.Enable(enabled);
}

void SettingsPage::ShowBackupRunning(bool running) {
  animation_.Show(running);
  backupProgress_.Show(running);
  if (running)
    animation_.Start();
  else
    animation_.Stop();
}

std::vector<ui::Control*> SettingsPage::AllControls() {
  std::vector<ui::Control*> controls = {&title_,
                                        &tabs_,
                                        &scanHeading_,
                                        &note_,
                                        &startupHeading_,
                                        &actionLabel_,
                                        &frequencyLabel_,
                                        &backupHeading_,
                                        &backupProgress_,
                                        &countersHeading_,
                                        &countersLabel_,
                                        &restorePoint_,
                                        &repairAll_,
                                        &repairSafe_,
                                        &action_,
                                        &frequency_,
                                        &backup_,
                                        &reset_,
                                        &customLabel_,
                                        &ignoreLabel_,
                                        &ignoreNote_,
                                        &ignoreList_,
                                        &monitorHeading_,
                                        &monitorDescription_,
                                        &notifyLabel_,
                                        &eventsLabel_,
                                        &monitorNote_,
                                        &prompt_,
                                        &save_,
                                        &restorePointLock_,
                                        &actionLock_,
                                        &frequencyLock_,
                                        &sectionsLock_,
                                        &promptLock_};
  for (ui::CheckBox& box : sections_) controls.push_back(&box);
  return controls;
}

void SettingsPage::OnDpiChanged(ui::Dpi dpi) {
  if (!tabs_.Hwnd()) return;
  for (ui::Control* control : AllControls()) control->ApplyDpi(dpi);
  LayOut();
  FitKeyColumn();
}

void SettingsPage::LayOut() {
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  const int margin = dpi.Scale(kMargin);
  // The title in the place, size and colour of the restore page's.
  title_.SetBounds(ui::MakeRect(dpi.Scale(kTitleLeft), dpi.Scale(kTitleTop),
                                std::max<int>(ui::Width(client) - 2 * dpi.Scale(kTitleLeft), 1),
                                dpi.Scale(kTitleHeight)));
  const int top = dpi.Scale(kTabsTop);
  tabs_.SetBounds({margin, top, std::max<int>(client.right - margin, margin + 1),
                   std::max<int>(client.bottom - margin, top + 1)});
  const RECT area = tabs_.PageArea();
  for (auto& panel : panels_) panel->SetBounds(area);
  const int width = ui::Width(area), height = ui::Height(area);
  LayOutGeneral(width);
  LayOutCustomScan(width);
  LayOutIgnoreList(width, height);
  LayOutMonitor(width);
}

void SettingsPage::LayOutGeneral(int width) {
  const ui::Dpi d = CurrentDpi();
  const int left = d.Scale(kInset), indent = d.Scale(kIndent);
  const int full = std::max(width - left - d.Scale(kInset), 1);
  scanHeading_.SetBounds(ui::MakeRect(left, d.Scale(14), full, d.Scale(18)));
  restorePoint_.SetBounds(ui::MakeRect(indent, d.Scale(38), full - indent + left, d.Scale(20)));
  note_.SetBounds(ui::MakeRect(indent + d.Scale(18), d.Scale(60), full - indent, d.Scale(18)));
  startupHeading_.SetBounds(ui::MakeRect(left, d.Scale(92), full, d.Scale(18)));
  action_.SetBounds(ui::MakeRect(indent + d.Scale(84), d.Scale(115), d.Scale(170), d.Scale(24)));
  PlaceBeside(actionLabel_, action_, indent, d.Scale(80));
  frequency_.SetBounds(ui::MakeRect(indent + d.Scale(84), d.Scale(147), d.Scale(170), d.Scale(24)));
  PlaceBeside(frequencyLabel_, frequency_, indent, d.Scale(80));
  restorePointLock_.SetBounds(
      ui::MakeRect(indent + d.Scale(18), d.Scale(60), full - indent, d.Scale(18)));
  const int besideDropDown = indent + d.Scale(84 + 170 + 12);
  const int noteWidth = std::max(full + left - besideDropDown, 1);
  PlaceBeside(actionLock_, action_, besideDropDown, noteWidth);
  PlaceBeside(frequencyLock_, frequency_, besideDropDown, noteWidth);
  // The rows below close up while the "Frequency" row is hidden.
  const int up = model_.FrequencyShown() ? 0 : 32;
  const auto y = [&](int units) { return d.Scale(units - up); };
  // Both buttons of the tab: one size, one left edge; the backup button's
  // middle is that of the animation and the note beside it.
  const int buttonWidth = std::max(d.Scale(150), backup_.FittingWidth(backup_.Text()));
  const int buttonHeight = d.Scale(ui::SecondaryButton::kHeight);
  backupHeading_.SetBounds(ui::MakeRect(left, y(196), full, d.Scale(18)));
  backup_.SetBounds(ui::MakeRect(indent, y(240) - buttonHeight / 2, buttonWidth, buttonHeight));
  SetWindowPos(animation_.Hwnd(), nullptr, indent + d.Scale(166), y(208), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  backupProgress_.SetBounds(ui::MakeRect(indent + d.Scale(238), y(231), d.Scale(220), d.Scale(18)));
  countersHeading_.SetBounds(ui::MakeRect(left, y(290), full, d.Scale(18)));
  countersLabel_.SetBounds(ui::MakeRect(indent, y(314), full - indent + left, d.Scale(18)));
  reset_.SetBounds(ui::MakeRect(indent, y(340), buttonWidth, buttonHeight));
  repairAll_.SetBounds(ui::MakeRect(indent, d.Scale(360), d.Scale(260), d.Scale(20)));
  repairSafe_.SetBounds(ui::MakeRect(indent, d.Scale(382), d.Scale(260), d.Scale(20)));
}

void SettingsPage::LayOutCustomScan(int width) {
  const ui::Dpi d = CurrentDpi();
  const int left = d.Scale(kInset);
  const int full = std::max(width - 2 * left, kColumns);
  customLabel_.SetBounds(ui::MakeRect(left, d.Scale(14), full, d.Scale(18)));
  const int column = full / kColumns;
  for (int section = 1; section <= 24; ++section) {
    const int index = section - 1;
    const int x = left + (index / kRowsPerColumn) * column;
    const int y = d.Scale(46 + (index % kRowsPerColumn) * kRowStep);
    SectionBox(section).SetBounds(ui::MakeRect(x, y, column - d.Scale(8), d.Scale(20)));
  }
  sectionsLock_.SetBounds(
      ui::MakeRect(left, d.Scale(46 + kRowsPerColumn * kRowStep + 6), full, d.Scale(18)));
}

void SettingsPage::LayOutIgnoreList(int width, int height) {
  const ui::Dpi d = CurrentDpi();
  const int left = d.Scale(kInset);
  const int full = std::max(width - 2 * left, 1);
  const int noteHeight = d.Scale(36);
  ignoreLabel_.SetBounds(ui::MakeRect(left, d.Scale(14), full, d.Scale(18)));
  const int top = d.Scale(38);
  const int noteTop = std::max(height - d.Scale(10) - noteHeight, top + d.Scale(40));
  ignoreList_.SetBounds(ui::MakeRect(left, top, full, noteTop - d.Scale(8) - top));
  ignoreNote_.SetBounds(ui::MakeRect(left, noteTop, full, noteHeight));
}

void SettingsPage::LayOutMonitor(int width) {
  const ui::Dpi d = CurrentDpi();
  const int left = d.Scale(kInset), indent = d.Scale(kIndent);
  const int full = std::max(width - left - d.Scale(kInset), 1);
  monitorHeading_.SetBounds(ui::MakeRect(left, d.Scale(14), full, d.Scale(18)));
  monitorDescription_.SetBounds(
      ui::MakeRect(indent, d.Scale(40), full - indent + left, d.Scale(72)));
  // One centre line for the row. An edit box keeps its text at its top, so it
  // is only as high as its text needs.
  const int rowHeight = d.Scale(ui::SecondaryButton::kHeight), boxHeight = d.Scale(20);
  const int rowTop = d.Scale(136) - rowHeight / 2;
  save_.SetBounds(ui::MakeRect(indent + d.Scale(360), rowTop,
                               std::max(d.Scale(90), save_.FittingWidth(save_.Text())), rowHeight));
  prompt_.SetBounds(ui::MakeRect(indent + d.Scale(154), rowTop + (rowHeight - boxHeight) / 2,
                                 d.Scale(80), boxHeight));
  PlaceBeside(notifyLabel_, save_, indent, d.Scale(150));
  PlaceBeside(eventsLabel_, save_, indent + d.Scale(242), d.Scale(110));
  promptLock_.SetBounds(ui::MakeRect(indent + d.Scale(154), rowTop + rowHeight + d.Scale(2),
                                     full - indent + left - d.Scale(154), d.Scale(18)));
  monitorNote_.SetBounds(ui::MakeRect(indent, d.Scale(172), full - indent + left, d.Scale(72)));
}

LRESULT SettingsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE: LayOut(); return 0;
    case WM_MOUSEWHEEL:
      // The wheel over the page scrolls its list. A list that passes the
      // wheel on to its parents must not get it back.
      if (model_.Tab() == SettingsTab::kIgnoreList && !forwardingWheel_) {
        forwardingWheel_ = true;
        SendMessageA(ignoreList_.Hwnd(), message, wParam, lParam);
        forwardingWheel_ = false;
        return 0;
      }
      break;
    default: break;
  }
  return Window::OnMessage(message, wParam, lParam);
}

}  // namespace hvm
