#include "engine/results/data_folder_lock.h"

#include <windows.h>

#include <cctype>
#include <cstdio>

namespace hvm {
namespace {

// The folder as the system resolves it, links and short names included;
// the full path when it cannot be opened (it does not exist yet).
std::string CanonicalFolder(const std::string& folder) {
  char full[MAX_PATH * 4];
  const DWORD fullLength = GetFullPathNameA(folder.c_str(), sizeof(full), full, nullptr);
  std::string path =
      fullLength > 0 && fullLength < sizeof(full) ? std::string(full, fullLength) : folder;
  ScopedFile handle(CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (handle) {
    char final[MAX_PATH * 4];
    const DWORD length =
        GetFinalPathNameByHandleA(handle.Get(), final, sizeof(final), FILE_NAME_NORMALIZED);
    if (length > 0 && length < sizeof(final)) path.assign(final, length);
  }
  if (path.rfind("\\\\?\\", 0) == 0) path.erase(0, 4);
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  for (char& c : path) c = c == '/' ? '\\' : char(std::toupper(static_cast<unsigned char>(c)));
  return path;
}

// FNV-1a: object names may not hold a backslash, and the path may be long.
uint64_t HashOf(const std::string& text) {
  uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

std::string DataFolderLockName(const std::string& dataFolder) {
  char hex[17];
  std::snprintf(hex, sizeof(hex), "%016llx",
                static_cast<unsigned long long>(HashOf(CanonicalFolder(dataFolder))));
  // Global: a repair run by a scheduled task in another session is kept out too.
  return std::string("Global\\Hivemend.DataFolder.") + hex;
}

DataFolderLock::DataFolderLock(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

DataFolderLock::~DataFolderLock() {
  if (held_) ReleaseMutex(mutex_.Get());
}

bool DataFolderLock::Acquire(uint32_t waitMs) {
  if (held_) return true;
  if (!mutex_) {
    mutex_.Reset(CreateMutexA(nullptr, FALSE, DataFolderLockName(dataFolder_).c_str()));
    if (!mutex_) {
      status_ = GetLastError();
      return false;
    }
  }
  switch (WaitForSingleObject(mutex_.Get(), waitMs)) {
    case WAIT_ABANDONED: abandoned_ = true; [[fallthrough]];
    case WAIT_OBJECT_0:
      held_ = true;
      status_ = ERROR_SUCCESS;
      return true;
    case WAIT_TIMEOUT: status_ = ERROR_SUCCESS; return false;
    default: status_ = GetLastError(); return false;
  }
}

std::string DataFolderLock::BusyText() const {
  if (status_ != ERROR_SUCCESS)
    return "The data folder " + dataFolder_ + " could not be locked for the repair or restore " +
           "(error " + std::to_string(status_) + "), so nothing was changed.";
  return "Another repair or restore is using the data folder " + dataFolder_ +
         " (in another Hivemend window or a console run), so nothing was changed. Try again when "
         "it has finished.";
}

}  // namespace hvm
