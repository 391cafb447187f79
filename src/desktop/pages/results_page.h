// The results page (window class "TfResults"): the problems of the last scan as a two-level
// checkable tree, the count, the caution note, the date of the last scan, the
// detail band that tells why the chosen problem was found, and the buttons
// that repair, make a restore point and scan again. The tree's rules and what
// the band says live in ResultsTree; this window draws them and forwards the
// clicks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/results/results_tree.h"
#include "ui/controls.h"
#include "ui/detail_band.h"
#include "ui/image_button.h"
#include "ui/picture.h"
#include "ui/tree_view.h"
#include "ui/window.h"

namespace hvm {

class ResultsPage : public ui::Window {
 public:
  // The window class other programs and tests find it by; never changes.
  static constexpr char kClassName[] = "TfResults";
  // 96-dpi units the detail band takes from the tree's height at every size;
  // the main window is that much taller, so that at its smallest the tree
  // keeps the height it had without the band.
  static constexpr int kDetailBandRoom = 44;
  struct Hooks {
    std::function<void()> repair;     // the repair button
    std::function<void()> backup;     // the backup button
    std::function<void()> scanAgain;  // "Run Scan Again "
    // The switches of the sections shown, read when the tree is built.
    std::function<const SectionSwitches&()> switches;
    std::function<std::string()> lastScanDate;  // short date, or empty
    // "Open Folder": shows the folder in the shell.
    std::function<void(const std::string& folder)> openFolder;
  };
  ResultsPage(ResultsStore& results) : results_(results), model_(results) {}
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);

  // Called at every page switch; builds the tree when the store changed.
  void ShowResults(bool visible);
  void BuildTree();
  bool ShownOnce() const { return shownOnce_; }

  ResultsTree& Model() { return model_; }
  ui::TreeView& Tree() { return tree_; }
  std::string CountText() const { return count_.Text(); }
  std::string SummaryText() const { return summary_.Text(); }
  bool CautionShown() const { return caution_.IsVisible(); }
  ui::ImageButton& RepairButton() { return repair_; }
  ui::ImageButton& BackupButton() { return backup_; }
  ui::Label& ScanAgainLink() { return scanAgain_; }
  // What a tree row carries: its section, and its index in the section's
  // list (-1 for the section's own row). A section may hold any number of
  // items, so the index has the low 32 bits to itself.
  static LPARAM DataFor(int section, int index) {
    return LPARAM((uint64_t(uint32_t(section)) << 32) | uint32_t(index + 1));
  }
  static int SectionOf(LPARAM data) { return static_cast<int>(uint64_t(data) >> 32); }
  static int IndexOf(LPARAM data) { return static_cast<int>(uint64_t(data) & 0xFFFFFFFFu) - 1; }
  // The context menu's commands, for the selected row.
  void IgnoreSelected();
  void SelectAllOfSelected(bool on);
  // "Copy Details": the selected problem's line, rule and target on the
  // clipboard; false when none is selected or the clipboard refused.
  bool CopySelectedDetails();
  // "Open Folder": the folder of the selected problem's file, when it exists.
  void OpenSelectedFolder();
  // The context menu of `item` as it would open.
  ui::ScopedMenu ContextMenuFor(HTREEITEM item);

  // What the detail band says now, and its two buttons.
  const FindingDetails& Details() const { return details_; }
  ui::DetailBand& Band() { return band_; }
  ui::ImageButton& CopyDetailsButton() { return copyDetails_; }
  ui::ImageButton& OpenFolderButton() { return openFolder_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  ui::RowLook LookOf(LPARAM data);
  void Toggle(HTREEITEM item);
  // The context menu for `item` at a point of the screen.
  void ShowContextMenu(HTREEITEM item, POINT screen);
  // The band follows the selected row (none: the prompt).
  void ShowDetailsOf(HTREEITEM item);
  void LayOut();
  void Paint();

  ResultsStore& results_;
  ResultsTree model_;
  Hooks hooks_;
  bool shownOnce_ = false;
  ui::TreeView tree_;
  ui::Label title_, attention_, count_, caution_, date_, summary_, scanAgain_;
  ui::ImageButton repair_, backup_;
  ui::Picture repairStrip_, backupStrip_;
  ui::DetailBand band_;
  ui::ImageButton copyDetails_, openFolder_;
  ui::Picture copyStrip_, openStrip_;
  FindingDetails details_ = DetailsOfNothing();
  ui::Picture unchecked_, checked_, partial_, collapsed_, expanded_, cautionIcon_;
  ui::Picture cautionScaled_;
};

}  // namespace hvm
