// All options, counters and dates of the program: the settings file
// "hvmend.ini" in the data folder, held in memory as one ProgramSettings
// record. Whoever changes a setting loads the whole file, changes the record
// and saves the whole record back; nothing else caches settings, and the last
// writer wins.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hvm {

// Fields carry the names of their keys; comments give the default.
struct ProgramSettings {
  // Section [SkippedKeys], each item a key text, "=" and a value (normally
  // "1"); the built-in default when the section has no entry.
  std::vector<std::string> SkippedKeys;

  // Section [scan].
  bool FirstTimeScan = true;
  bool CleanAfterScan = false;
  bool CleanSafeAfterScan = false;

  // Section [settings].
  std::string optimize;
  std::string window;
  std::string window_l;
  std::string autorun;  // "yyyymmdd" when the next scheduled scan is due
  std::string update;   // "yyyymmdd" when the next update check is due
  bool BackupBeforeScan = true;
  int32_t AutoAction = 0;  // 0 disabled, 1 scan and repair, 2 monitor
  int32_t AutoFreq = 0;    // 0 daily, 1 weekly, 2 bi-weekly, 3 monthly
  int32_t UpdateFreq = 1;  // days between update checks; 0 never
  int32_t MonitorPrompt = 300;
  bool DeleteAfterWeek = false;
  std::string last_organize;  // "yyyymmddhhnn", at most 12 characters
  std::string last_backup;    // the same
  int32_t last_err = 0;
  int32_t total_error_found = 0;
  int32_t last_repair = 0;
  int32_t total_error_repaired = 0;
  std::string last_scan;  // "yyyymmddhhnn", at most 12 characters

  ProgramSettings();

  // The switch of a scan section 1..24; false for any other number.
  bool SectionOn(int section) const;
  // Numbers outside 1..24 are ignored.
  void SetSection(int section, bool on);

 private:
  // Index 0 unused, so that the section number is the index.
  std::array<bool, 25> sections_{};
};

// data folder + "\hvmend.ini" (after InitEnvironment).
std::string SettingsFilePath();

// "scan" or "settings": the section of the file that holds the key.
const char* SettingsFileSection(std::string_view key);

// Reads the file into `settings`, with the default for every missing or
// unreadable key, and then the value of every key a policy holds
// (setting_policies.h) in place of the file's. A missing file reads as empty (status 0). A file
// that cannot be read (ReadEditableText says when) leaves every default in `settings` and gives its
// read status; a save refuses to write over it, so whoever goes on with the defaults keeps them in
// memory only.
uint32_t LoadSettings(ProgramSettings& settings, const std::string& path);
// Writes every field into the file, keeping its other sections and keys, and
// replaces it atomically. A key a policy holds keeps what the file had. Returns the Win32 status, 0
// on success; a failure (such as a read-only file) leaves the old file as it was. A file that
// cannot be read is not written: UnreadableFileStatus(read status).
[[nodiscard]] uint32_t SaveSettings(const ProgramSettings& settings, const std::string& path);

// The program's own record and file.
ProgramSettings& CurrentSettings();
uint32_t LoadSettings();
[[nodiscard]] uint32_t SaveSettings();

}  // namespace hvm
