#include "scan/file_tests.h"

#include <windows.h>

#include <cctype>

#include "app/environment.h"
#include "core/scoped_handle.h"
#include "scan/drive_types.h"
#include "scan/fs_redirection.h"

namespace hvm {
namespace {

bool IsBareDrive(const std::string& path) {
  return path.size() == 2 && std::isalpha(static_cast<unsigned char>(path[0]));
}

// Runs `attempt`, and when it fails on 64-bit Windows, once more with
// redirection off; the bracket closes whatever the second attempt gives.
template <class Attempt>
bool WithRetryUnredirected(Attempt attempt) {
  if (attempt()) return true;
  if (!Environment().Is64BitWindows) return false;
  ScopedFsRedirectionOff unredirected;
  return attempt();
}

}  // namespace

bool FileExists(const std::string& path) {
  // FindFirstFileA rather than GetFileAttributesA: it also sees files that are
  // held open without sharing, such as the paging file.
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA(path.c_str(), &entry));
  if (!find) return false;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  return true;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool AnyEntryMatches(const std::string& pattern) {
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA(pattern.c_str(), &entry));
  return find.IsValid();
}

bool FolderHoldsEntry(const std::string& folder, const std::string& name) {
  if (name.empty()) return false;
  char found[MAX_PATH];
  return SearchPathA(folder.c_str(), name.c_str(), nullptr, MAX_PATH, found, nullptr) != 0;
}

bool nFileExists(const std::string& path) {
  if (IsBareDrive(path) && !DriveIsCheckable(path[0])) return false;
  return WithRetryUnredirected([&] { return FileExists(path); });
}

bool nDeleteFile(const std::string& path) {
  return WithRetryUnredirected([&] { return DeleteFileA(path.c_str()) != 0; });
}

}  // namespace hvm
