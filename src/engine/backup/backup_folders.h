// Where full backups and the pack keep their hive files: dated folders and
// the pack folder under the system folder's "Hivemend", and the list of full
// backups a user may put back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/civil_date.h"

namespace hvm {

// system folder + "Hivemend\"; `systemFolder` with or without its backslash.
std::string BackupRootFor(const std::string& systemFolder);
// The backup root + the time as "yyyymmdd-hhmm" + "\".
std::string BackupFolderFor(const std::string& backupRoot, const LocalTime& time);
// The backup root + "Pack\", reused by every pack.
std::string PackFolderFor(const std::string& backupRoot);

struct FullBackupFolder {
  std::string name;    // "yyyymmdd-hhmm"
  std::string folder;  // full path, no trailing backslash
  SYSTEMTIME made{};   // from the name
  // Hive files in the folder (everything but "user.ini"), by name.
  std::vector<std::string> hiveFiles;
};

// The full backups under `backupRoot`: folders named by their time that hold a
// "user.ini" and at least one hive file, newest first. The pack folder and
// anything else are left out.
std::vector<FullBackupFolder> ListFullBackups(const std::string& backupRoot);

// The time in the system's short date and time form ("09/12/2026 16:30").
std::string MadeText(const SYSTEMTIME& time);

// "yyyymmdd-hhmm" read back; false for any other name or an impossible date.
bool ParseBackupFolderName(const std::string& name, SYSTEMTIME& time);

}  // namespace hvm
