// A tree view whose rows are drawn by the toolkit from a look the page gives
// per row: background, an arrow for rows with children, a check glyph
// (unchecked, checked, partly checked), an optional icon, the text and a text
// at the right edge. Clicks report which part of the row was hit. Screen
// readers read the same looks: each row an outline item with its text, its
// check and open state and its right text; its default action checks it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/accessible.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm::ui {

enum class CheckGlyph { kNone, kUnchecked, kChecked, kPartial };
enum class RowPart { kNothing, kArrow, kCheck, kIcon, kText };

struct RowLook {
  std::string text;
  std::string rightText;  // drawn right-aligned, e.g. "3 of 7 Items"
  COLORREF textColour = kTextColour;
  COLORREF rightColour = kWarningColour;
  COLORREF background = kPageColour;
  bool bold = false;
  bool arrow = false;  // a row with children shows the expand arrow
  CheckGlyph check = CheckGlyph::kNone;
  const Picture* icon = nullptr;  // 16 x 16 at 96 dpi, drawn from a 2x picture
  // A row set aside (an ignored item): in high contrast grey and slanted, so
  // that it differs without colour too.
  bool dimmed = false;
  // Words a screen reader adds to the row's description ("Ignored").
  std::string note;
};

// Where the parts of a row go: each level indents by one step; the arrow (its
// place kept on rows without one), the check glyph and the icon each take a
// 16-unit square with gaps.
struct RowGeometry {
  RECT arrow{}, check{}, icon{}, text{};
};
RowGeometry LayoutRow(const RECT& row, int level, const RowLook& look, Dpi dpi);
RowPart HitTestRow(const RowGeometry& geometry, const RowLook& look, POINT point);

// The glyph pictures the tree draws, at twice the 96-dpi size.
struct TreeGlyphs {
  const Picture* unchecked = nullptr;
  const Picture* checked = nullptr;
  const Picture* partial = nullptr;
  const Picture* collapsed = nullptr;
  const Picture* expanded = nullptr;
};

class TreeView : public Control {
 public:
  TreeView();
  ~TreeView() override;
  struct CreateArgs {
    RECT bounds{};
    FontSpec font;
    int rowHeight = 20;  // 96-dpi units
    TreeGlyphs glyphs;
    int id = 0;
    std::string name;  // what screen readers call the tree
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);

  HTREEITEM AddRow(HTREEITEM parent, LPARAM data);
  void Clear();
  LPARAM DataOf(HTREEITEM item) const;
  int LevelOf(HTREEITEM item) const;
  bool IsExpanded(HTREEITEM item) const;
  void Expand(HTREEITEM item, bool expand);
  HTREEITEM Selected() const;
  void Select(HTREEITEM item);
  void Redraw(HTREEITEM item);         // after its look changed
  RECT RowRect(HTREEITEM item) const;  // client coordinates, full width
  // The row and its part under a client point.
  std::pair<HTREEITEM, RowPart> HitTest(POINT client) const;

  // Runs `change` (which may change the check glyphs of `item`, its parent
  // and its children), repaints and tells screen readers which rows' checks
  // changed.
  void ChangingChecks(HTREEITEM item, const std::function<void()>& change);

  // The look of a row, asked for at every paint.
  std::function<RowLook(HTREEITEM item, LPARAM data)> rowLook;
  // A click on a part of a row; a check is toggled through kCheck, also when
  // a screen reader asks for the row's default action.
  std::function<void(HTREEITEM item, RowPart part)> onClick;
  // The context menu for `item` at a point of the screen: a right click, or
  // Shift+F10 and the menu key at the selected row.
  std::function<void(HTREEITEM item, POINT screen)> onContextMenu;
  // A key pressed on the selected row; true when the page handled it.
  std::function<bool(HTREEITEM item, WORD key)> onKey;
  // The row under the mouse changed (null when it left the rows).
  std::function<void(HTREEITEM item)> onHover;

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFontChanged() override;
  AccessibleModel* Accessibility() override;

 private:
  class Accessible;
  // The number a screen reader knows a row by, given on first use and kept
  // until Clear; 0 for no row.
  long PartOf(HTREEITEM item) const;
  HTREEITEM ItemOf(long part) const;
  // The rows a reader can reach: those not inside a closed row, top to bottom.
  std::vector<HTREEITEM> ShownRows() const;
  HTREEITEM Next(HTREEITEM item, UINT relation) const;
  CheckGlyph CheckOf(HTREEITEM item) const { return item ? LookOf(item).check : CheckGlyph::kNone; }
  void ShowContextMenu(HTREEITEM item, POINT screen);
  void DrawPlainGlyph(HDC dc, CheckGlyph check, const RECT& where);
  void DrawPlainArrow(HDC dc, bool expanded, const RECT& where, COLORREF colour);

  // Sends a message straight to the tree control's own procedure.
  LRESULT Direct(UINT message, WPARAM wParam, LPARAM lParam) const;
  RowLook LookOf(HTREEITEM item) const;
  HFONT RowFont(bool bold, bool italic = false);
  void DrawRow(HDC dc, HTREEITEM item, const RECT& row, bool selected);
  void DrawGlyph(HDC dc, const Picture* picture, const RECT& where);
  const Picture* Scaled(const Picture* picture, int side);

  TreeGlyphs glyphs_;
  std::string name_;
  WNDPROC treeProcedure_ = nullptr;
  ScopedFont rowFonts_[4];  // normal, bold, italic, bold italic
  int fontDpi_ = 0;         // of rowFonts_; 0: to be made
  int rowHeight_ = 20;
  HTREEITEM hover_ = nullptr;
  bool expandTold_ = false;  // the control reported the expansion being made
  // Each glyph shrunk once for the current DPI.
  struct ScaledGlyph {
    const Picture* source = nullptr;
    int side = 0;
    Picture picture;
  };
  ScaledGlyph scaled_[8];
  mutable std::unordered_map<HTREEITEM, long> parts_;
  mutable std::vector<HTREEITEM> partItems_;  // part n at n - 1
  std::unique_ptr<Accessible> accessible_;
};

}  // namespace hvm::ui
