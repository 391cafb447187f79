// The restore page "Restore Changes": choose an undo snapshot, see what it
// holds as a checkable list, and put the checked entries back.
#pragma once

#include <functional>
#include <string>

#include "core/dialog_service.h"
#include "results/restore_choice.h"
#include "results/suppression.h"
#include "ui/controls.h"
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
  };
  RestorePage(SuppressionLists& suppression, DialogService& dialogs)
      : suppression_(suppression), dialogs_(dialogs) {}
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds, Hooks hooks);

  // The page is turned to: old and empty snapshots go, the newest is chosen.
  void LoadSnapshotList();
  void LoadSnapshotContents();
  void RestoreChecked();

  ui::DropDownList& Chooser() { return chooser_; }
  ui::CheckList& List() { return list_; }
  std::string CountText() const { return count_.Text(); }
  ui::Button& RestoreButton() { return restore_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateControls();
  std::string ChosenName() const;
  void LayOut();

  SuppressionLists& suppression_;
  DialogService& dialogs_;
  Hooks hooks_;
  std::vector<std::string> names_;
  ui::Label title_, select_, contents_, explanation_, count_;
  ui::DropDownList chooser_;
  ui::CheckBox autoDelete_, checkAll_;
  ui::CheckList list_;
  ui::Button restore_;
};

}  // namespace hvm
