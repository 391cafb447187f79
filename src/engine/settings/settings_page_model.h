// What the settings page shows and does, without a window: the state of every
// box, drop-down and label on its four tabs, the ignore list's rows, and what
// each choice writes to the settings file. The page window draws this state
// and forwards the user's choices here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/dialog_service.h"
#include "engine/results/ignore_list.h"
#include "engine/settings/automatic_startup.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/setting_policies.h"

namespace hvm {

namespace settings_text {
inline constexpr char kRestorePointCaption[] =
    "Create a Restore Point before repairing the registry";
inline constexpr char kFullBackupCaption[] = "Create a full backup of the Registry";
inline constexpr char kNoRestorePointNote[] =
    "This version of Windows doesn't support Restore Point  ";
inline constexpr char kPermanentRefusal[] =
    "The Selected Item is a Permanent Entry and cannot be Removed";
inline constexpr char kPermanentRefusalTitle[] = "Cannot be Removed";
}  // namespace settings_text

enum class SettingsTab { kGeneral = 0, kCustomScan = 1, kIgnoreList = 2, kMonitor = 3 };

inline constexpr int kActionCount = 3;     // "Disabled", "Scan and Repair", "Monitor"
inline constexpr int kFrequencyCount = 4;  // "Daily", "Weekly", "Bi-Weekly", "Monthly"
inline constexpr uint32_t kMaxMonitorPrompt = 999999999;  // nine digits, as the box takes

const std::vector<std::string>& ActionItems();
const std::vector<std::string>& FrequencyItems();
const std::array<std::string, 4>& SettingsTabCaptions();

class SettingsPageModel {
 public:
  struct Services {
    std::string settingsPath;
    std::string dataFolder;  // holds the ignore file
    StartupEntry* startup = nullptr;
    DialogService* dialogs = nullptr;
    std::function<bool()> restorePointsAvailable;
    int windowsVersionCode = 0;
  };

  struct RestorePointBox {
    std::string caption = settings_text::kRestorePointCaption;
    bool checked = true;
    bool enabled = true;
    bool noteShown = false;
    bool locked = false;  // a policy holds it: disabled, "Set by your administrator"
  };

  explicit SettingsPageModel(Services services);

  // The settings page's share of ReadSettings: the record into the page, then
  // the start-up handling once.
  void ReadSettings();
  // The page's share of WriteSettings: its boxes into `settings`.
  void StoreInto(ProgramSettings& settings) const;
  // The main window tells the page at every page change whether it is the
  // visible one (ShowSettings).
  void ShowSettings(bool visible);

  // The user's choices.
  void SelectTab(SettingsTab tab) { tab_ = tab; }
  void ChooseAction(int index);
  void ChooseFrequency(int index);
  void SetRestorePoint(bool checked);
  void SetSection(int section, bool checked);
  void SetRepairAll(bool checked) { repairAll_ = checked; }
  void SetRepairSafe(bool checked) { repairSafe_ = checked; }
  // What the monitor box holds; nothing while it is empty.
  void SetMonitorPromptEntry(std::optional<uint32_t> value) { promptEntry_ = value; }
  void ResetCounters();
  // "Save": false (nothing written) while the box is empty.
  bool SaveMonitorPrompt();
  // Removes the row of the ignore list (Permanent rows are refused) and fills
  // the list again.
  void RemoveIgnoreRow(int row);
  void FillIgnoreList();

  // The state the page shows.
  SettingsTab Tab() const { return tab_; }
  bool Visible() const { return visible_; }
  const RestorePointBox& RestorePoint() const { return restorePoint_; }
  int Action() const { return action_; }
  int Frequency() const { return frequency_; }
  bool FrequencyShown() const { return action_ == kAutoScanAndRepair; }
  bool SectionChecked(int section) const;
  bool RepairAll() const { return repairAll_; }
  bool RepairSafe() const { return repairSafe_; }
  // Whether a policy holds the settings key (as the file spells it): its
  // control shows the policy's value, disabled, with the note "Set by your
  // administrator", and the user's choices for it change nothing. Read with
  // the settings, and again whenever the page is shown.
  bool Locked(std::string_view settingKey) const;
  bool SectionLocked(int section) const;
  bool AnySectionLocked() const;
  // The number the monitor box shows after the settings were read or saved.
  uint32_t MonitorPrompt() const { return monitorPrompt_; }
  const std::vector<IgnoreRow>& IgnoreRows() const { return ignoreRows_; }
  // The key texts the "Key" column is measured against: the protected keys and
  // the ignore file's rows.
  std::vector<std::string> KeyColumnTexts() const;
  static std::string SectionCaption(int section);

 private:
  void StartupHandling(bool chosenByUser);
  void TakeSettings(const ProgramSettings& settings);
  void RefreshLocks();
  void LoadRestorePointBox(const ProgramSettings& settings);
  void StoreBoxes(ProgramSettings& settings) const;
  bool Save(const ProgramSettings& settings);
  void Warn(const std::string& text);
  std::string IgnoreFilePath() const;

  Services services_;
  SettingsTab tab_ = SettingsTab::kGeneral;
  bool visible_ = false;
  RestorePointBox restorePoint_;
  int action_ = kAutoDisabled;
  int frequency_ = 0;
  std::array<bool, 25> sections_{};  // index = section number
  bool repairAll_ = false;
  bool repairSafe_ = false;
  uint32_t monitorPrompt_ = 300;
  std::optional<uint32_t> promptEntry_ = 300;
  std::vector<IgnoreRow> ignoreRows_;
  Policies policies_;
};

}  // namespace hvm
