// The restore page "Restore Changes": choose an undo snapshot, see what it
// holds as a checkable list, and put the checked entries back. A band under
// the list tells which repair removed the chosen entry.
#pragma once

#include <functional>
#include <string>

#include "desktop/pages/registry_editor.h"
#include "engine/core/dialog_service.h"
#include "engine/results/finding_details.h"
#include "engine/results/restore_choice.h"
#include "engine/results/suppression.h"
#include "engine/results/undo_restore.h"
#include "ui/controls.h"
#include "ui/detail_band.h"
#include "ui/text_printer.h"
#include "ui/window.h"

namespace hvm {

class RestorePage : public ui::Window {
 public:
  struct Hooks {
    std::string dataFolder;
    std::function<std::string()> todayName;  // "Undo" + yyyymmdd
    std::function<bool()> deleteAfterWeek;   // the setting
    std::function<void(bool)> setDeleteAfterWeek;
    std::function<void()> restored;  // the results total is to be cleared
    // "&Print List": the system's print dialog and printer unless replaced.
    std::function<ui::PrintResult(const std::vector<std::string>& lines)> print;
    // "Show &Key": the system's registry editor unless replaced.
    RegistryEditor* registryEditor = nullptr;
    std::function<void()> showFullBackups;  // the full registry backups window
  };
  RestorePage(SuppressionLists& suppression, DialogService& dialogs)
      : suppression_(suppression), dialogs_(dialogs) {}
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);

  // The page is turned to: old and empty snapshots go, the newest is chosen.
  void LoadSnapshotList();
  void LoadSnapshotContents();
  // After a repair: the list of snapshots again, with `fileName` chosen when
  // it is there.
  void ShowSnapshot(const std::string& fileName);
  void RestoreChecked();
  // "&Print List": every entry of the list, one line each.
  void PrintList();
  // "Show &Key" of the list's context menu, for the selected entry.
  void ShowKey();

  ui::DropDownList& Chooser() { return chooser_; }
  ui::CheckList& List() { return list_; }
  std::string CountText() const { return count_.Text(); }
  ui::Button& RestoreButton() { return restore_; }
  ui::Button& PrintButton() { return print_; }
  ui::CheckBox& CheckAll() { return checkAll_; }
  ui::Button& FullBackupsButton() { return fullBackups_; }
  // What the band under the list says for the selected entry.
  const FindingDetails& Details() const { return details_; }
  ui::DetailBand& Band() { return band_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateControls();
  std::string ChosenName() const;
  void LayOut();
  void ShowContextMenu(POINT screen);
  // The band follows the selected entry.
  void ShowDetailsOfSelected();

  SuppressionLists& suppression_;
  DialogService& dialogs_;
  Hooks hooks_;
  std::vector<std::string> names_;
  std::vector<ListedSnapshotEntry> listed_;  // the list's entries, row by row
  FindingDetails details_;
  bool bandFilled_ = false;
  ui::Label title_, select_, contents_, explanation_, count_;
  ui::DropDownList chooser_;
  ui::CheckBox autoDelete_, checkAll_;
  ui::CheckList list_;
  ui::Button print_, restore_, fullBackups_;
  ui::DetailBand band_;
  PlatformRegistryEditor platformEditor_;
};

}  // namespace hvm
