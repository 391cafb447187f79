#include "engine/settings/program_settings.h"

#include <algorithm>
#include <string_view>

#include "engine/core/environment.h"
#include "engine/core/text_case.h"
#include "engine/settings/file_text.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/section_switches.h"
#include "engine/settings/setting_keys.h"
#include "engine/settings/setting_policies.h"
#include "engine/settings/skipped_keys_default.h"

namespace hvm {
namespace {

constexpr char kFileName[] = "\\hvmend.ini";
constexpr char kScan[] = "scan";
constexpr char kSettings[] = "settings";
constexpr char kSkippedKeys[] = "SkippedKeys";
constexpr char kSkippedKeyDefaultValue[] = "1";
constexpr char kNoSkippedKeys[] = "None";  // no key text: those are full key paths
constexpr size_t kTimeTextLength = 12;

ProgramSettings gSettings;

// The file parsed, or its read status when it cannot be read (then `file`
// is empty).
uint32_t ReadIniFile(const std::string& path, IniFile& file) {
  std::string text;
  const uint32_t status = ReadEditableText(path, text);
  file = IniFile::Parse(text);
  return status;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string TimeText(const IniFile& file, const char* key) {
  return file.ReadString(kSettings, key, "").substr(0, kTimeTextLength);
}

// Every entry of [SkippedKeys] with a value; the built-in list only when the
// section holds no entry at all.
std::vector<std::string> ReadSkippedKeys(const IniFile& file) {
  const std::vector<std::string> names = file.Keys(kSkippedKeys);
  if (names.empty()) return Lines(DefaultSkippedKeysText());
  std::vector<std::string> items;
  for (const std::string& name : names) {
    const std::string value = file.ReadString(kSkippedKeys, name, kSkippedKeyDefaultValue);
    if (!value.empty()) items.push_back(name + "=" + value);
  }
  return items;
}

// Items are split at their last "=", so a key text holding "=" comes back
// under a different split (names end at the first "=" when read). An empty
// list is kept as one entry without a value: a section with no entry at all
// would bring the built-in list back at the next load.
void WriteSkippedKeys(IniFile& file, const std::vector<std::string>& items) {
  file.EraseSection(kSkippedKeys);
  if (items.empty()) file.WriteString(kSkippedKeys, kNoSkippedKeys, "");
  for (const std::string& item : items) {
    const size_t equals = item.rfind('=');
    if (equals == std::string::npos) {
      file.WriteString(kSkippedKeys, item, "");
    } else {
      file.WriteString(kSkippedKeys, item.substr(0, equals), item.substr(equals + 1));
    }
  }
}

void ReadScanSection(const IniFile& file, ProgramSettings& s) {
  s.FirstTimeScan = file.ReadBool(kScan, "FirstTimeScan", true);
  s.CleanAfterScan = file.ReadBool(kScan, "CleanAfterScan", false);
  s.CleanSafeAfterScan = file.ReadBool(kScan, "CleanSafeAfterScan", false);
  for (const SectionSwitch& entry : kSectionSwitches)
    s.SetSection(entry.section, file.ReadBool(kScan, entry.key, entry.onByDefault));
}

void ReadSettingsSection(const IniFile& file, ProgramSettings& s) {
  s.optimize = file.ReadString(kSettings, "optimize", "");
  s.window = file.ReadString(kSettings, "window", "");
  s.window_l = file.ReadString(kSettings, "window_l", "");
  s.autorun = file.ReadString(kSettings, "autorun", "");
  s.update = file.ReadString(kSettings, "update", "");
  s.BackupBeforeScan = file.ReadBool(kSettings, "BackupBeforeScan", true);
  s.AutoAction = file.ReadInteger(kSettings, "AutoAction", 0);
  s.AutoFreq = file.ReadInteger(kSettings, "AutoFreq", 0);
  s.UpdateFreq = file.ReadInteger(kSettings, "UpdateFreq", 1);
  s.MonitorPrompt = file.ReadInteger(kSettings, "MonitorPrompt", 300);
  s.DeleteAfterWeek = file.ReadBool(kSettings, "DeleteAfterWeek", false);
  s.last_organize = TimeText(file, "last_organize");
  s.last_backup = TimeText(file, "last_backup");
  s.last_err = file.ReadInteger(kSettings, "last_err", 0);
  s.total_error_found = file.ReadInteger(kSettings, "total_error_found", 0);
  s.last_repair = file.ReadInteger(kSettings, "last_repair", 0);
  s.total_error_repaired = file.ReadInteger(kSettings, "total_error_repaired", 0);
  s.last_scan = TimeText(file, "last_scan");
}

void WriteScanSection(IniFile& file, const ProgramSettings& s) {
  file.WriteBool(kScan, "FirstTimeScan", s.FirstTimeScan);
  file.WriteBool(kScan, "CleanAfterScan", s.CleanAfterScan);
  file.WriteBool(kScan, "CleanSafeAfterScan", s.CleanSafeAfterScan);
  for (const SectionSwitch& entry : kSectionSwitches)
    file.WriteBool(kScan, entry.key, s.SectionOn(entry.section));
}

void WriteSettingsSection(IniFile& file, const ProgramSettings& s) {
  file.WriteInteger(kSettings, "AutoAction", s.AutoAction);
  file.WriteInteger(kSettings, "AutoFreq", s.AutoFreq);
  file.WriteInteger(kSettings, "UpdateFreq", s.UpdateFreq);
  file.WriteInteger(kSettings, "MonitorPrompt", s.MonitorPrompt);
  file.WriteBool(kSettings, "DeleteAfterWeek", s.DeleteAfterWeek);
  file.WriteBool(kSettings, "BackupBeforeScan", s.BackupBeforeScan);
  file.WriteString(kSettings, "optimize", s.optimize);
  file.WriteString(kSettings, "window", s.window);
  file.WriteString(kSettings, "window_l", s.window_l);
  file.WriteString(kSettings, "autorun", s.autorun);
  file.WriteString(kSettings, "update", s.update);
  file.WriteString(kSettings, "last_organize", s.last_organize);
  file.WriteString(kSettings, "last_backup", s.last_backup);
  file.WriteInteger(kSettings, "total_error_found", s.total_error_found);
  file.WriteInteger(kSettings, "total_error_repaired", s.total_error_repaired);
  file.WriteInteger(kSettings, "last_err", s.last_err);
  file.WriteInteger(kSettings, "last_repair", s.last_repair);
  file.WriteString(kSettings, "last_scan", s.last_scan);
}

// A policy's value never reaches the file: each key a policy holds keeps the
// entry the file had, or stays away when it had none.
void KeepLockedEntries(IniFile& file, const IniFile& original, const Policies& policies) {
  if (policies.Empty()) return;
  for (const SettingKey& key : SettingKeys()) {
    if (!SettingLock(policies, key.name)) continue;
    const char* section = SettingsFileSection(key.name);
    if (const std::optional<std::string> kept = original.Find(section, key.name))
      file.WriteString(section, key.name, *kept);
    else
      file.DeleteKey(section, key.name);
  }
}

}  // namespace

const char* SettingsFileSection(std::string_view key) {
  const bool scan =
      EqualsNoCase(key, "FirstTimeScan") || EqualsNoCase(key, "CleanAfterScan") ||
      EqualsNoCase(key, "CleanSafeAfterScan") ||
      std::any_of(kSectionSwitches.begin(), kSectionSwitches.end(),
                  [key](const SectionSwitch& entry) { return EqualsNoCase(key, entry.key); });
  return scan ? kScan : kSettings;
}

ProgramSettings::ProgramSettings() {
  for (const SectionSwitch& entry : kSectionSwitches) sections_[entry.section] = entry.onByDefault;
}

bool ProgramSettings::SectionOn(int section) const {
  return section >= kFirstSection && section <= kLastSection && sections_[section];
}

void ProgramSettings::SetSection(int section, bool on) {
  if (section >= kFirstSection && section <= kLastSection) sections_[section] = on;
}

std::string SettingsFilePath() {
  return Environment().dataFolder + kFileName;
}

uint32_t LoadSettings(ProgramSettings& settings, const std::string& path) {
  IniFile file;
  const uint32_t status = ReadIniFile(path, file);
  ProgramSettings loaded;
  ReadScanSection(file, loaded);
  ReadSettingsSection(file, loaded);
  loaded.SkippedKeys = ReadSkippedKeys(file);
  ApplyPolicies(Policies::Read(), loaded);
  settings = std::move(loaded);
  return status;
}

uint32_t SaveSettings(const ProgramSettings& settings, const std::string& path) {
  IniFile file;
  // Other sections and keys are kept by reading them first; a file whose
  // text is not there to keep is left alone rather than replaced by ours.
  if (const uint32_t status = ReadIniFile(path, file)) return UnreadableFileStatus(status);
  const IniFile original = file;
  WriteScanSection(file, settings);
  WriteSettingsSection(file, settings);
  WriteSkippedKeys(file, settings.SkippedKeys);
  KeepLockedEntries(file, original, Policies::Read());
  return ReplaceFileText(path, file.Text());
}

ProgramSettings& CurrentSettings() {
  return gSettings;
}

uint32_t LoadSettings() {
  return LoadSettings(gSettings, SettingsFilePath());
}

uint32_t SaveSettings() {
  return SaveSettings(gSettings, SettingsFilePath());
}

}  // namespace hvm
