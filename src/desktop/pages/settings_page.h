// The settings page SettingsPage: four tabs ("General", "Custom Scan", "Ignore
// List", "Monitor") over the settings file. Its state and rules live in
// SettingsPageModel; this window draws them and forwards the user's choices.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "engine/settings/settings_page_model.h"
#include "ui/animation.h"
#include "ui/controls.h"
#include "ui/picture.h"
#include "ui/secondary_button.h"
#include "ui/window.h"

namespace hvm {

class SettingsPage : public ui::Window {
 public:
  explicit SettingsPage(SettingsPageModel::Services services);
  ~SettingsPage() override;
  [[nodiscard]] bool Create(HWND parent, const RECT& bounds);

  // ReadSettings, WriteSettings and ShowSettings of the main window.
  void ReadSettings();
  void StoreInto(ProgramSettings& settings) const { model_.StoreInto(settings); }
  void ShowSettings(bool visible);

  // The shown tab; the main window opens its help topic.
  SettingsTab Tab() const { return model_.Tab(); }
  void SelectTab(SettingsTab tab);

  // "&Backup Registry": what a click runs, whether it may be clicked, and the
  // animation with "Backup Registry in Progress..." while a backup runs.
  void SetBackupHandler(std::function<void()> handler) { backupHandler_ = std::move(handler); }
  void EnableBackup(bool enabled);
  void ShowBackupRunning(bool running);

  // The list's context menu item "Remove from the Ignore List": enabled while
  // a row is selected; removes that row.
  bool RemoveEnabled() const;
  void RemoveSelected();

  const SettingsPageModel& Model() const { return model_; }
  ui::TabControl& Tabs() { return tabs_; }
  ui::CheckBox& RestorePointBox() { return restorePoint_; }
  const ui::Label& Title() const { return title_; }
  const ui::Label& RestorePointNote() const { return note_; }
  ui::DropDownList& ActionBox() { return action_; }
  ui::DropDownList& FrequencyBox() { return frequency_; }
  const ui::Label& FrequencyLabel() const { return frequencyLabel_; }
  ui::SecondaryButton& BackupButton() { return backup_; }
  const ui::Label& BackupProgressLabel() const { return backupProgress_; }
  ui::SecondaryButton& ResetButton() { return reset_; }
  ui::CheckBox& SectionBox(int section) { return sections_[section - 1]; }
  ui::ListView& IgnoreList() { return ignoreList_; }
  ui::NumberBox& PromptBox() { return prompt_; }
  ui::SecondaryButton& SaveButton() { return save_; }
  const ui::Label& MonitorDescription() const { return monitorDescription_; }
  // The notes "Set by your administrator" beside the controls a policy holds.
  const ui::Label& RestorePointLockNote() const { return restorePointLock_; }
  const ui::Label& ActionLockNote() const { return actionLock_; }
  const ui::Label& FrequencyLockNote() const { return frequencyLock_; }
  const ui::Label& SectionsLockNote() const { return sectionsLock_; }
  const ui::Label& PromptLockNote() const { return promptLock_; }
  // The panel a tab's controls stand on.
  ui::Window& Panel(SettingsTab tab);

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(ui::Dpi dpi) override;

 private:
  class TabPanel;

  bool CreateGeneral(HWND panel);
  bool CreateCustomScan(HWND panel);
  bool CreateIgnoreList(HWND panel);
  bool CreateMonitor(HWND panel);
  void Bind();
  // The model's state into the controls.
  void Refresh();
  void ShowLocks();
  void FillIgnoreList();
  void FitKeyColumn();
  void ShowContextMenu(POINT screen);
  void LayOut();
  void LayOutGeneral(int width);
  void LayOutCustomScan(int width);
  void LayOutIgnoreList(int width, int height);
  void LayOutMonitor(int width);
  std::vector<ui::Control*> AllControls();

  SettingsPageModel model_;
  std::function<void()> backupHandler_;
  bool forwardingWheel_ = false;
  ui::TabControl tabs_;
  std::array<std::unique_ptr<TabPanel>, 4> panels_;

  // "General".
  // The page's title, where the restore page has its own.
  ui::Label title_;
  ui::Label scanHeading_, note_, startupHeading_, actionLabel_, frequencyLabel_, backupHeading_,
      backupProgress_, countersHeading_, countersLabel_;
  ui::CheckBox restorePoint_, repairAll_, repairSafe_;
  ui::DropDownList action_, frequency_;
  ui::SecondaryButton backup_, reset_;
  ui::Picture animationStrip_;
  ui::Animation animation_;
  ui::Label restorePointLock_, actionLock_, frequencyLock_;
  // "Custom Scan".
  ui::Label customLabel_, sectionsLock_;
  std::array<ui::CheckBox, 24> sections_;
  // "Ignore List".
  ui::Label ignoreLabel_, ignoreNote_;
  ui::ListView ignoreList_;
  // "Monitor".
  ui::Label monitorHeading_, monitorDescription_, notifyLabel_, eventsLabel_, monitorNote_,
      promptLock_;
  ui::NumberBox prompt_;
  ui::SecondaryButton save_;
};

}  // namespace hvm
