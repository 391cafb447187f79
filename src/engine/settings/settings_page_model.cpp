#include "engine/settings/settings_page_model.h"

#include <algorithm>
#include <utility>

#include "engine/scan/sections.h"
#include "engine/settings/file_text.h"
#include "engine/settings/section_switches.h"
#include "engine/settings/setting_keys.h"
#include "engine/settings/settings_save_notice.h"

namespace hvm {
namespace {

constexpr int kWindows98 = 2;
constexpr char kSettingsTitle[] = "Settings";

std::string StatusText(uint32_t status) {
  return " [" + std::to_string(status) + "]";
}

bool IsSkippedKeyNamed(const std::string& item, const std::string& name) {
  return item.substr(0, item.find('=')) == name;
}

}  // namespace

const std::vector<std::string>& ActionItems() {
  static const std::vector<std::string> items = {"Disabled", "Scan and Repair", "Monitor"};
  return items;
}

const std::vector<std::string>& FrequencyItems() {
  static const std::vector<std::string> items = {"Daily", "Weekly", "Bi-Weekly", "Monthly"};
  return items;
}

const std::array<std::string, 4>& SettingsTabCaptions() {
  static const std::array<std::string, 4> captions = {"General", "Custom Scan", "Ignore List",
                                                      "Monitor"};
  return captions;
}

SettingsPageModel::SettingsPageModel(Services services) : services_(std::move(services)) {
  for (int section = kFirstSection; section <= kLastSection; ++section)
    sections_[section] = SectionSwitchDefault(section);
}

std::string SettingsPageModel::SectionCaption(int section) {
  return std::string(Section(section).label);
}

bool SettingsPageModel::SectionChecked(int section) const {
  return section >= kFirstSection && section <= kLastSection && sections_[section];
}

void SettingsPageModel::SetSection(int section, bool checked) {
  if (section >= kFirstSection && section <= kLastSection && !SectionLocked(section))
    sections_[section] = checked;
}

void SettingsPageModel::ReadSettings() {
  policies_ = Policies::Read();
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  TakeSettings(settings);
  repairAll_ = settings.CleanAfterScan;
  repairSafe_ = settings.CleanSafeAfterScan;
  StartupHandling(false);
}

// The values the page's boxes show, as LoadSettings gives them (a policy's
// value for a key a policy holds).
void SettingsPageModel::TakeSettings(const ProgramSettings& settings) {
  LoadRestorePointBox(settings);
  // A number the drop-downs do not hold reads as their first item, as the
  // log-on start does for the frequency.
  action_ = settings.AutoAction >= 0 && settings.AutoAction < kActionCount ? settings.AutoAction
                                                                           : kAutoDisabled;
  frequency_ =
      settings.AutoFreq >= 0 && settings.AutoFreq < kFrequencyCount ? settings.AutoFreq : 0;
  monitorPrompt_ =
      static_cast<uint32_t>(std::clamp<int64_t>(settings.MonitorPrompt, 0, kMaxMonitorPrompt));
  promptEntry_ = monitorPrompt_;
  for (int section = kFirstSection; section <= kLastSection; ++section)
    sections_[section] = settings.SectionOn(section);
}

// An administrator may set or lift a policy while the program runs: the page
// shows what holds each time it is shown. Boxes no policy held before or now
// keep what the user left in them.
void SettingsPageModel::RefreshLocks() {
  const Policies before = std::exchange(policies_, Policies::Read());
  bool changed = false;
  for (const SettingKey& key : SettingKeys()) {
    const std::optional<LockedSetting> was = SettingLock(before, key.name);
    const std::optional<LockedSetting> now = SettingLock(policies_, key.name);
    changed =
        changed || was.has_value() != now.has_value() || (was && now && was->value != now->value);
  }
  if (!changed) return;
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  TakeSettings(settings);
}

bool SettingsPageModel::Locked(std::string_view settingKey) const {
  return SettingLock(policies_, settingKey).has_value();
}

bool SettingsPageModel::SectionLocked(int section) const {
  const char* key = SectionSwitchKey(section);
  return key && Locked(key);
}

bool SettingsPageModel::AnySectionLocked() const {
  for (int section = kFirstSection; section <= kLastSection; ++section)
    if (SectionLocked(section)) return true;
  return false;
}

void SettingsPageModel::LoadRestorePointBox(const ProgramSettings& settings) {
  const bool available = services_.restorePointsAvailable && services_.restorePointsAvailable();
  const bool windows98 = services_.windowsVersionCode == kWindows98;
  restorePoint_.checked = settings.BackupBeforeScan;
  restorePoint_.caption = !windows98 && available ? settings_text::kRestorePointCaption
                                                  : settings_text::kFullBackupCaption;
  restorePoint_.noteShown = !available && !windows98;
  restorePoint_.locked = Locked("BackupBeforeScan");
  restorePoint_.enabled = !restorePoint_.noteShown && !restorePoint_.locked;
}

void SettingsPageModel::StoreBoxes(ProgramSettings& settings) const {
  for (int section = kFirstSection; section <= kLastSection; ++section)
    settings.SetSection(section, sections_[section]);
  settings.CleanAfterScan = repairAll_;
  settings.CleanSafeAfterScan = repairSafe_;
}

void SettingsPageModel::StoreInto(ProgramSettings& settings) const {
  settings.BackupBeforeScan = restorePoint_.checked;
  if (promptEntry_) settings.MonitorPrompt = static_cast<int32_t>(*promptEntry_);
  StoreBoxes(settings);
}

void SettingsPageModel::ShowSettings(bool visible) {
  if (visible_ && !visible) {
    ProgramSettings settings;
    LoadSettings(settings, services_.settingsPath);
    StoreBoxes(settings);
    Save(settings);
  }
  visible_ = visible;
  if (visible) {
    RefreshLocks();
    FillIgnoreList();
    tab_ = SettingsTab::kGeneral;
  }
}

void SettingsPageModel::ChooseAction(int index) {
  if (index < 0 || index >= kActionCount || Locked("AutoAction")) return;
  action_ = index;
  StartupHandling(true);
}

void SettingsPageModel::ChooseFrequency(int index) {
  if (index < 0 || index >= kFrequencyCount || Locked("AutoFreq")) return;
  frequency_ = index;
  StartupHandling(true);
}

// Run for every choice in either drop-down, and once when the settings are
// read at the start of the main window. That start-time run leaves the next
// due date alone: emptying it there would make every log-on scan, whatever
// the frequency says. The entry itself is made only when the user chooses;
// at start only a "Disabled" action removes a leftover one, unless a policy
// holds the action: then the entry is made to carry it out at every start, as
// if the administrator had chosen it here.
void SettingsPageModel::StartupHandling(bool chosenByUser) {
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  const ProgramSettings before = settings;
  settings.AutoAction = action_;
  settings.AutoFreq = frequency_;
  if (chosenByUser && action_ == kAutoScanAndRepair) settings.autorun.clear();
  const bool changed = settings.AutoAction != before.AutoAction ||
                       settings.AutoFreq != before.AutoFreq || settings.autorun != before.autorun;
  if (changed || chosenByUser) Save(settings);
  const bool matchEntry = chosenByUser || action_ == kAutoDisabled || Locked("AutoAction");
  if (!services_.startup || !matchEntry) return;
  if (const uint32_t status = MatchStartupEntry(*services_.startup, action_))
    Warn((action_ == kAutoDisabled ? "The start-up entry could not be removed"
                                   : "The start-up entry could not be created") +
         StatusText(status));
}

void SettingsPageModel::SetRestorePoint(bool checked) {
  if (restorePoint_.locked) return;
  restorePoint_.checked = checked;
  // Written at once: a repair started from another page reads the file, and
  // must not make a restore point the user has just switched off.
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  settings.BackupBeforeScan = checked;
  Save(settings);
}

void SettingsPageModel::ResetCounters() {
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  settings.total_error_found = 0;
  settings.total_error_repaired = 0;
  Save(settings);
}

bool SettingsPageModel::SaveMonitorPrompt() {
  if (!promptEntry_ || Locked("MonitorPrompt")) {
    promptEntry_ = monitorPrompt_;
    return false;
  }
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  settings.MonitorPrompt = static_cast<int32_t>(std::min(*promptEntry_, kMaxMonitorPrompt));
  if (!Save(settings)) return false;
  monitorPrompt_ = static_cast<uint32_t>(settings.MonitorPrompt);
  promptEntry_ = monitorPrompt_;
  return true;
}

std::string SettingsPageModel::IgnoreFilePath() const {
  return services_.dataFolder + "\\" + kIgnoreFileName;
}

void SettingsPageModel::FillIgnoreList() {
  std::vector<IgnoreSection> sections;
  std::string text;
  if (ReadEditableText(IgnoreFilePath(), text) == 0) sections = ParseIgnoreFile(text);
  ProgramSettings settings;
  LoadSettings(settings, services_.settingsPath);
  ignoreRows_ = IgnoreListRows(sections, settings.SkippedKeys);
}

std::vector<std::string> SettingsPageModel::KeyColumnTexts() const {
  std::vector<std::string> texts;
  for (const IgnoreRow& row : ignoreRows_)
    if (row.appliesTo != "Ignore List") texts.push_back(row.key);
  return texts;
}

void SettingsPageModel::RemoveIgnoreRow(int row) {
  if (row < 0 || row >= static_cast<int>(ignoreRows_.size())) return;
  const IgnoreRow chosen = ignoreRows_[row];
  switch (chosen.appliesTo.empty() ? '\0' : chosen.appliesTo.front()) {
    case 'A': {
      std::string text;
      if (const uint32_t status = ReadEditableText(IgnoreFilePath(), text)) {
        Warn("The Ignore List could not be read (" + UnreadableReason(status) + ")" +
             StatusText(status));
        break;
      }
      std::vector<IgnoreSection> sections = ParseIgnoreFile(text);
      hvm::RemoveIgnoreRow(sections, chosen.key);
      if (const uint32_t status = ReplaceFileText(IgnoreFilePath(), FormatIgnoreFile(sections)))
        Warn("The Ignore List could not be saved" + StatusText(status));
      break;
    }
    case 'P':
      if (services_.dialogs)
        services_.dialogs->MessageDialog(settings_text::kPermanentRefusal,
                                         settings_text::kPermanentRefusalTitle, dialog::kNotice);
      break;
    case 'I': {
      ProgramSettings settings;
      LoadSettings(settings, services_.settingsPath);
      std::erase_if(settings.SkippedKeys,
                    [&](const std::string& item) { return IsSkippedKeyNamed(item, chosen.key); });
      Save(settings);
      break;
    }
    default: break;
  }
  FillIgnoreList();
}

bool SettingsPageModel::Save(const ProgramSettings& settings) {
  const uint32_t status = SaveSettings(settings, services_.settingsPath);
  if (status) Warn(SettingsNotSavedText(services_.settingsPath, status));
  return status == 0;
}

void SettingsPageModel::Warn(const std::string& text) {
  if (services_.dialogs)
    services_.dialogs->MessageDialog(text, kSettingsTitle, dialog::kWarningNotice);
}

}  // namespace hvm
