// "Full Registry Backups": the full backups made so far, newest first, with
// a new backup made from here and a chosen one put back into place.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/backup/backup_folders.h"
#include "ui/controls.h"
#include "ui/secondary_button.h"
#include "ui/window.h"

namespace hvm {

class FullBackupsWindow : public ui::Window {
 public:
  static constexpr int kWidth = 560, kHeight = 360;  // 96-dpi units

  struct Hooks {
    std::string backupRoot;
    // Makes a full backup (command 2); the list is read again afterwards.
    std::function<void()> backupNow;
    // Puts the chosen backup back, with its own questions.
    std::function<void(const FullBackupFolder& backup)> putBack;
  };

  [[nodiscard]] bool Create(HWND owner, Hooks hooks);
  // Runs modally until Close, Esc or the close box.
  void RunModal();
  void Close() { done_ = true; }

  // Reads the backup folders again and shows them.
  void LoadList();
  const std::vector<FullBackupFolder>& Backups() const { return backups_; }
  ui::ListView& List() { return list_; }
  ui::SecondaryButton& PutBackButton() { return putBack_; }
  ui::SecondaryButton& BackupNowButton() { return backupNow_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PutBackChosen();

  HWND owner_ = nullptr;
  bool done_ = false;
  Hooks hooks_;
  std::vector<FullBackupFolder> backups_;
  ui::ScopedIcon icon_;
  ui::Label title_, explanation_, empty_;
  ui::ListView list_;
  ui::SecondaryButton backupNow_, putBack_, close_;
};

}  // namespace hvm
