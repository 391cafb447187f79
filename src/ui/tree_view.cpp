#include "ui/tree_view.h"
#include "ui/gdi_text.h"

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

bool TreeView::Create(HWND parent, const CreateArgs& args) {
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

HFONT TreeView::RowFont(bool bold) {
  // Made once per font and DPI: a screenful of rows is drawn at every scroll.
  const int dpi = CurrentDpi().Value();
  if (fontDpi_ != dpi) {
    FontSpec fontSpec = Font();
    rowFonts_[0] = CreateUiFont(fontSpec, CurrentDpi());
    fontSpec.bold = true;
    rowFonts_[1] = CreateUiFont(fontSpec, CurrentDpi());
    fontDpi_ = dpi;
  }
  return rowFonts_[bold ? 1 : 0].Get();
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
  TreeView_Expand(Hwnd(), item, expand ? TVE_EXPAND : TVE_COLLAPSE);
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

void TreeView::DrawRow(HDC dc, HTREEITEM item, const RECT& row, bool selected) {
  const RowLook look = LookOf(item);
  const Dpi dpi = CurrentDpi();
  ScopedBrush background(CreateSolidBrush(look.background));
  FillRect(dc, &row, background.Get());
  const RowGeometry g = LayoutRow(row, LevelOf(item), look, dpi);
  if (look.arrow) DrawGlyph(dc, IsExpanded(item) ? glyphs_.expanded : glyphs_.collapsed, g.arrow);
  switch (look.check) {
    case CheckGlyph::kUnchecked: DrawGlyph(dc, glyphs_.unchecked, g.check); break;
    case CheckGlyph::kChecked: DrawGlyph(dc, glyphs_.checked, g.check); break;
    case CheckGlyph::kPartial: DrawGlyph(dc, glyphs_.partial, g.check); break;
    case CheckGlyph::kNone: break;
  }
  if (look.icon) DrawGlyph(dc, look.icon, g.icon);

  SelectScope select(dc, RowFont(look.bold));
  SetBkMode(dc, TRANSPARENT);
  RECT text = g.text;
  if (!look.rightText.empty()) {
    const SIZE size = MeasureUiText(dc, look.rightText);
    RECT right = g.text;
    right.left = right.right - size.cx;
    SetTextColor(dc, look.rightColour);
    DrawUiText(dc, look.rightText, &right, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_RIGHT);
    text.right = right.left - dpi.Scale(8);
  }
  SetTextColor(dc, look.textColour);
  DrawUiText(dc, look.text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (selected && GetFocus() == Hwnd()) {
    RECT focus = g.text;
    focus.left -= dpi.Scale(2);
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
        DrawRow(draw->nmcd.hdc, item, row, (draw->nmcd.uItemState & CDIS_SELECTED) != 0);
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
      if (onRightClick) onRightClick(item, part);
      return 0;
    }
    // A click on a glyph toggles or expands without moving the selection.
    if (part != RowPart::kCheck && part != RowPart::kArrow) Select(item);
    if (onClick) onClick(item, part);
    return 0;
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

}  // namespace hvm::ui
