#include "ui/controls.h"
#include "ui/gdi_text.h"

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace hvm::ui {
namespace {

bool IsCommand(UINT message, WPARAM wParam, WORD code) {
  return message == WM_COMMAND && HIWORD(wParam) == code;
}

// Space between a cell's edges and its text: what the list itself leaves,
// which is twice the edge width at every DPI, not design units.
int CellPadding() {
  return 2 * GetSystemMetrics(SM_CXEDGE);
}

}  // namespace

// ---- Label ------------------------------------------------------------------

// A link label as screen readers read it.
class Label::LinkParts : public AccessibleModel {
 public:
  explicit LinkParts(Label& label) : label_(label) {}
  AccessibleInfo Describe(long) const override {
    AccessibleInfo info;
    info.name = SpokenCaption(label_.Text());
    info.role = ROLE_SYSTEM_LINK;
    info.state = STATE_SYSTEM_LINKED;
    info.defaultAction = "Jump";
    info.shortcut = ShortcutOf(label_.Text());
    return info;
  }
  bool DoDefaultAction(long part) override {
    if (part != kSelf) return false;
    label_.Press();
    return true;
  }

 private:
  Label& label_;
};

Label::Label() = default;

AccessibleModel* Label::Accessibility() {
  return link_ ? linkParts_.get() : nullptr;
}
Label::~Label() = default;

bool Label::Create(HWND parent, const CreateArgs& args) {
  colour_ = args.colour;
  background_ = args.background;
  backgroundBrush_.Reset(CreateSolidBrush(background_));
  link_ = args.link;
  if (link_) linkParts_ = std::make_unique<LinkParts>(*this);
  DWORD style =
      WS_VISIBLE | (args.mnemonic ? 0 : SS_NOPREFIX) | (link_ ? SS_NOTIFY | WS_TABSTOP : 0);
  style |= args.centred ? SS_CENTER : args.rightAligned ? SS_RIGHT : SS_LEFT;
  if (args.wrap)
    style |= SS_EDITCONTROL;
  else
    style |= SS_LEFTNOWORDWRAP * !(args.centred || args.rightAligned);
  if (args.middle && !args.wrap) style |= SS_CENTERIMAGE;
  SetFontSpec(args.font);
  return CreateControl("STATIC", args.text, style, 0, parent, args.bounds, args.id);
}

void Label::SetColour(COLORREF colour) {
  colour_ = colour;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Label::Press() {
  if (onClick && IsEnabled()) onClick();
}

bool Label::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (link_ && IsCommand(message, wParam, STN_CLICKED)) {
    Press();
    result = 0;
    return true;
  }
  if (message != WM_CTLCOLORSTATIC) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, IsEnabled() ? ForeColour(colour_) : GetSysColor(COLOR_GRAYTEXT));
  SetBkColor(dc, BackColour(background_));
  result = reinterpret_cast<LRESULT>(HighContrast() ? PageBrush() : backgroundBrush_.Get());
  return true;
}

LRESULT Label::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!link_) return Default(message, wParam, lParam);
  switch (message) {
    case WM_GETDLGCODE: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BM_CLICK: Press(); return 0;
    case WM_KEYDOWN:
      // A held key repeats its key-down; only the first press counts.
      if ((wParam == VK_SPACE || wParam == VK_RETURN) && !(lParam & (1 << 30))) {
        Press();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE: InvalidateRect(Hwnd(), nullptr, TRUE); break;
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_HAND)); return TRUE;
    case WM_PAINT: {
      const LRESULT painted = Default(message, wParam, lParam);
      const bool cuesHidden = (SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
      if (GetFocus() == Hwnd() && !cuesHidden) {
        // Around the text, which the platform drew at the left.
        WindowDc dc(Hwnd());
        SelectScope font(dc.Get(),
                         reinterpret_cast<HGDIOBJ>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0)));
        const SIZE size = MeasureUiText(dc.Get(), SpokenCaption(Text()));
        RECT client{};
        GetClientRect(Hwnd(), &client);
        RECT focus{0, 0, std::min<LONG>(size.cx + 2, client.right), client.bottom};
        SetTextColor(dc.Get(), ForeColour(kTextColour));
        SetBkColor(dc.Get(), BackColour(background_));
        DrawFocusRect(dc.Get(), &focus);
      }
      return painted;
    }
    default: break;
  }
  return Default(message, wParam, lParam);
}

// ---- Button -----------------------------------------------------------------

bool Button::Create(HWND parent, const CreateArgs& args) {
  SetFontSpec(args.font);
  const DWORD style = WS_VISIBLE | WS_TABSTOP | (args.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  return CreateControl("BUTTON", args.text, style, 0, parent, args.bounds, args.id);
}

void Button::Click() {
  if (onClick && IsEnabled()) onClick();
}

bool Button::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (!IsCommand(message, wParam, BN_CLICKED)) return false;
  if (onClick) onClick();
  result = 0;
  return true;
}

// ---- CheckBox ---------------------------------------------------------------

bool CheckBox::Create(HWND parent, const CreateArgs& args) {
  SetFontSpec(args.font);
  colour_ = args.colour;
  if (!CreateControl("BUTTON", args.text, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, parent,
                     args.bounds, args.id))
    return false;
  SetChecked(args.checked);
  return true;
}

bool CheckBox::IsChecked() const {
  return SendMessageA(Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
  SendMessageA(Hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message == WM_CTLCOLORSTATIC) {
    // Check boxes sit on the white pages, not on the dialog grey.
    SetBkColor(reinterpret_cast<HDC>(wParam), BackColour(kPageColour));
    if (HighContrast())
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
    else if (colour_ != CLR_INVALID)
      SetTextColor(reinterpret_cast<HDC>(wParam), colour_);
    result = reinterpret_cast<LRESULT>(PageBrush());
    return true;
  }
  if (!IsCommand(message, wParam, BN_CLICKED)) return false;
  if (onChanged) onChanged(IsChecked());
  result = 0;
  return true;
}

// ---- DropDownList -----------------------------------------------------------

bool DropDownList::Create(HWND parent, const CreateArgs& args) {
  SetFontSpec(args.font);
  // The window's height includes the dropped list.
  RECT bounds = args.bounds;
  bounds.bottom = bounds.top + Height(bounds) * 8;
  if (!CreateControl("COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                     parent, bounds, args.id))
    return false;
  SetItems(args.items);
  Select(args.selected);
  return true;
}

void DropDownList::SetItems(const std::vector<std::string>& items) {
  SendMessageA(Hwnd(), CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items)
    SendMessageA(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int DropDownList::Selected() const {
  const LRESULT index = SendMessageA(Hwnd(), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void DropDownList::Select(int index) {
  SendMessageA(Hwnd(), CB_SETCURSEL, index, 0);
}

int DropDownList::Count() const {
  return static_cast<int>(SendMessageA(Hwnd(), CB_GETCOUNT, 0, 0));
}

bool DropDownList::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (!IsCommand(message, wParam, CBN_SELCHANGE)) return false;
  if (onSelected) onSelected(Selected());
  result = 0;
  return true;
}

// ---- NumberBox --------------------------------------------------------------

bool NumberBox::Create(HWND parent, const CreateArgs& args) {
  SetFontSpec(args.font);
  if (!CreateControl("EDIT", std::to_string(args.value),
                     WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, parent,
                     args.bounds, args.id))
    return false;
  SendMessageA(Hwnd(), EM_SETLIMITTEXT, args.maxDigits, 0);
  return true;
}

unsigned NumberBox::Value(unsigned fallback) const {
  const std::string text = Text();
  // ES_NUMBER stops typing but not pasting: keep the leading digits only.
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0) return fallback;
  return static_cast<unsigned>(std::strtoul(text.substr(0, digits).c_str(), nullptr, 10));
}

void NumberBox::SetValue(unsigned value) {
  SetText(std::to_string(value));
}

bool NumberBox::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (!IsCommand(message, wParam, EN_CHANGE)) return false;
  if (onChanged) onChanged();
  result = 0;
  return true;
}

// ---- TabControl -------------------------------------------------------------

bool TabControl::Create(HWND parent, const CreateArgs& args) {
  SetFontSpec(args.font);
  if (!CreateControl(WC_TABCONTROLA, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, parent,
                     args.bounds, args.id))
    return false;
  for (size_t i = 0; i < args.tabs.size(); ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(args.tabs[i].c_str());
    SendMessageA(Hwnd(), TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  return true;
}

void TabControl::OnFontChanged() {
  if (!Hwnd()) return;
  // The control's own padding is a fixed number of pixels, which leaves the
  // captions touching the tab borders at higher DPIs.
  const Dpi dpi = CurrentDpi();
  SendMessageA(Hwnd(), TCM_SETPADDING, 0, MAKELPARAM(dpi.Scale(6), dpi.Scale(3)));
  // The tabs are measured again when the font is set.
  SendMessageA(Hwnd(), WM_SETFONT, SendMessageA(Hwnd(), WM_GETFONT, 0, 0), TRUE);
}

int TabControl::Selected() const {
  return static_cast<int>(SendMessageA(Hwnd(), TCM_GETCURSEL, 0, 0));
}

void TabControl::Select(int index) {
  SendMessageA(Hwnd(), TCM_SETCURSEL, index, 0);
}

RECT TabControl::PageArea() const {
  RECT area{};
  GetClientRect(Hwnd(), &area);
  SendMessageA(Hwnd(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  MapWindowPoints(Hwnd(), GetParent(Hwnd()), reinterpret_cast<POINT*>(&area), 2);
  return area;
}

COLORREF TabControl::RimColour() {
  return ForeColour(RGB(200, 214, 226));
}
COLORREF TabControl::ChosenFace() {
  return BackColour(kPageColour);
}
COLORREF TabControl::OtherFace() {
  return BackColour(kBandTint);
}

LRESULT TabControl::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      BufferedPaint paint(Hwnd());
      if (paint.Dc()) Paint(paint.Dc(), paint.Client());
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client{};
      GetClientRect(Hwnd(), &client);
      Paint(reinterpret_cast<HDC>(wParam), client);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE: {
      const LRESULT result = Control::OnOwnMessage(message, wParam, lParam);
      InvalidateRect(Hwnd(), nullptr, FALSE);
      return result;
    }
    default: return Control::OnOwnMessage(message, wParam, lParam);
  }
}

void TabControl::Paint(HDC dc, const RECT& client) const {
  const Dpi dpi = CurrentDpi();
  FillRect(dc, &client, PageBrush());
  const int count = static_cast<int>(SendMessageA(Hwnd(), TCM_GETITEMCOUNT, 0, 0));
  const int chosen = Selected();
  RECT first{};
  if (count == 0 || !SendMessageA(Hwnd(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)))
    first = {0, 0, 0, 0};
  // The frame of the tab's area, from the foot of the row of tabs down.
  const RECT frame{client.left, first.bottom, client.right, client.bottom};
  ScopedPen rim(CreatePen(PS_SOLID, 1, RimColour()));
  SelectScope pen(dc, rim.Get());
  SelectScope hollow(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);

  SelectScope font(dc, reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  const bool hideFocus = SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS;
  const auto paintTab = [&](int i) {
    RECT tab{};
    if (!SendMessageA(Hwnd(), TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tab))) return;
    const bool isChosen = i == chosen;
    // The chosen tab stands a little higher and wider, over its neighbours'
    // edges, and opens into the area below; the others sit on the frame's top
    // line. Shape, not colour, tells them apart in high contrast.
    if (isChosen) {
      tab.top -= dpi.Scale(2);
      tab.left = std::max<LONG>(client.left, tab.left - dpi.Scale(2));
      tab.right = std::min<LONG>(client.right, tab.right + dpi.Scale(2));
      tab.bottom = frame.top + 1;
    } else {
      tab.bottom = frame.top;
    }
    ScopedBrush face(CreateSolidBrush(isChosen ? ChosenFace() : OtherFace()));
    FillRect(dc, &tab, face.Get());
    const POINT outline[4] = {
        {tab.left, tab.bottom - 1}, {tab.left, tab.top}, {tab.right - 1, tab.top},
        {tab.right - 1, tab.bottom - (isChosen ? 1 : 0)}};
    Polyline(dc, outline, 4);
    char caption[128] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = sizeof(caption);
    SendMessageA(Hwnd(), TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    RECT text = tab;
    if (!isChosen) OffsetRect(&text, 0, dpi.Scale(1));
    SetTextColor(dc, ForeColour(isChosen ? kCurrentCaptionColour : kTextColour));
    DrawUiText(dc, caption, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (isChosen && GetFocus() == Hwnd() && !hideFocus) {
      RECT mark = tab;
      InflateRect(&mark, -dpi.Scale(3), -dpi.Scale(3));
      SetTextColor(dc, ForeColour(kTextColour));
      SetBkColor(dc, ChosenFace());
      DrawFocusRect(dc, &mark);
    }
  };
  for (int i = 0; i < count; ++i)
    if (i != chosen) paintTab(i);
  if (chosen >= 0 && chosen < count) paintTab(chosen);
}

bool TabControl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lParam)->code != TCN_SELCHANGE)
    return false;
  if (onSelected) onSelected(Selected());
  result = 0;
  return true;
}

// ---- TrackBar ---------------------------------------------------------------

bool TrackBar::Create(HWND parent, const CreateArgs& args) {
  if (!CreateControl(TRACKBAR_CLASSA, "", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS, 0,
                     parent, args.bounds, args.id))
    return false;
  SendMessageA(Hwnd(), TBM_SETRANGE, FALSE, MAKELPARAM(args.minimum, args.maximum));
  SetPosition(args.position);
  return true;
}

int TrackBar::Position() const {
  return static_cast<int>(SendMessageA(Hwnd(), TBM_GETPOS, 0, 0));
}

void TrackBar::SetPosition(int position) {
  SendMessageA(Hwnd(), TBM_SETPOS, TRUE, position);
}

bool TrackBar::OnReflected(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message != WM_HSCROLL) return false;
  if (onChanged) onChanged(Position());
  result = 0;
  return true;
}

// ---- ListView ---------------------------------------------------------------

bool ListView::Create(HWND parent, const CreateArgs& args) {
  SetFontSpec(args.font);
  columns_ = args.columns;
  lastColumnFills_ = args.lastColumnFills;
  if (!CreateControl(WC_LISTVIEWA, "",
                     WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                     WS_EX_CLIENTEDGE, parent, args.bounds, args.id))
    return false;
  DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
  if (args.gridLines) extended |= LVS_EX_GRIDLINES;
  SendMessageA(Hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  for (size_t i = 0; i < columns_.size(); ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(columns_[i].caption.c_str());
    column.cx = CurrentDpi().Scale(columns_[i].width);
    SendMessageA(Hwnd(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  FitLastColumn();
  // The header is made with the first column.
  if (HighContrast()) FollowContrastStyle(Hwnd());
  return true;
}

void ListView::OnFontChanged() {
  if (!Hwnd()) return;
  for (size_t i = 0; i < columns_.size(); ++i)
    SendMessageA(Hwnd(), LVM_SETCOLUMNWIDTH, i, CurrentDpi().Scale(columns_[i].width));
  FitLastColumn();
}

void ListView::FitLastColumn() {
  if (!lastColumnFills_ || columns_.empty() || !Hwnd()) return;
  // To the client's width: room for a vertical scroll bar only while it shows
  // (the rows call this again as they come and go), so that the header never
  // ends in an empty piece.
  RECT client{};
  GetClientRect(Hwnd(), &client);
  int rest = Width(client);
  for (size_t i = 0; i + 1 < columns_.size(); ++i) rest -= CurrentDpi().Scale(columns_[i].width);
  constexpr int kNarrowest = 60;  // 96-dpi units
  const int last = static_cast<int>(columns_.size()) - 1;
  const int width = std::max(rest, CurrentDpi().Scale(kNarrowest));
  if (SendMessageA(Hwnd(), LVM_GETCOLUMNWIDTH, last, 0) != width)
    SendMessageA(Hwnd(), LVM_SETCOLUMNWIDTH, last, width);
}

LRESULT ListView::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = Control::OnOwnMessage(message, wParam, lParam);
  if (message == WM_SIZE) FitLastColumn();
  return result;
}

int ListView::AddRow(const std::vector<std::string>& cells) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount();
  item.pszText = const_cast<char*>(cells.empty() ? "" : cells[0].c_str());
  const int row =
      static_cast<int>(SendMessageA(Hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return row;
  for (size_t column = 1; column < cells.size(); ++column) {
    LVITEMA cell{};
    cell.iSubItem = static_cast<int>(column);
    cell.pszText = const_cast<char*>(cells[column].c_str());
    SendMessageA(Hwnd(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  }
  // The row may have brought the vertical scroll bar.
  FitLastColumn();
  return row;
}

int ListView::RowCount() const {
  return static_cast<int>(SendMessageA(Hwnd(), LVM_GETITEMCOUNT, 0, 0));
}

std::string ListView::Cell(int row, int column) const {
  char buffer[1024] = {};
  LVITEMA cell{};
  cell.iSubItem = column;
  cell.pszText = buffer;
  cell.cchTextMax = sizeof(buffer);
  SendMessageA(Hwnd(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  return buffer;
}

std::string ListView::ShownText(int row, int column) const {
  const std::string text = Cell(row, column);
  if (!IsPathColumn(column)) return text;
  WindowDc dc(Hwnd());
  SelectScope font(dc.Get(), reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0)));
  const int width = static_cast<int>(SendMessageA(Hwnd(), LVM_GETCOLUMNWIDTH, column, 0));
  return PathEllipsized(dc.Get(), text, width - 2 * CellPadding());
}

bool ListView::IsPathColumn(int column) const {
  return column >= 0 && column < static_cast<int>(columns_.size()) && columns_[column].pathEllipsis;
}

LRESULT ListView::CustomDraw(LPARAM lParam) const {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: break;
    default: return CDRF_DODEFAULT;
  }
  if (!IsPathColumn(draw->iSubItem)) return CDRF_DODEFAULT;
  const int row = static_cast<int>(draw->nmcd.dwItemSpec);
  RECT cell{LVIR_BOUNDS, draw->iSubItem, 0, 0};
  if (!SendMessageA(Hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell)))
    return CDRF_DODEFAULT;
  // The colours the list gives a whole selected row, focused or not.
  const bool selected = SendMessageA(Hwnd(), LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
  COLORREF back = static_cast<COLORREF>(SendMessageA(Hwnd(), LVM_GETTEXTBKCOLOR, 0, 0));
  COLORREF fore = static_cast<COLORREF>(SendMessageA(Hwnd(), LVM_GETTEXTCOLOR, 0, 0));
  if (back == CLR_NONE || back == CLR_DEFAULT) back = GetSysColor(COLOR_WINDOW);
  if (fore == CLR_DEFAULT) fore = GetSysColor(COLOR_WINDOWTEXT);
  if (selected && GetFocus() == Hwnd()) {
    back = GetSysColor(COLOR_HIGHLIGHT);
    fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
  } else if (selected) {
    back = GetSysColor(COLOR_BTNFACE);
    fore = GetSysColor(COLOR_BTNTEXT);
  }
  HDC dc = draw->nmcd.hdc;
  ScopedBrush fill(CreateSolidBrush(back));
  FillRect(dc, &cell, fill.Get());
  const int padding = CellPadding();
  RECT text = cell;
  text.left += padding;
  text.right -= padding;
  const std::string shown = PathEllipsized(dc, Cell(row, draw->iSubItem), Width(text));
  SetTextColor(dc, fore);
  SetBkMode(dc, TRANSPARENT);
  DrawUiText(dc, shown, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  return CDRF_SKIPDEFAULT;
}

void ListView::Clear() {
  SendMessageA(Hwnd(), LVM_DELETEALLITEMS, 0, 0);
  FitLastColumn();
}

int ListView::SelectedRow() const {
  return static_cast<int>(SendMessageA(Hwnd(), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

void ListView::SelectRow(int row) {
  LVITEMA clear{};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(Hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  if (row < 0) return;
  LVITEMA chosen{};
  chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(Hwnd(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&chosen));
}

void ListView::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return;
  columns_[column].width = width;
  SendMessageA(Hwnd(), LVM_SETCOLUMNWIDTH, column, CurrentDpi().Scale(width));
  FitLastColumn();
}

void ListView::EnsureVisible(int row) {
  SendMessageA(Hwnd(), LVM_ENSUREVISIBLE, row, FALSE);
}

bool ListView::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->code == NM_CUSTOMDRAW) {
    if (std::none_of(columns_.begin(), columns_.end(),
                     [](const Column& column) { return column.pathEllipsis; }))
      return false;
    result = CustomDraw(lParam);
    return true;
  }
  if (header->code != LVN_ITEMCHANGED) return false;
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
  if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED) && onSelected)
    onSelected(change->iItem);
  result = 0;
  return true;
}

// ---- CheckList --------------------------------------------------------------

// The rows as screen readers meet them: list items named by their text,
// checked or not; a header row has no check and no action.
class CheckList::Accessible : public AccessibleModel {
 public:
  explicit Accessible(CheckList& list) : list_(list) {}
  std::vector<long> Parts() const override {
    std::vector<long> parts(list_.rows_.size());
    for (size_t i = 0; i < parts.size(); ++i) parts[i] = static_cast<long>(i + 1);
    return parts;
  }
  bool HasPart(long part) const override { return part >= 1 && part <= list_.Count(); }
  AccessibleInfo Describe(long part) const override {
    AccessibleInfo info;
    if (part == kSelf) {
      info.name = list_.name_;
      info.role = ROLE_SYSTEM_LIST;
      return info;
    }
    const int index = static_cast<int>(part - 1);
    const Row& row = list_.rows_[index];
    info.name = row.text;
    info.role = ROLE_SYSTEM_LISTITEM;
    info.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (index == list_.Selected()) info.state |= STATE_SYSTEM_SELECTED;
    if (index == CaretIndex() && GetFocus() == list_.Hwnd()) info.state |= STATE_SYSTEM_FOCUSED;
    if (row.checked) info.state |= STATE_SYSTEM_CHECKED;
    if (!row.header) info.defaultAction = row.checked ? "Uncheck" : "Check";
    RECT bounds{}, client{};
    GetClientRect(list_.Hwnd(), &client);
    if (SendMessageA(list_.Hwnd(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&bounds)) !=
            LB_ERR &&
        bounds.bottom > client.top && bounds.top < client.bottom)
      info.bounds = ClientOnScreen(list_.Hwnd(), bounds);
    else
      info.state |= STATE_SYSTEM_OFFSCREEN;
    return info;
  }
  bool DoDefaultAction(long part) override {
    if (!HasPart(part) || list_.IsHeader(static_cast<int>(part - 1))) return false;
    list_.Toggle(static_cast<int>(part - 1));
    return true;
  }
  bool Select(long part) override {
    if (!HasPart(part)) return false;
    list_.Select(static_cast<int>(part - 1));
    return true;
  }
  long FocusedPart() const override { return CaretIndex() >= 0 ? CaretIndex() + 1 : kSelf; }
  long SelectedPart() const override { return list_.Selected() + 1; }
  long PartAt(POINT screen) const override {
    ScreenToClient(list_.Hwnd(), &screen);
    const LRESULT hit =
        SendMessageA(list_.Hwnd(), LB_ITEMFROMPOINT, 0, MAKELPARAM(screen.x, screen.y));
    return HIWORD(hit) || LOWORD(hit) >= list_.rows_.size() ? kSelf : LOWORD(hit) + 1;
  }

 private:
  int CaretIndex() const {
    if (list_.rows_.empty()) return -1;
    const LRESULT caret = SendMessageA(list_.Hwnd(), LB_GETCARETINDEX, 0, 0);
    return caret == LB_ERR ? -1 : static_cast<int>(caret);
  }
  CheckList& list_;
};

CheckList::CheckList() : accessible_(std::make_unique<Accessible>(*this)) {}

AccessibleModel* CheckList::Accessibility() {
  return accessible_.get();
}
CheckList::~CheckList() = default;

bool CheckList::Create(HWND parent, const CreateArgs& args) {
  name_ = args.name;
  SetFontSpec(args.font);
  return CreateControl("LISTBOX", "",
                       WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_OWNERDRAWFIXED |
                           LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                       WS_EX_CLIENTEDGE, parent, args.bounds, args.id);
}

int CheckList::RowHeight() const {
  return CurrentDpi().Scale(18);
}
int CheckList::BoxSize() const {
  return CurrentDpi().Scale(13);
}

void CheckList::OnFontChanged() {
  if (!Hwnd()) return;
  SendMessageA(Hwnd(), LB_SETITEMHEIGHT, 0, RowHeight());
  UpdateExtent();
}

int CheckList::AddItem(const std::string& text, bool checked) {
  rows_.push_back({text, false, checked});
  SendMessageA(Hwnd(), LB_ADDSTRING, 0, 0);
  WidenFor(rows_.back());
  return Count() - 1;
}

int CheckList::AddHeader(const std::string& text) {
  rows_.push_back({text, true, false});
  SendMessageA(Hwnd(), LB_ADDSTRING, 0, 0);
  WidenFor(rows_.back());
  return Count() - 1;
}

int CheckList::Count() const {
  return static_cast<int>(rows_.size());
}

std::string CheckList::ItemText(int index) const {
  return index >= 0 && index < Count() ? rows_[index].text : std::string();
}

bool CheckList::IsHeader(int index) const {
  return index >= 0 && index < Count() && rows_[index].header;
}

bool CheckList::IsChecked(int index) const {
  return index >= 0 && index < Count() && rows_[index].checked;
}

void CheckList::SetChecked(int index, bool checked) {
  if (index < 0 || index >= Count() || rows_[index].header) return;
  if (rows_[index].checked == checked) return;
  rows_[index].checked = checked;
  RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), index + 1);
  RECT row{};
  if (SendMessageA(Hwnd(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&row)) != LB_ERR)
    InvalidateRect(Hwnd(), &row, FALSE);
}

void CheckList::Clear() {
  rows_.clear();
  extent_ = 0;
  SendMessageA(Hwnd(), LB_SETHORIZONTALEXTENT, 0, 0);
  SendMessageA(Hwnd(), WM_HSCROLL, SB_TOP, 0);
  SendMessageA(Hwnd(), LB_RESETCONTENT, 0, 0);
}

int CheckList::Selected() const {
  const LRESULT index = SendMessageA(Hwnd(), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void CheckList::Select(int index) {
  SendMessageA(Hwnd(), LB_SETCURSEL, index, 0);
}

int CheckList::HorizontalExtent() const {
  return extent_;
}

int CheckList::RowWidth(HDC dc, const Row& row, HFONT normal, HFONT bold) const {
  SelectScope select(dc, row.header ? bold : normal);
  const SIZE size = MeasureUiText(dc, row.text);
  const int indent = row.header ? CurrentDpi().Scale(4) : BoxSize() + CurrentDpi().Scale(10);
  return indent + static_cast<int>(size.cx) + CurrentDpi().Scale(8);
}

int CheckList::MeasureRows(const Row* first, const Row* last) const {
  WindowDc dc(Hwnd());
  FontSpec boldSpec = Font();
  boldSpec.bold = true;
  ScopedFont bold = CreateUiFont(boldSpec, CurrentDpi());
  ScopedFont normal = CreateUiFont(Font(), CurrentDpi());
  int widest = 0;
  for (const Row* row = first; row != last; ++row)
    widest = std::max(widest, RowWidth(dc.Get(), *row, normal.Get(), bold.Get()));
  return widest;
}

// A row added only ever widens the list, so only it is measured: a snapshot
// of thousands of entries fills in linear time.
void CheckList::WidenFor(const Row& row) {
  if (!Hwnd()) return;
  const int width = MeasureRows(&row, &row + 1);
  if (width <= extent_) return;
  extent_ = width;
  SendMessageA(Hwnd(), LB_SETHORIZONTALEXTENT, extent_, 0);
}

void CheckList::UpdateExtent() {
  if (!Hwnd()) return;
  extent_ = MeasureRows(rows_.data(), rows_.data() + rows_.size());
  SendMessageA(Hwnd(), LB_SETHORIZONTALEXTENT, extent_, 0);
}

void CheckList::Toggle(int index) {
  if (index < 0 || index >= Count() || rows_[index].header) return;
  SetChecked(index, !rows_[index].checked);
  if (onToggled) onToggled(index, rows_[index].checked);
}

LRESULT CheckList::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS) {
    const LRESULT result = Default(message, wParam, lParam);
    if (const long part = accessible_->FocusedPart())
      RaiseAccessibleEvent(EVENT_OBJECT_FOCUS, Hwnd(), part);
    return result;
  }
  if (message == WM_KEYDOWN && wParam == VK_SPACE) {
    Toggle(static_cast<int>(SendMessageA(Hwnd(), LB_GETCURSEL, 0, 0)));
    return 0;
  }
  if (message == WM_RBUTTONDOWN) {
    const LRESULT hit = SendMessageA(Hwnd(), LB_ITEMFROMPOINT, 0, lParam);
    if (!HIWORD(hit)) Select(LOWORD(hit));
    return 0;
  }
  if (message == WM_CONTEXTMENU && onContextMenu) {
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // From the keyboard: at the selected row, or the list's corner.
    if (screen.x == -1 && screen.y == -1) {
      RECT row{};
      if (SendMessageA(Hwnd(), LB_GETITEMRECT, std::max(Selected(), 0),
                       reinterpret_cast<LPARAM>(&row)) == LB_ERR)
        row = {};
      screen = {row.left + CurrentDpi().Scale(16), row.bottom};
      ClientToScreen(Hwnd(), &screen);
    }
    onContextMenu(screen);
    return 0;
  }
  if (message == WM_LBUTTONDOWN) {
    const LRESULT hit = SendMessageA(Hwnd(), LB_ITEMFROMPOINT, 0, lParam);
    const int index = LOWORD(hit);
    const int x = GET_X_LPARAM(lParam) + GetScrollPos(Hwnd(), SB_HORZ);
    const LRESULT result = Default(message, wParam, lParam);
    if (!HIWORD(hit) && x < BoxSize() + CurrentDpi().Scale(8)) Toggle(index);
    return result;
  }
  return Default(message, wParam, lParam);
}

bool CheckList::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (IsCommand(message, wParam, LBN_SELCHANGE)) {
    const int selected = Selected();
    if (selected >= 0) {
      if (GetFocus() == Hwnd()) RaiseAccessibleEvent(EVENT_OBJECT_FOCUS, Hwnd(), selected + 1);
      RaiseAccessibleEvent(EVENT_OBJECT_SELECTION, Hwnd(), selected + 1);
    }
    return false;
  }
  if (message != WM_DRAWITEM) return false;
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  result = TRUE;
  if (item->itemID == static_cast<UINT>(-1) || item->itemID >= rows_.size()) return true;
  const Row& row = rows_[item->itemID];
  HDC dc = item->hDC;
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  FillRect(dc, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  RECT text = item->rcItem;
  if (row.header) {
    text.left += CurrentDpi().Scale(4);
  } else {
    const int box = BoxSize();
    const int top = item->rcItem.top + (Height(item->rcItem) - box) / 2;
    RECT glyph = MakeRect(item->rcItem.left + CurrentDpi().Scale(4), top, box, box);
    DrawFrameControl(dc, &glyph, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (row.checked ? DFCS_CHECKED : 0));
    text.left = glyph.right + CurrentDpi().Scale(6);
  }
  FontSpec fontSpec = Font();
  fontSpec.bold = row.header;
  ScopedFont font = CreateUiFont(fontSpec, CurrentDpi());
  SelectScope select(dc, font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected     ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                   : row.header ? ForeColour(kCaptionColour)
                                : GetSysColor(COLOR_WINDOWTEXT));
  DrawUiText(dc, row.text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &item->rcItem);
  return true;
}

}  // namespace hvm::ui
