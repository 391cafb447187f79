#include "desktop/pages/results_page.h"

#include <windowsx.h>

#include "ui/clipboard.h"
#include "ui/gdi_text.h"
#include "ui/picture_ids.h"

namespace hvm {
namespace {

constexpr int kMargin = 16;
constexpr COLORREF kItemText = RGB(46, 90, 126);
enum MenuItem : UINT {
  kIgnoreItem = 1,
  kSelectAllItem,
  kDeselectAllItem,
  kCopyDetailsItem,
  kOpenFolderItem
};
// The band's button column: the width of its buttons, 96-dpi units.
constexpr int kBandButtonWidth = 112;

COLORREF FromRgb(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The width of a label's text in its own font, in pixels.
int TextWidth(const ui::Label& label) {
  ui::WindowDc dc(label.Hwnd());
  ui::SelectScope font(dc.Get(),
                       reinterpret_cast<HGDIOBJ>(SendMessageA(label.Hwnd(), WM_GETFONT, 0, 0)));
  const std::string text = label.Text();
  const SIZE size = ui::MeasureUiText(dc.Get(), text);
  return size.cx;
}

}  // namespace

bool ResultsPage::Create(HWND parent, const RECT& bounds, Hooks hooks) {
  hooks_ = std::move(hooks);
  unchecked_ = ui::Picture::FromResource(pictures::kCheckUnchecked);
  checked_ = ui::Picture::FromResource(pictures::kCheckChecked);
  partial_ = ui::Picture::FromResource(pictures::kCheckPartial);
  collapsed_ = ui::Picture::FromResource(pictures::kArrowCollapsed);
  expanded_ = ui::Picture::FromResource(pictures::kArrowExpanded);
  cautionIcon_ = ui::Picture::FromResource(pictures::kCaution);
  repairStrip_ = ui::Picture::FromResource(pictures::kRepairButton);
  backupStrip_ = ui::Picture::FromResource(pictures::kBackupButton);
  copyStrip_ = ui::Picture::FromResource(pictures::kCopyDetailsButton);
  openStrip_ = ui::Picture::FromResource(pictures::kOpenFolderButton);
  if (!CreatePage(kClassName, parent, bounds)) return false;

  ui::FontSpec heading;
  heading.points = 12;
  heading.bold = true;
  ui::FontSpec bold;
  bold.bold = true;
  ui::FontSpec underlined = bold;
  underlined.underline = true;
  ui::FontSpec link;
  link.underline = true;
  bool made = title_.Create(
      Hwnd(), {"Registry Scan Results", {}, heading, ui::kCaptionColour, ui::kBandTint});
  made &= attention_.Create(Hwnd(), {"Attention:", {}, underlined, ui::kWarningColour});
  made &= count_.Create(Hwnd(), {"   0 Problems Found", {}, bold, ui::kWarningColour});
  made &= caution_.Create(Hwnd(), {"Proceed with Caution", {}, bold, RGB(160, 100, 0)});
  made &= date_.Create(Hwnd(), {"Last Scan Date: ", {}, {}, ui::kTextColour});
  made &= summary_.Create(
      Hwnd(),
      {"  0 Problems Found", {}, bold, ui::kWarningColour, ui::kPageColour, false, false, true});
  ui::Label::CreateArgs scanAgain{"Run Scan Again ", {}, link, ui::kCaptionColour};
  scanAgain.link = true;
  made &= scanAgain_.Create(Hwnd(), scanAgain);
  ui::ImageButton::CreateArgs repairArgs{&repairStrip_};
  repairArgs.caption = "&Repair Checked Problems";
  repairArgs.tabStop = true;
  repairArgs.isDefault = true;
  made &= repair_.Create(Hwnd(), repairArgs);
  ui::ImageButton::CreateArgs backupArgs{&backupStrip_};
  backupArgs.caption = "&Backup Now";
  backupArgs.tabStop = true;
  made &= backup_.Create(Hwnd(), backupArgs);
  ui::TreeView::CreateArgs tree;
  tree.font = {};
  tree.rowHeight = 20;
  tree.glyphs = {&unchecked_, &checked_, &partial_, &collapsed_, &expanded_};
  tree.name = "Registry Scan Results";
  made &= tree_.Create(Hwnd(), tree);
  made &= band_.Create(Hwnd(), {{}, kBandButtonWidth});
  ui::ImageButton::CreateArgs copyArgs{&copyStrip_};
  copyArgs.caption = "Copy &Details";
  copyArgs.tabStop = true;
  made &= copyDetails_.Create(band_.Hwnd(), copyArgs);
  ui::ImageButton::CreateArgs openArgs{&openStrip_};
  openArgs.caption = "&Open Folder";
  openArgs.tabStop = true;
  made &= openFolder_.Create(band_.Hwnd(), openArgs);
  if (!made) return false;
  caution_.Show(false);
  scanAgain_.onClick = [this] {
    if (hooks_.scanAgain) hooks_.scanAgain();
  };
  repair_.onClick = [this](int) {
    if (hooks_.repair) hooks_.repair();
  };
  backup_.onClick = [this](int) {
    if (hooks_.backup) hooks_.backup();
  };
  copyDetails_.onClick = [this](int) { CopySelectedDetails(); };
  openFolder_.onClick = [this](int) { OpenSelectedFolder(); };
  tree_.rowLook = [this](HTREEITEM, LPARAM data) { return LookOf(data); };
  tree_.onClick = [this](HTREEITEM item, ui::RowPart part) {
    // Anywhere on the row but its text toggles it: the text is where a row
    // is picked without changing it.
    if (part == ui::RowPart::kArrow)
      tree_.Expand(item, !tree_.IsExpanded(item));
    else if (part != ui::RowPart::kText)
      Toggle(item);
  };
  tree_.onContextMenu = [this](HTREEITEM item, POINT screen) { ShowContextMenu(item, screen); };
  tree_.onKey = [this](HTREEITEM item, WORD key) {
    if (key == 'C' && GetKeyState(VK_CONTROL) < 0) {
      CopySelectedDetails();
      return true;
    }
    if (key == VK_SPACE) {
      Toggle(item);
      return true;
    }
    if (key == 'S') {
      IgnoreSelected();
      return true;
    }
    return false;
  };
  ShowDetailsOf(nullptr);
  LayOut();
  return true;
}

void ResultsPage::OnDpiChanged(ui::Dpi dpi) {
  const int side = dpi.Scale(16);
  cautionScaled_ = cautionIcon_.Scaled(side, side);
  if (tree_.Hwnd()) LayOut();
}

ui::RowLook ResultsPage::LookOf(LPARAM data) {
  ui::RowLook look;
  const int section = SectionOf(data), index = IndexOf(data);
  if (index < 0) {
    const int count = static_cast<int>(results_.Section(section).size());
    look.text = std::string(Section(section).label);
    look.bold = true;
    look.arrow = count > 0;
    look.textColour = kItemText;
    look.background = FromRgb(SectionRowColour(model_.OrdinalOf(section)));
    look.check = static_cast<ui::CheckGlyph>(static_cast<int>(model_.SectionState(section)));
    look.rightText = SectionCountText(model_.CheckedCount(section), count);
    return look;
  }
  const auto& list = results_.Section(section);
  if (index >= static_cast<int>(list.size())) return look;
  const ProblemEntry& entry = list[index];
  look.text = ProblemRowText(entry.line);
  look.textColour = entry.IgnoreMarked() ? ui::kDimTextColour : kItemText;
  look.dimmed = entry.IgnoreMarked();
  if (entry.IgnoreMarked()) look.note = "Ignored";
  if (entry.Kind() == kKindCaution)
    look.note += std::string(look.note.empty() ? "" : ", ") + "Caution";
  look.check = entry.Checked() ? ui::CheckGlyph::kChecked : ui::CheckGlyph::kUnchecked;
  if (entry.Kind() == kKindCaution) look.icon = &cautionIcon_;
  return look;
}

void ResultsPage::BuildTree() {
  SendMessageA(tree_.Hwnd(), WM_SETREDRAW, FALSE, 0);
  tree_.Clear();
  if (hooks_.switches) model_.Build(hooks_.switches());
  for (int section : model_.Sections()) {
    HTREEITEM node = tree_.AddRow(nullptr, DataFor(section, -1));
    const int count = static_cast<int>(results_.Section(section).size());
    for (int index = 0; index < count; ++index) tree_.AddRow(node, DataFor(section, index));
  }
  SendMessageA(tree_.Hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_.Hwnd(), nullptr, TRUE);
  // Rows made anew under the keyboard: it stays on a row.
  if (GetFocus() == tree_.Hwnd()) tree_.Select(TreeView_GetRoot(tree_.Hwnd()));
  count_.SetText(ResultsCountLabel(results_.TotalCount()));
  caution_.Show(results_.CautionVisible());
  ShowDetailsOf(tree_.Selected());
  results_.SetFoundCountForReports(results_.TotalCount());
  results_.SetSkippedCountForReports(0);
  LayOut();
}

void ResultsPage::ShowResults(bool visible) {
  if (!visible) return;
  shownOnce_ = true;
  if (results_.TreeDirty()) {
    BuildTree();
    results_.SetTreeDirty(false);
  }
  std::string count = count_.Text();
  const size_t first = count.find_first_not_of(' ');
  count = first == std::string::npos ? "" : count.substr(first);
  while (!count.empty() && count.back() == ' ') count.pop_back();
  summary_.SetText("Attention: " + count);
  if (hooks_.lastScanDate) {
    const std::string date = hooks_.lastScanDate();
    if (!date.empty()) date_.SetText("Last Scan Date: " + date);
  }
}

void ResultsPage::Toggle(HTREEITEM item) {
  const LPARAM data = tree_.DataOf(item);
  tree_.ChangingChecks(item, [&] {
    if (IndexOf(data) < 0)
      model_.ToggleSection(SectionOf(data));
    else
      model_.ToggleItem(SectionOf(data), IndexOf(data));
  });
}

void ResultsPage::IgnoreSelected() {
  HTREEITEM item = tree_.Selected();
  if (!item) return;
  const LPARAM data = tree_.DataOf(item);
  if (IndexOf(data) < 0) return;
  tree_.ChangingChecks(item, [&] { model_.ToggleIgnore(SectionOf(data), IndexOf(data)); });
}

void ResultsPage::SelectAllOfSelected(bool on) {
  HTREEITEM item = tree_.Selected();
  if (!item) return;
  // The section's own row: its rows follow it.
  if (IndexOf(tree_.DataOf(item)) >= 0) item = TreeView_GetParent(tree_.Hwnd(), item);
  tree_.ChangingChecks(item, [&] { model_.SetSectionChecked(SectionOf(tree_.DataOf(item)), on); });
}

ui::ScopedMenu ResultsPage::ContextMenuFor(HTREEITEM item) {
  const LPARAM data = tree_.DataOf(item);
  const bool isItem = IndexOf(data) >= 0;
  bool marked = false;
  if (isItem) {
    const auto& list = results_.Section(SectionOf(data));
    marked = IndexOf(data) < static_cast<int>(list.size()) && list[IndexOf(data)].IgnoreMarked();
  }
  const FindingDetails details = model_.DetailsOfRow(SectionOf(data), IndexOf(data));
  ui::ScopedMenu owned(CreatePopupMenu());
  HMENU menu = owned.Get();
  AppendMenuA(menu, MF_STRING | (isItem ? 0 : MF_GRAYED) | (marked ? MF_CHECKED : 0), kIgnoreItem,
              "Permanently Ignore item");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kSelectAllItem, "Select All");
  AppendMenuA(menu, MF_STRING, kDeselectAllItem, "Deselect All");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | (details.copyText.empty() ? MF_GRAYED : 0), kCopyDetailsItem,
              "Copy Details");
  AppendMenuA(menu, MF_STRING | (details.folderToOpen.empty() ? MF_GRAYED : 0), kOpenFolderItem,
              "Open Folder");
  return owned;
}

void ResultsPage::ShowContextMenu(HTREEITEM item, POINT screen) {
  ui::ScopedMenu menu = ContextMenuFor(item);
  const UINT chosen = TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x,
                                     screen.y, 0, Hwnd(), nullptr);
  switch (chosen) {
    case kIgnoreItem: IgnoreSelected(); break;
    case kSelectAllItem: SelectAllOfSelected(true); break;
    case kDeselectAllItem: SelectAllOfSelected(false); break;
    case kCopyDetailsItem: CopySelectedDetails(); break;
    case kOpenFolderItem: OpenSelectedFolder(); break;
    default: break;
  }
}

void ResultsPage::ShowDetailsOf(HTREEITEM item) {
  const LPARAM data = item ? tree_.DataOf(item) : 0;
  FindingDetails fresh =
      item ? model_.DetailsOfRow(SectionOf(data), IndexOf(data)) : DetailsOfNothing();
  // Told again only when it changed: a screen reader hears each change once.
  const bool changed = !(fresh == details_) || band_.Heading().empty();
  details_ = std::move(fresh);
  if (changed) band_.SetContent(details_.heading, details_.detail);
  EnableWindow(copyDetails_.Hwnd(), !details_.copyText.empty());
  EnableWindow(openFolder_.Hwnd(), !details_.folderToOpen.empty());
}

bool ResultsPage::CopySelectedDetails() {
  // Asked again: the entry may have changed since the band was filled.
  ShowDetailsOf(tree_.Selected());
  if (details_.copyText.empty()) return false;
  return ui::CopyTextToClipboard(Hwnd(), details_.copyText);
}

void ResultsPage::OpenSelectedFolder() {
  // The folder is looked at again now: it may have gone since the row was chosen.
  ShowDetailsOf(tree_.Selected());
  if (!details_.folderToOpen.empty() && hooks_.openFolder) hooks_.openFolder(details_.folderToOpen);
}

void ResultsPage::LayOut() {
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  const int w = ui::Width(client), h = ui::Height(client);
  const int margin = dpi.Scale(kMargin);
  title_.SetBounds(ui::MakeRect(margin + dpi.Scale(10), dpi.Scale(12),
                                w - 2 * margin - dpi.Scale(20), dpi.Scale(24)));
  // "Attention:" and the count centred as a pair, each as wide as its text
  // (the count's own leading blank is the only gap between them).
  const int attentionWidth = TextWidth(attention_), countWidth = TextWidth(count_) + dpi.Scale(2);
  const int pairLeft = (w - attentionWidth - countWidth) / 2;
  attention_.SetBounds(ui::MakeRect(pairLeft, dpi.Scale(48), attentionWidth, dpi.Scale(18)));
  count_.SetBounds(
      ui::MakeRect(pairLeft + attentionWidth, dpi.Scale(48), countWidth, dpi.Scale(18)));
  const int treeTop = dpi.Scale(72);
  const int treeHeight = std::max(h - dpi.Scale(200 + kDetailBandRoom), dpi.Scale(60));
  tree_.SetBounds(ui::MakeRect(margin, treeTop, w - 2 * margin, treeHeight));
  const int band = treeTop + treeHeight - 1;
  caution_.SetBounds(ui::MakeRect(margin + dpi.Scale(2 * 19 + 34 + 24), band + dpi.Scale(6),
                                  dpi.Scale(200), dpi.Scale(18)));
  date_.SetBounds(ui::MakeRect(margin, band + dpi.Scale(21 + 12), dpi.Scale(260), dpi.Scale(18)));
  summary_.SetBounds(ui::MakeRect(w - dpi.Scale(16) - dpi.Scale(260), band + dpi.Scale(21 + 12),
                                  dpi.Scale(260), dpi.Scale(18)));
  const SIZE repairSize = repair_.SizeAt(dpi), backupSize = backup_.SizeAt(dpi);
  const int buttonTop = h - dpi.Scale(8) - repairSize.cy;
  // The detail band between the date row and the buttons, as wide as the tree.
  const int bandTop = band + dpi.Scale(21 + 12 + 18 + 6);
  band_.SetBounds(ui::MakeRect(margin, bandTop, w - 2 * margin,
                               std::max(buttonTop - dpi.Scale(8) - bandTop, dpi.Scale(20))));
  const RECT commands = band_.CommandArea();
  const SIZE copySize = copyDetails_.SizeAt(dpi), openSize = openFolder_.SizeAt(dpi);
  // At the foot of their column: the text box's top then lies above the
  // first button's middle, so that Tab reads the text before its commands.
  const int gap = dpi.Scale(2);
  const int commandsTop =
      std::max<int>(commands.bottom - copySize.cy - gap - openSize.cy, commands.top);
  copyDetails_.Move({commands.right - copySize.cx, commandsTop});
  openFolder_.Move({commands.right - openSize.cx, commandsTop + copySize.cy + gap});
  repair_.Move({(w - repairSize.cx) / 2, buttonTop});
  backup_.Move({w - margin - backupSize.cx, buttonTop});
  // The link's text centred on the buttons, two pixels higher.
  const int linkHeight = dpi.Scale(18);
  scanAgain_.SetBounds(ui::MakeRect(margin,
                                    buttonTop + (repairSize.cy - linkHeight) / 2 - dpi.Scale(2),
                                    dpi.Scale(120), linkHeight));
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

void ResultsPage::Paint() {
  ui::PaintScope paint(Hwnd());
  const ui::Dpi dpi = CurrentDpi();
  const RECT client = ClientRect();
  FillRect(paint.Get(), &client, ui::PageBrush());
  // The title's rounded band.
  const int margin = dpi.Scale(kMargin);
  ui::ScopedBrush tint(CreateSolidBrush(ui::BackColour(ui::kBandTint)));
  ui::ScopedPen edge(CreatePen(PS_SOLID, 1, ui::ForeColour(RGB(200, 214, 226))));
  ui::SelectScope brush(paint.Get(), tint.Get());
  ui::SelectScope pen(paint.Get(), edge.Get());
  RoundRect(paint.Get(), margin, dpi.Scale(8), client.right - margin, dpi.Scale(40), dpi.Scale(10),
            dpi.Scale(10));
  if (caution_.IsVisible() && !cautionScaled_.IsEmpty()) {
    const RECT label = caution_.Bounds();
    cautionScaled_.Draw(paint.Get(), label.left - dpi.Scale(24), label.top + dpi.Scale(1));
  }
}

LRESULT ResultsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: LayOut(); return 0;
    case WM_CTLCOLORSTATIC:
      // The image buttons' rounded corners show the white page.
      if (reinterpret_cast<HWND>(lParam) == repair_.Hwnd() ||
          reinterpret_cast<HWND>(lParam) == backup_.Hwnd())
        return reinterpret_cast<LRESULT>(ui::PageBrush());
      return Window::OnMessage(message, wParam, lParam);
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == tree_.Hwnd() &&
          (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW))
        ShowDetailsOf(reinterpret_cast<const NMTREEVIEWA*>(lParam)->itemNew.hItem);
      // A tree given the focus without a selection picks its first row
      // without telling: the band follows it then.
      if (header->hwndFrom == tree_.Hwnd() && header->code == NM_SETFOCUS)
        ShowDetailsOf(tree_.Selected());
      return Window::OnMessage(message, wParam, lParam);
    }
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
