#include "engine/backup/backup_folders.h"

#include <algorithm>

#include "engine/core/scoped_handle.h"
#include "engine/core/text_case.h"

namespace hvm {
namespace {

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  ScopedFind find(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!find) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(find.Get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string BackupRootFor(const std::string& systemFolder) {
  return WithBackslash(systemFolder) + "Hivemend\\";
}

std::string BackupFolderFor(const std::string& backupRoot, const LocalTime& time) {
  const std::string stamp = StampText(time);  // yyyymmddhhnn
  return WithBackslash(backupRoot) + stamp.substr(0, 8) + "-" + stamp.substr(8) + "\\";
}

std::string PackFolderFor(const std::string& backupRoot) {
  return WithBackslash(backupRoot) + "Pack\\";
}

bool ParseBackupFolderName(const std::string& name, SYSTEMTIME& time) {
  if (name.size() != 13 || name[8] != '-') return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (i != 8 && (name[i] < '0' || name[i] > '9')) return false;
  auto number = [&](size_t at, size_t length) {
    return static_cast<WORD>(std::stoi(name.substr(at, length)));
  };
  SYSTEMTIME read{};
  read.wYear = number(0, 4);
  read.wMonth = number(4, 2);
  read.wDay = number(6, 2);
  read.wHour = number(9, 2);
  read.wMinute = number(11, 2);
  if (read.wMonth < 1 || read.wMonth > 12 || read.wDay < 1 || read.wDay > 31 || read.wHour > 23 ||
      read.wMinute > 59)
    return false;
  time = read;
  return true;
}

std::string MadeText(const SYSTEMTIME& time) {
  char date[128] = {}, clock[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof(date));
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof(clock));
  return std::string(date) + " " + clock;
}

std::vector<FullBackupFolder> ListFullBackups(const std::string& backupRoot) {
  std::vector<FullBackupFolder> backups;
  const std::string root = WithBackslash(backupRoot);
  WIN32_FIND_DATAA found;
  ScopedFind find(FindFirstFileA((root + "*").c_str(), &found));
  if (!find) return backups;
  do {
    FullBackupFolder backup;
    backup.name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !ParseBackupFolderName(backup.name, backup.made))
      continue;
    backup.folder = root + backup.name;
    bool described = false;
    for (const std::string& file : FilesIn(backup.folder)) {
      if (EqualsNoCase(file, "user.ini"))
        described = true;
      else
        backup.hiveFiles.push_back(file);
    }
    if (described && !backup.hiveFiles.empty()) backups.push_back(std::move(backup));
  } while (FindNextFileA(find.Get(), &found));
  // The names sort by time.
  std::sort(backups.begin(), backups.end(),
            [](const FullBackupFolder& a, const FullBackupFolder& b) { return a.name > b.name; });
  return backups;
}

}  // namespace hvm
