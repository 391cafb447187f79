#include "app/console_environment.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdio>

namespace hvm {

std::string DefaultDataFolder() {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return "";
  return std::string(path) + "\\BrightfoldSoftware";
}

int ConsoleWindowsVersionCode() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
  const DWORD major = info.dwMajorVersion;
  const DWORD minor = info.dwMinorVersion;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return minor >= 90 ? 3 : minor >= 10 ? 2 : 1;
  if (major <= 4) return 4;
  if (major == 5) return minor == 0 ? 5 : minor == 1 ? 6 : 7;
  if (major == 6 && minor == 0) return 8;
  return 0;
}

std::string TodaysSnapshotName() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char name[32];
  std::snprintf(name, sizeof(name), "Undo%04u%02u%02u", unsigned(now.wYear), unsigned(now.wMonth),
                unsigned(now.wDay));
  return name;
}

bool ConsoleIsAdministrator() {
  return IsUserAnAdmin();
}

bool EnsureFolder(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace hvm
