#include "ui/tree_view.h"
#include "ui/gdi_text.h"

#include <oleacc.h>
#include <windowsx.h>

namespace hvm::ui {
namespace {

constexpr int kIndent = 18;  // per level, 96-dpi units
constexpr int kGlyph = 16;
constexpr int kGap = 4;

bool Contains(const RECT& r, POINT p) {
  return r.right > r.left && PtInRect(&r, p);
}

}  // namespace

RowGeometry LayoutRow(const RECT& row, int level, const RowLook& look, Dpi dpi) {
  RowGeometry g;
  const int side = dpi.Scale(kGlyph);
  const int top = row.top + (Height(row) - side) / 2;
  int x = row.left + dpi.Scale(kGap) + dpi.Scale(kIndent) * level;
  auto take = [&](bool present, RECT& slot) {
    if (!present) return;
    slot = MakeRect(x, top, side, side);
    x += side + dpi.Scale(kGap);
  };
  // The arrow's place is kept on every row, so that the check glyphs of rows
  // with and without children line up.
  if (look.arrow) g.arrow = MakeRect(x, top, side, side);
  x += side + dpi.Scale(kGap);
  take(look.check != CheckGlyph::kNone, g.check);
  take(look.icon != nullptr, g.icon);
  g.text = {x, row.top, row.right - dpi.Scale(kGap), row.bottom};
  return g;
}

RowPart HitTestRow(const RowGeometry& g, const RowLook& look, POINT point) {
  // The glyphs take clicks a little around them too: small targets are hard to hit.
  auto grownHit = [&](const RECT& r) {
    RECT grown = r;
    InflateRect(&grown, 2, 2);
    return r.right > r.left && PtInRect(&grown, point);
  };
  if (look.check != CheckGlyph::kNone && grownHit(g.check)) return RowPart::kCheck;
  if (look.arrow && grownHit(g.arrow)) return RowPart::kArrow;
  if (look.icon && Contains(g.icon, point)) return RowPart::kIcon;
  if (point.y >= g.text.top && point.y < g.text.bottom && point.x >= g.text.left)
    return RowPart::kText;
  return RowPart::kNothing;
}

// The rows as screen readers meet them: outline items named by their text,
// their level as value, the right text and the page's note as description.
class TreeView::Accessible : public AccessibleModel {
 public:
  explicit Accessible(TreeView& tree) : tree_(tree) {}

  std::vector<long> Parts() const override {
    std::vector<long> parts;
    for (HTREEITEM item : tree_.ShownRows()) parts.push_back(tree_.PartOf(item));
    return parts;
  }
  bool HasPart(long part) const override { return tree_.ItemOf(part) != nullptr; }

  AccessibleInfo Describe(long part) const override {
    AccessibleInfo info;
    if (part == kSelf) {
      info.name = tree_.name_;
      info.role = ROLE_SYSTEM_OUTLINE;
      return info;
    }
    HTREEITEM item = tree_.ItemOf(part);
    const RowLook look = tree_.LookOf(item);
    info.name = look.text;
    info.role = ROLE_SYSTEM_OUTLINEITEM;
    info.value = std::to_string(tree_.LevelOf(item));
    info.description = look.rightText;
    if (!look.note.empty()) info.description += (info.description.empty() ? "" : ", ") + look.note;
    info.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (item == tree_.Selected()) {
      info.state |= STATE_SYSTEM_SELECTED;
      if (GetFocus() == tree_.Hwnd()) info.state |= STATE_SYSTEM_FOCUSED;
    }
    if (look.check == CheckGlyph::kChecked) info.state |= STATE_SYSTEM_CHECKED;
    if (look.check == CheckGlyph::kPartial) info.state |= STATE_SYSTEM_MIXED;
    const bool expanded = tree_.IsExpanded(item);
    if (look.arrow) info.state |= expanded ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
    if (look.check != CheckGlyph::kNone)
      info.defaultAction = look.check == CheckGlyph::kUnchecked ? "Check" : "Uncheck";
    else if (look.arrow)
      info.defaultAction = expanded ? "Collapse" : "Expand";
    const RECT row = tree_.RowRect(item);
    if (row.bottom > row.top)
      info.bounds = ClientOnScreen(tree_.Hwnd(), row);
    else
      info.state |= STATE_SYSTEM_OFFSCREEN;
    return info;
  }

  bool DoDefaultAction(long part) override {
    HTREEITEM item = tree_.ItemOf(part);
    if (!item) return false;
    const RowLook look = tree_.LookOf(item);
    if (look.check != CheckGlyph::kNone && tree_.onClick) {
      tree_.onClick(item, RowPart::kCheck);
      return true;
    }
    if (!look.arrow) return false;
    tree_.Expand(item, !tree_.IsExpanded(item));
    return true;
  }

  bool Select(long part) override {
    HTREEITEM item = tree_.ItemOf(part);
    if (!item) return false;
    tree_.Select(item);
    return true;
  }
  long FocusedPart() const override { return tree_.PartOf(tree_.Selected()); }
  long SelectedPart() const override { return tree_.PartOf(tree_.Selected()); }
  long PartAt(POINT screen) const override {
    ScreenToClient(tree_.Hwnd(), &screen);
    return tree_.PartOf(tree_.HitTest(screen).first);
  }

 private:
  TreeView& tree_;
};

TreeView::TreeView() : accessible_(std::make_unique<Accessible>(*this)) {}

AccessibleModel* TreeView::Accessibility() {
  return accessible_.get();
}
TreeView::~TreeView() = default;

bool TreeView::Create(HWND parent, const CreateArgs& args) {
  name_ = args.name;
  glyphs_ = args.glyphs;
  rowHeight_ = args.rowHeight;
  SetFontSpec(args.font);
  if (!CreateControl(
          WC_TREEVIEWA, "",
          WS_VISIBLE | WS_TABSTOP | TVS_SHOWSELALWAYS | TVS_FULLROWSELECT | TVS_NOHSCROLL,
          WS_EX_CLIENTEDGE, parent, args.bounds, args.id))
    return false;
  treeProcedure_ = reinterpret_cast<WNDPROC>(GetClassLongPtrA(Hwnd(), GCLP_WNDPROC));
  return true;
}

// Every message sent to the window passes the subclass chain, which costs
// the platform tens of microseconds a message: tens of thousands of rows
// added or read one message each would take seconds. Messages the subclass
// has nothing to say about go to the control directly.
LRESULT TreeView::Direct(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (!treeProcedure_) return SendMessageA(Hwnd(), message, wParam, lParam);
  return CallWindowProcA(treeProcedure_, Hwnd(), message, wParam, lParam);
}

HFONT TreeView::RowFont(bool bold, bool italic) {
  // Made once per font and DPI: a screenful of rows is drawn at every scroll.
  const int dpi = CurrentDpi().Value();
  if (fontDpi_ != dpi) {
    for (int i = 0; i < 4; ++i) {
      FontSpec fontSpec = Font();
      fontSpec.bold = (i & 1) != 0;
      fontSpec.italic = (i & 2) != 0;
      rowFonts_[i] = CreateUiFont(fontSpec, CurrentDpi());
    }
    fontDpi_ = dpi;
  }
  return rowFonts_[(bold ? 1 : 0) + (italic ? 2 : 0)].Get();
}

void TreeView::OnFontChanged() {
  fontDpi_ = 0;
  if (Hwnd()) SendMessageA(Hwnd(), TVM_SETITEMHEIGHT, CurrentDpi().Scale(rowHeight_), 0);
}

HTREEITEM TreeView::AddRow(HTREEITEM parent, LPARAM data) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_PARAM | TVIF_TEXT;
  insert.item.pszText = const_cast<char*>("");
  insert.item.lParam = data;
  return reinterpret_cast<HTREEITEM>(Direct(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TreeView::Clear() {
  hover_ = nullptr;
  SendMessageA(Hwnd(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  parts_.clear();
  partItems_.clear();
}

HTREEITEM TreeView::Next(HTREEITEM item, UINT relation) const {
  return reinterpret_cast<HTREEITEM>(
      Direct(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

long TreeView::PartOf(HTREEITEM item) const {
  if (!item) return kSelf;
  const auto found = parts_.find(item);
  if (found != parts_.end()) return found->second;
  partItems_.push_back(item);
  const long part = static_cast<long>(partItems_.size());
  parts_.emplace(item, part);
  return part;
}

HTREEITEM TreeView::ItemOf(long part) const {
  return part >= 1 && part <= static_cast<long>(partItems_.size()) ? partItems_[part - 1] : nullptr;
}

std::vector<HTREEITEM> TreeView::ShownRows() const {
  std::vector<HTREEITEM> rows;
  for (HTREEITEM item = Next(nullptr, TVGN_ROOT); item; item = Next(item, TVGN_NEXTVISIBLE))
    rows.push_back(item);
  return rows;
}

void TreeView::ChangingChecks(HTREEITEM item, const std::function<void()>& change) {
  if (!item) return;
  HTREEITEM parent = Next(item, TVGN_PARENT);
  const CheckGlyph before = CheckOf(item), parentBefore = CheckOf(parent);
  change();
  InvalidateRect(Hwnd(), nullptr, FALSE);
  const bool changed = CheckOf(item) != before;
  if (changed) RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), PartOf(item));
  if (parent && CheckOf(parent) != parentBefore)
    RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), PartOf(parent));
  // A section's rows follow it; only those a reader can reach are told.
  if (changed && IsExpanded(item))
    for (HTREEITEM child = Next(item, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
      RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), PartOf(child));
}

LPARAM TreeView::DataOf(HTREEITEM item) const {
  TVITEMA query{};
  query.mask = TVIF_PARAM | TVIF_HANDLE;
  query.hItem = item;
  return Direct(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) ? query.lParam : 0;
}

int TreeView::LevelOf(HTREEITEM item) const {
  int level = 0;
  auto parentOf = [this](HTREEITEM child) {
    return reinterpret_cast<HTREEITEM>(
        Direct(TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(child)));
  };
  for (HTREEITEM parent = parentOf(item); parent; parent = parentOf(parent)) ++level;
  return level;
}

bool TreeView::IsExpanded(HTREEITEM item) const {
  TVITEMA query{};
  query.mask = TVIF_STATE | TVIF_HANDLE;
  query.hItem = item;
  query.stateMask = TVIS_EXPANDED;
  return Direct(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) &&
         (query.state & TVIS_EXPANDED) != 0;
}

void TreeView::Expand(HTREEITEM item, bool expand) {
  // The control may or may not notify a change it was told to make; readers
  // hear of it once either way.
  expandTold_ = false;
  const bool before = IsExpanded(item);
  TreeView_Expand(Hwnd(), item, expand ? TVE_EXPAND : TVE_COLLAPSE);
  if (!expandTold_ && IsExpanded(item) != before)
    RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), PartOf(item));
}

HTREEITEM TreeView::Selected() const {
  return TreeView_GetSelection(Hwnd());
}

void TreeView::Select(HTREEITEM item) {
  TreeView_SelectItem(Hwnd(), item);
}

RECT TreeView::RowRect(HTREEITEM item) const {
  RECT r{};
  if (!TreeView_GetItemRect(Hwnd(), item, &r, FALSE)) return RECT{};
  return r;
}

void TreeView::Redraw(HTREEITEM item) {
  const RECT r = RowRect(item);
  InvalidateRect(Hwnd(), &r, FALSE);
}

RowLook TreeView::LookOf(HTREEITEM item) const {
  return rowLook ? rowLook(item, DataOf(item)) : RowLook{};
}

std::pair<HTREEITEM, RowPart> TreeView::HitTest(POINT client) const {
  TVHITTESTINFO hit{};
  hit.pt = client;
  HTREEITEM item = TreeView_HitTest(Hwnd(), &hit);
  if (!item) return {nullptr, RowPart::kNothing};
  const RowLook look = LookOf(item);
  return {item,
          HitTestRow(LayoutRow(RowRect(item), LevelOf(item), look, CurrentDpi()), look, client)};
}

const Picture* TreeView::Scaled(const Picture* picture, int side) {
  if (!picture || picture->IsEmpty()) return nullptr;
  for (ScaledGlyph& slot : scaled_)
    if (slot.source == picture && slot.side == side) return &slot.picture;
  for (ScaledGlyph& slot : scaled_)
    if (!slot.source || slot.side != side) {
      slot = {picture, side, picture->Scaled(side, side)};
      return &slot.picture;
    }
  scaled_[0] = {picture, side, picture->Scaled(side, side)};
  return &scaled_[0].picture;
}

void TreeView::DrawGlyph(HDC dc, const Picture* picture, const RECT& where) {
  if (const Picture* glyph = Scaled(picture, Width(where)))
    glyph->Draw(dc, where, MakeRect(0, 0, glyph->Width(), glyph->Height()));
}

void TreeView::DrawPlainGlyph(HDC dc, CheckGlyph check, const RECT& where) {
  // The system's own check box; a partly checked row shows a filled square,
  // which tells it from both others without colour.
  RECT box = where;
  DrawFrameControl(
      dc, &box, DFC_BUTTON,
      DFCS_BUTTONCHECK | DFCS_FLAT | (check == CheckGlyph::kChecked ? DFCS_CHECKED : 0));
  if (check == CheckGlyph::kPartial) {
    RECT inner = where;
    InflateRect(&inner, -Width(where) / 4, -Height(where) / 4);
    FillRect(dc, &inner, GetSysColorBrush(COLOR_WINDOWTEXT));
  }
}

void TreeView::DrawPlainArrow(HDC dc, bool expanded, const RECT& where, COLORREF colour) {
  const int side = Width(where);
  const int cx = where.left + side / 2, cy = where.top + Height(where) / 2, r = side / 4;
  POINT points[3];
  if (expanded) {
    points[0] = {cx - r, cy - r / 2};
    points[1] = {cx + r, cy - r / 2};
    points[2] = {cx, cy + r / 2 + 1};
  } else {
    points[0] = {cx - r / 2, cy - r};
    points[1] = {cx - r / 2, cy + r};
    points[2] = {cx + r / 2 + 1, cy};
  }
  ScopedBrush brush(CreateSolidBrush(colour));
  ScopedPen pen(CreatePen(PS_SOLID, 1, colour));
  SelectScope selectBrush(dc, brush.Get());
  SelectScope selectPen(dc, pen.Get());
  Polygon(dc, points, 3);
}

void TreeView::DrawRow(HDC dc, HTREEITEM item, const RECT& row, bool selected) {
  const RowLook look = LookOf(item);
  const Dpi dpi = CurrentDpi();
  // High contrast: the system's colours, the selected row in the highlight,
  // glyphs drawn by the system instead of the pictures.
  const bool plain = HighContrast();
  const bool highlighted = plain && selected;
  if (highlighted) {
    FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
  } else {
    ScopedBrush background(CreateSolidBrush(BackColour(look.background)));
    FillRect(dc, &row, background.Get());
  }
  const COLORREF ink = highlighted ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                   : ForeColour(look.dimmed ? kDimTextColour : look.textColour);
  const RowGeometry g = LayoutRow(row, LevelOf(item), look, dpi);
  if (look.arrow) {
    if (plain)
      DrawPlainArrow(dc, IsExpanded(item), g.arrow, ink);
    else
      DrawGlyph(dc, IsExpanded(item) ? glyphs_.expanded : glyphs_.collapsed, g.arrow);
  }
  if (plain && look.check != CheckGlyph::kNone) {
    DrawPlainGlyph(dc, look.check, g.check);
  } else {
    switch (look.check) {
      case CheckGlyph::kUnchecked: DrawGlyph(dc, glyphs_.unchecked, g.check); break;
      case CheckGlyph::kChecked: DrawGlyph(dc, glyphs_.checked, g.check); break;
      case CheckGlyph::kPartial: DrawGlyph(dc, glyphs_.partial, g.check); break;
      case CheckGlyph::kNone: break;
    }
  }
  if (look.icon) DrawGlyph(dc, look.icon, g.icon);

  SelectScope select(dc, RowFont(look.bold, plain && look.dimmed));
  SetBkMode(dc, TRANSPARENT);
  RECT text = g.text;
  if (!look.rightText.empty()) {
    const SIZE size = MeasureUiText(dc, look.rightText);
    RECT right = g.text;
    right.left = right.right - size.cx;
    SetTextColor(dc, highlighted ? ink : ForeColour(look.rightColour));
    DrawUiText(dc, look.rightText, &right, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_RIGHT);
    text.right = right.left - dpi.Scale(8);
  }
  SetTextColor(dc, ink);
  DrawUiText(dc, look.text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (selected && GetFocus() == Hwnd()) {
    RECT focus = g.text;
    focus.left -= dpi.Scale(2);
    if (plain) {
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    }
    DrawFocusRect(dc, &focus);
  }
}

bool TreeView::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  switch (header->code) {
    case NM_CUSTOMDRAW: {
      const auto* draw = reinterpret_cast<const NMTVCUSTOMDRAW*>(lParam);
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
      } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
        RECT row = draw->nmcd.rc;
        const RECT client = [&] {
          RECT c{};
          GetClientRect(Hwnd(), &c);
          return c;
        }();
        row.left = client.left;
        row.right = client.right;
        // The caret row, which the control keeps even where it marks no row
        // selected (Wine gives the focus a caret row of its own).
        DrawRow(draw->nmcd.hdc, item, row, item == Selected());
        result = CDRF_SKIPDEFAULT;
      } else {
        result = CDRF_DODEFAULT;
      }
      return true;
    }
    case TVN_KEYDOWN: {
      const auto* key = reinterpret_cast<const NMTVKEYDOWN*>(lParam);
      result = onKey && Selected() && onKey(Selected(), key->wVKey);
      return true;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      const auto* change = reinterpret_cast<const NMTREEVIEWA*>(lParam);
      if (const long part = PartOf(change->itemNew.hItem)) {
        if (GetFocus() == Hwnd()) RaiseAccessibleEvent(EVENT_OBJECT_FOCUS, Hwnd(), part);
        RaiseAccessibleEvent(EVENT_OBJECT_SELECTION, Hwnd(), part);
      }
      return false;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
      const auto* change = reinterpret_cast<const NMTREEVIEWA*>(lParam);
      expandTold_ = true;
      if (const long part = PartOf(change->itemNew.hItem))
        RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), part);
      return false;
    }
    default: return false;
  }
}

LRESULT TreeView::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN) {
    // Decided here from the message's own point, not from where the cursor is
    // by the time the control reports the click.
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const auto [item, part] = HitTest(point);
    if (!item) return Default(message, wParam, lParam);
    SetFocus(Hwnd());
    if (message == WM_RBUTTONDOWN) {
      Select(item);
      POINT screen = point;
      ClientToScreen(Hwnd(), &screen);
      ShowContextMenu(item, screen);
      return 0;
    }
    // A click on a glyph toggles or expands without moving the selection.
    if (part != RowPart::kCheck && part != RowPart::kArrow) Select(item);
    if (onClick) onClick(item, part);
    return 0;
  }
  if (message == WM_CONTEXTMENU) {
    // Only the keyboard's (Shift+F10, the menu key): a right click has shown
    // the menu already.
    if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1 && Selected()) {
      TreeView_EnsureVisible(Hwnd(), Selected());
      const RowLook look = LookOf(Selected());
      const RowGeometry g = LayoutRow(RowRect(Selected()), LevelOf(Selected()), look, CurrentDpi());
      POINT screen{g.text.left, g.text.bottom};
      ClientToScreen(Hwnd(), &screen);
      ShowContextMenu(Selected(), screen);
    }
    return 0;
  }
  if (message == WM_SETFOCUS) {
    const LRESULT result = Default(message, wParam, lParam);
    // The focus always shows on a row: the first when none is chosen yet.
    if (!Selected()) {
      if (HTREEITEM first = Next(nullptr, TVGN_ROOT)) Select(first);
    } else {
      RaiseAccessibleEvent(EVENT_OBJECT_FOCUS, Hwnd(), PartOf(Selected()));
    }
    return result;
  }
  if (message == WM_MOUSEMOVE) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    HTREEITEM item = HitTest(point).first;
    if (item != hover_) {
      hover_ = item;
      TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
      TrackMouseEvent(&track);
      if (onHover) onHover(item);
    }
  } else if (message == WM_MOUSELEAVE && hover_) {
    hover_ = nullptr;
    if (onHover) onHover(nullptr);
  }
  return Default(message, wParam, lParam);
}

void TreeView::ShowContextMenu(HTREEITEM item, POINT screen) {
  if (onContextMenu) onContextMenu(item, screen);
}

}  // namespace hvm::ui
