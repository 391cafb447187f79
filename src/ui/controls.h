// The platform's standard controls, each a thin object over its window with a
// struct of defaulted creation arguments and typed callbacks.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/accessible.h"
#include "ui/window.h"

namespace hvm::ui {

// Static text: colour, bold and underline through its font description.
class Label : public Control {
 public:
  struct CreateArgs {
    std::string text;
    RECT bounds{};
    FontSpec font;
    COLORREF colour = kTextColour;
    COLORREF background = kPageColour;
    bool wrap = false;  // word-wrap within its width
    bool centred = false;
    bool rightAligned = false;
    bool mnemonic = false;  // "&" underlines the next letter and is not shown
    int id = 0;
    // One line centred in the label's height, so that a label given the
    // bounds of the control beside it lines up with that control's text.
    bool middle = false;
    // A link: a tab stop with a focus mark that Enter, Space, its letter and
    // a click press (onClick); screen readers read it as a link.
    bool link = false;
  };
  Label();
  ~Label() override;
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  void SetColour(COLORREF colour);
  COLORREF Colour() const { return colour_; }
  // A link label was pressed.
  std::function<void()> onClick;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  AccessibleModel* Accessibility() override;

 private:
  class LinkParts;
  void Press();
  COLORREF colour_ = kTextColour;
  COLORREF background_ = kPageColour;
  ScopedBrush backgroundBrush_;
  bool link_ = false;
  std::unique_ptr<LinkParts> linkParts_;
};

class Button : public Control {
 public:
  struct CreateArgs {
    std::string text;
    RECT bounds{};
    FontSpec font;
    bool isDefault = false;
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  std::function<void()> onClick;
  // Presses the button as a click of the user would.
  void Click();
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CheckBox : public Control {
 public:
  struct CreateArgs {
    std::string text;
    RECT bounds{};
    FontSpec font;
    bool checked = false;
    int id = 0;
    // The caption's colour where the page's text has one; CLR_INVALID keeps
    // the system's.
    COLORREF colour = CLR_INVALID;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  bool IsChecked() const;
  void SetChecked(bool checked);  // no onChanged: only the user's clicks report
  std::function<void(bool checked)> onChanged;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  COLORREF colour_ = CLR_INVALID;
};

// A drop-down list the user picks from (no typing).
class DropDownList : public Control {
 public:
  struct CreateArgs {
    std::vector<std::string> items;
    int selected = -1;
    RECT bounds{};  // the height is that of the closed box; the list drops below
    FontSpec font;
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  void SetItems(const std::vector<std::string>& items);
  int Selected() const;  // -1: none
  void Select(int index);
  int Count() const;
  std::function<void(int index)> onSelected;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// An edit box that takes digits only.
class NumberBox : public Control {
 public:
  struct CreateArgs {
    unsigned value = 0;
    RECT bounds{};
    FontSpec font;
    int maxDigits = 9;
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  // The number shown; `fallback` when the box is empty.
  unsigned Value(unsigned fallback = 0) const;
  void SetValue(unsigned value);
  std::function<void()> onChanged;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class TabControl : public Control {
 public:
  struct CreateArgs {
    std::vector<std::string> tabs;
    RECT bounds{};
    FontSpec font;
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  int Selected() const;
  void Select(int index);  // no onSelected: only the user's choice reports
  // The area inside the tabs where a tab's controls go, in the parent's coordinates.
  RECT PageArea() const;
  std::function<void(int index)> onSelected;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The colours the tabs are drawn in (the system's in high contrast).
  static COLORREF RimColour();
  static COLORREF ChosenFace();
  static COLORREF OtherFace();

 protected:
  void OnFontChanged() override;
  // The control keeps its keys, clicks and layout; the program draws it, in
  // the family of its other controls rather than the platform's 3-D tabs.
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc, const RECT& client) const;
};

class TrackBar : public Control {
 public:
  struct CreateArgs {
    int minimum = 0;
    int maximum = 10;
    int position = 0;
    RECT bounds{};
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  int Position() const;
  void SetPosition(int position);
  std::function<void(int position)> onChanged;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// A report-style list with columns.
class ListView : public Control {
 public:
  struct Column {
    std::string caption;
    int width = 100;  // 96-dpi units
    // A text too long for the column loses its middle instead of its end and
    // keeps its last part after a backslash, as paths do:
    // "HKEY_CURRENT_USER\Soft...\Run".
    bool pathEllipsis = false;
  };
  struct CreateArgs {
    std::vector<Column> columns;
    RECT bounds{};
    FontSpec font;
    bool gridLines = false;
    // The last column takes what the others leave of the list's width, less
    // a vertical scroll bar, so that the header has no empty piece at its
    // right and no horizontal scroll bar appears once rows fill the list.
    bool lastColumnFills = false;
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  // Appends a row; returns its index.
  int AddRow(const std::vector<std::string>& cells);
  int RowCount() const;
  std::string Cell(int row, int column) const;
  // The text the cell shows at the column's present width.
  std::string ShownText(int row, int column) const;
  void Clear();
  int SelectedRow() const;  // -1: none
  // Selects and focuses `row`; -1 selects none.
  void SelectRow(int row);
  void EnsureVisible(int row);
  // In 96-dpi units; kept when the font changes with the DPI.
  void SetColumnWidth(int column, int width);
  std::function<void(int row)> onSelected;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void OnFontChanged() override;
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FitLastColumn();
  bool IsPathColumn(int column) const;
  // Draws a cell of a path-ellipsis column (NM_CUSTOMDRAW); the list draws the rest.
  LRESULT CustomDraw(LPARAM lParam) const;

  std::vector<Column> columns_;
  bool lastColumnFills_ = false;
};

// A list with a check box per row, header rows without one, and a horizontal
// extent for lines wider than the list.
class CheckList : public Control {
 public:
  struct CreateArgs {
    RECT bounds{};
    FontSpec font;
    int id = 0;
    std::string name;  // what screen readers call the list
  };
  CheckList();
  ~CheckList() override;
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);
  int AddItem(const std::string& text, bool checked = false);
  int AddHeader(const std::string& text);
  int Count() const;
  std::string ItemText(int index) const;
  bool IsHeader(int index) const;
  bool IsChecked(int index) const;
  void SetChecked(int index, bool checked);  // headers stay without a check
  void Clear();
  // The highlighted row, or -1.
  int Selected() const;
  void Select(int index);
  // The widest row in pixels, for the horizontal scroll range.
  int HorizontalExtent() const;
  // The user toggled row `index` (click on its box, or the space bar).
  std::function<void(int index, bool checked)> onToggled;
  // The context menu is asked for at `screen`; a right click first selects
  // the row under the mouse.
  std::function<void(POINT screen)> onContextMenu;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  LRESULT OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFontChanged() override;
  AccessibleModel* Accessibility() override;

 private:
  class Accessible;
  struct Row {
    std::string text;
    bool header = false;
    bool checked = false;
  };
  void Toggle(int index);
  void UpdateExtent();
  int RowWidth(HDC dc, const Row& row, HFONT normal, HFONT bold) const;
  void WidenFor(const Row& row);
  // The widest of the rows [first, last) in pixels.
  int MeasureRows(const Row* first, const Row* last) const;
  int RowHeight() const;
  int BoxSize() const;
  std::vector<Row> rows_;
  int extent_ = 0;
  std::string name_;
  std::unique_ptr<Accessible> accessible_;
};

}  // namespace hvm::ui
