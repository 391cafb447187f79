#include "engine/scan/find_file.h"

#include <windows.h>

#include <unordered_set>

#include "engine/core/scoped_handle.h"
#include "engine/scan/fs_redirection.h"
#include "engine/scan/scan_cache.h"

namespace hvm {
namespace {

// Upper case in the system code page, as the file system compares names.
std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(text.data(), DWORD(text.size()));
  return text;
}

bool IsSubFolder(const WIN32_FIND_DATAA& entry) {
  const std::string_view name = entry.cFileName;
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..";
}

// `upperName` is already upper-cased. Paths longer than the ANSI limit fail
// to open, which also ends any descent through a folder link that loops.
bool SearchTree(const std::string& folder, const std::string& upperName) {
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA((folder + "*").c_str(), &entry));
  if (!find) return false;
  do {
    const std::string entryName = Upper(entry.cFileName);
    if (entryName == upperName || entryName == upperName + ".EXE") return true;
    if (IsSubFolder(entry) && SearchTree(folder + entry.cFileName + "\\", upperName)) return true;
  } while (FindNextFileA(find.Get(), &entry));
  return false;
}

// Every upper-cased entry name of the tree, walked as SearchTree walks it.
void CollectTree(const std::string& folder, std::unordered_set<std::string>& names) {
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA((folder + "*").c_str(), &entry));
  if (!find) return;
  do {
    names.insert(Upper(entry.cFileName));
    if (IsSubFolder(entry)) CollectTree(folder + entry.cFileName + "\\", names);
  } while (FindNextFileA(find.Get(), &entry));
}

}  // namespace

bool FindFile(const std::string& folder, const std::string& name) {
  const std::string upperName = Upper(name);
  // In a scan the tree is walked once, and every name a look-up.
  if (ScanCache* cache = ScanCache::Active(); cache && !ScopedFsRedirectionOff::OffOnThisThread()) {
    const std::unordered_set<std::string>& names = cache->TreeNames(
        folder, [&](std::unordered_set<std::string>& all) { CollectTree(folder, all); });
    return names.count(upperName) || names.count(upperName + ".EXE");
  }
  return SearchTree(folder, upperName);
}

}  // namespace hvm
