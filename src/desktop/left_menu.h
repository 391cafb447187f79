// The left menu (window class "TfMenu"): one row per page with a background strip, the page's
// icon and its caption; the row of the current page is highlighted and carries
// the marker. A click hands the row's command to onClick; the owner decides
// what it does. Screen readers see a list whose rows are named by their
// captions, the current page's row selected.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "desktop/navigation.h"
#include "ui/accessible.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm {

class LeftMenu : public ui::Window, private ui::AccessibleModel {
 public:
  // The window class other programs and tests find it by; never changes.
  static constexpr char kClassName[] = "TfMenu";
  static constexpr int kWidth = 203;  // 96-dpi units: row strip and marker
  static constexpr int kRowWidth = 193;
  static constexpr int kRowHeight = 42;
  static constexpr int kFirstRowTop = 14;

  // The row index under a point of the menu (96-dpi units), or -1.
  static int RowAt(int y, int rowCount);

  [[nodiscard]] bool Create(HWND parent, const RECT& bounds);
  // Removes the rows of an earlier build and lays out `rows`.
  void Build(const std::vector<MenuRow>& rows);
  // Lights up the row with this command (and moves the marker to it).
  void Highlight(std::optional<Command> command);
  std::optional<Command> Highlighted() const { return highlighted_; }
  void EnableRows(bool enabled);
  bool RowsEnabled() const { return enabled_; }
  const std::vector<MenuRow>& Rows() const { return rows_; }
  // Hands the command of row `index` to onClick, as a click would.
  void ClickRow(int index);
  // The row the keyboard is on (moved with the arrow keys, opened with Enter
  // or Space); -1 before the menu first has the focus.
  int FocusedRow() const { return focusRow_; }
  // A row was clicked while the rows are enabled.
  std::function<void(Command command)> onClick;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;
  ui::AccessibleModel* Accessibility() override { return this; }

 private:
  // AccessibleModel: part n is row n - 1.
  std::vector<long> Parts() const override;
  bool HasPart(long part) const override;
  ui::AccessibleInfo Describe(long part) const override;
  bool DoDefaultAction(long part) override;
  bool Select(long part) override;
  long FocusedPart() const override { return focusRow_ >= 0 ? focusRow_ + 1 : ui::kSelf; }
  long SelectedPart() const override;
  long PartAt(POINT screen) const override;

  RECT RowStrip(int row) const;
  void Paint();
  void MoveFocusRow(int row);
  int HighlightedRow() const;
  const ui::Picture& IconFor(Command command);

  std::vector<MenuRow> rows_;
  std::optional<Command> highlighted_;
  int hover_ = -1;
  int focusRow_ = -1;
  bool enabled_ = true;
  ui::Picture rowPicture_, markerPicture_;
  ui::Picture rowScaled_, markerScaled_;
  std::map<Command, ui::Picture> icons_;  // scaled for the DPI, by command
  ui::ScopedFont normalFont_, currentFont_;
};

}  // namespace hvm
