#include "desktop/pages/restore_page.h"

#include <optional>

#include "engine/core/clock.h"
#include "engine/core/text_case.h"
#include "engine/results/undo_restore.h"
#include "ui/gdi.h"

namespace hvm {

bool RestorePage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  if (!CreatePage("HivemendRestorePage", parent, bounds)) return false;
  ui::FontSpec heading;
  heading.points = 12;
  heading.bold = true;
  ui::FontSpec bold;
  bold.bold = true;
  bool made = title_.Create(Hwnd(), {"Restore Changes", {}, heading, ui::kCaptionColour});
  made &= select_.Create(Hwnd(), {"Select Snapshot:", {}, bold, ui::kCaptionColour});
  made &= chooser_.Create(Hwnd(), {{}, -1, {}});
  made &= autoDelete_.Create(Hwnd(), {"Automatically delete Snapshots that are older than a week",
                                      {},
                                      {},
                                      hooks_.deleteAfterWeek && hooks_.deleteAfterWeek()});
  made &= contents_.Create(Hwnd(), {"Contents of Snapshot", {}, bold, ui::kCaptionColour});
  made &= explanation_.Create(
      Hwnd(), {"The items listed below were removed from the registry when the snapshot "
               "highlighted above was performed.  Click the 'Restore Checked' button to restore "
               "these items to the registry.",
               {},
               {},
               ui::kTextColour,
               ui::kPageColour,
               true});
  made &= checkAll_.Create(Hwnd(), {"Check / Uncheck All", {}, {}, true});
  made &= count_.Create(Hwnd(),
                        {"0 Files", {}, {}, ui::kTextColour, ui::kPageColour, false, false, true});
  ui::CheckList::CreateArgs list;
  list.name = "Contents of Snapshot";
  made &= list_.Create(Hwnd(), list);
  made &= print_.Create(Hwnd(), {"&Print List", {}, {}, false});
  made &= restore_.Create(Hwnd(), {"Restore &Checked", {}, bold, true});
  made &= fullBackups_.Create(Hwnd(), {"Full Registry &Backups...", {}, {}});
  made &= band_.Create(Hwnd(), {});
  if (!made) return false;
  chooser_.onSelected = [this](int) { LoadSnapshotContents(); };
  autoDelete_.onChanged = [this](bool on) {
    if (hooks_.setDeleteAfterWeek) hooks_.setDeleteAfterWeek(on);
    LoadSnapshotList();
  };
  checkAll_.onChanged = [this](bool on) {
    for (int i = 0; i < list_.Count(); ++i) list_.SetChecked(i, on);
  };
  restore_.onClick = [this] { RestoreChecked(); };
  print_.onClick = [this] { PrintList(); };
  list_.onToggled = [this](int, bool) { UpdateControls(); };
  list_.onContextMenu = [this](POINT screen) { ShowContextMenu(screen); };
  fullBackups_.onClick = [this] {
    if (hooks_.showFullBackups) hooks_.showFullBackups();
  };
  LayOut();
  return true;
}

void RestorePage::LayOut() {
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  const int w = ui::Width(client), h = ui::Height(client);
  const int m = dpi.Scale(16);
  title_.SetBounds(ui::MakeRect(m, dpi.Scale(12), w - 2 * m, dpi.Scale(24)));
  select_.SetBounds(ui::MakeRect(m, dpi.Scale(48), dpi.Scale(110), dpi.Scale(20)));
  chooser_.SetBounds(
      ui::MakeRect(m + dpi.Scale(114), dpi.Scale(45), dpi.Scale(200), dpi.Scale(24 * 8)));
  autoDelete_.SetBounds(ui::MakeRect(m, dpi.Scale(76), w - 2 * m, dpi.Scale(20)));
  contents_.SetBounds(ui::MakeRect(m, dpi.Scale(106), w - 2 * m, dpi.Scale(20)));
  explanation_.SetBounds(ui::MakeRect(m, dpi.Scale(126), w - 2 * m, dpi.Scale(34)));
  checkAll_.SetBounds(ui::MakeRect(m, dpi.Scale(164), dpi.Scale(200), dpi.Scale(20)));
  count_.SetBounds(
      ui::MakeRect(w - m - dpi.Scale(150), dpi.Scale(166), dpi.Scale(150), dpi.Scale(18)));
  const int listTop = dpi.Scale(188);
  const int buttonTop = h - dpi.Scale(44);
  // The band under the list shows its heading and one line of detail.
  const int bandHeight = band_.HeightForLines(1);
  const int bandTop = buttonTop - dpi.Scale(10) - bandHeight;
  list_.SetBounds(
      ui::MakeRect(m, listTop, w - 2 * m, std::max(bandTop - dpi.Scale(6) - listTop, 40)));
  band_.SetBounds(ui::MakeRect(m, bandTop, w - 2 * m, bandHeight));
  restore_.SetBounds(
      ui::MakeRect(w - m - dpi.Scale(160), buttonTop, dpi.Scale(160), dpi.Scale(32)));
  print_.SetBounds(ui::MakeRect(m, buttonTop, dpi.Scale(120), dpi.Scale(32)));
  fullBackups_.SetBounds(
      ui::MakeRect(m + dpi.Scale(130), buttonTop, dpi.Scale(180), dpi.Scale(32)));
}

std::string RestorePage::ChosenName() const {
  const int index = chooser_.Selected();
  return index >= 0 && index < static_cast<int>(names_.size()) ? names_[index] : std::string();
}

void RestorePage::LoadSnapshotList() {
  list_.Clear();
  names_ = PruneAndListSnapshots(hooks_.dataFolder, autoDelete_.IsChecked(),
                                 hooks_.todayName ? hooks_.todayName() : "",
                                 ProgramClock().FileTimeNow());
  chooser_.SetItems(names_);
  checkAll_.SetChecked(true);
  chooser_.Select(static_cast<int>(names_.size()) - 1);
  LoadSnapshotContents();
}

void RestorePage::ShowSnapshot(const std::string& fileName) {
  LoadSnapshotList();
  for (size_t i = 0; i < names_.size(); ++i) {
    if (EqualsNoCase(names_[i], fileName)) {
      chooser_.Select(static_cast<int>(i));
      LoadSnapshotContents();
      return;
    }
  }
}

void RestorePage::LoadSnapshotContents() {
  list_.Clear();
  listed_.clear();
  const std::string name = ChosenName();
  if (!name.empty()) listed_ = ListSnapshotEntriesNoted(hooks_.dataFolder, name, &suppression_);
  for (const ListedSnapshotEntry& entry : listed_) list_.AddItem(entry.text, true);
  checkAll_.SetChecked(true);
  UpdateControls();
}

void RestorePage::ShowDetailsOfSelected() {
  const int selected = list_.Selected();
  FindingDetails fresh;
  if (selected < 0 || selected >= static_cast<int>(listed_.size())) {
    fresh.heading = list_.Count() > 0 ? "Select an entry to see which repair removed it" : "";
  } else {
    const std::string name = ChosenName();
    const std::optional<CivilDate> day = SnapshotDateOf(name);
    // The system's short date, as the page's other dates are shown.
    std::string when = name;
    if (day) {
      SYSTEMTIME time{};
      time.wYear = static_cast<WORD>(day->year);
      time.wMonth = static_cast<WORD>(day->month);
      time.wDay = static_cast<WORD>(day->day);
      char text[64] = {};
      if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, sizeof(text)))
        when = text;
    }
    const ListedSnapshotEntry& entry = listed_[size_t(selected)];
    fresh = DetailsOfRemoval(when, entry.note, entry.folder);
  }
  // Told again only when it changed: a screen reader hears each change once.
  if (fresh == details_ && bandFilled_) return;
  bandFilled_ = true;
  details_ = std::move(fresh);
  band_.SetContent(details_.heading, details_.detail);
}

void RestorePage::UpdateControls() {
  ShowDetailsOfSelected();
  const bool any = list_.Count() > 0;
  restore_.Enable(any);
  print_.Enable(any);
  checkAll_.Enable(any);
  count_.SetText(std::to_string(list_.Count()) + " Items");
}

void RestorePage::RestoreChecked() {
  const std::string name = ChosenName();
  if (name.empty()) return;
  std::vector<std::string> chosen;
  for (int i = 0; i < list_.Count(); ++i)
    if (list_.IsChecked(i)) chosen.push_back(list_.ItemText(i));
  const SnapshotRestorer restorer(hooks_.dataFolder, name);
  const RestoreOutcome outcome = RestoreEntries(restorer, chosen);
  if (hooks_.restored) hooks_.restored();
  dialogs_.MessageDialog(
      RestoreMessage(outcome), "Finished",
      outcome.restored == outcome.chosen ? dialog::kNotice : dialog::kWarningNotice);
  UpdateControls();
}

void RestorePage::PrintList() {
  std::vector<std::string> lines;
  for (int i = 0; i < list_.Count(); ++i) lines.push_back(list_.ItemText(i));
  const ui::PrintResult result =
      hooks_.print ? hooks_.print(lines) : ui::PrintLines(Hwnd(), "Hivemend", lines);
  if (result == ui::PrintResult::kFailed)
    dialogs_.MessageDialog("Error Printing text.", "Hivemend", dialog::kNotice);
  UpdateControls();
}

void RestorePage::ShowContextMenu(POINT screen) {
  // The right click chose the row under the mouse.
  ShowDetailsOfSelected();
  constexpr UINT kShowKeyItem = 1;
  ui::ScopedMenu menu(CreatePopupMenu());
  AppendMenuA(menu.Get(), MF_STRING, kShowKeyItem, "Show &Key");
  if (TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Hwnd(),
                     nullptr) == kShowKeyItem)
    ShowKey();
}

void RestorePage::ShowKey() {
  if (dialogs_.MessageDialog(kRegEditCaution, "Hivemend", dialog::kStopOkCancel) != dialog::kOk)
    return;
  const int selected = list_.Selected();
  if (selected < 0) {
    dialogs_.MessageDialog("Please select an item from the list", "Select an Item",
                           dialog::kNotice);
  } else {
    OpenRegEdit(hooks_.registryEditor ? *hooks_.registryEditor : platformEditor_, dialogs_,
                list_.ItemText(selected));
  }
  UpdateControls();
}

LRESULT RestorePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    LayOut();
    return 0;
  }
  if (message == WM_COMMAND && reinterpret_cast<HWND>(lParam) == list_.Hwnd() &&
      HIWORD(wParam) == LBN_SELCHANGE)
    ShowDetailsOfSelected();
  return Window::OnMessage(message, wParam, lParam);
}

}  // namespace hvm
