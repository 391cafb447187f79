#include "engine/scan/file_tests.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "engine/core/environment.h"
#include "engine/core/registry.h"
#include "engine/core/scoped_handle.h"
#include "engine/scan/drive_types.h"
#include "engine/scan/folder_listings.h"
#include "engine/scan/fs_redirection.h"
#include "engine/scan/scan_cache.h"

namespace hvm {
namespace {

bool IsBareDrive(const std::string& path) {
  return path.size() == 2 && std::isalpha(static_cast<unsigned char>(path[0]));
}

// Runs `attempt`, and when it fails on 64-bit Windows, once more with
// redirection off; the bracket closes whatever the second attempt gives. A
// bracket that switched nothing off (a 64-bit process) would only ask again.
template <class Attempt>
bool WithRetryUnredirected(Attempt attempt) {
  if (attempt()) return true;
  if (!Environment().Is64BitWindows) return false;
  const DWORD firstStatus = GetLastError();
  ScopedFsRedirectionOff unredirected;
  if (unredirected.Disabled()) return attempt();
  SetLastError(firstStatus);
  return false;
}

// The scan's cache when there is one and the file system shows its usual view.
ScanCache* Cache() {
  ScanCache* cache = ScanCache::Active();
  return cache && !ScopedFsRedirectionOff::OffOnThisThread() ? cache : nullptr;
}

// A false answer leaves "not found" as the status, as the system would.
bool Answer(bool found) {
  if (!found) SetLastError(ERROR_FILE_NOT_FOUND);
  return found;
}

bool SystemFileExists(const std::string& path) {
  // A look at the attributes answers without opening the folder; a search
  // answers the rest, and also sees files that are held open without
  // sharing, such as the paging file, where the look is refused.
  if (SingleLookAnswers(path)) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
      return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Answer(false) : true;
    const DWORD status = GetLastError();
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return false;
  }
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA(path.c_str(), &entry));
  if (!find) return false;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  return true;
}

bool SystemFolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SystemAnyEntryMatches(const std::string& pattern) {
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA(pattern.c_str(), &entry));
  return find.IsValid();
}

bool OnSearchPath(const char* path, const std::string& name) {
  char found[MAX_PATH];
  return SearchPathA(path, name.c_str(), nullptr, MAX_PATH, found, nullptr) != 0;
}

}  // namespace

bool FileExists(const std::string& path) {
  ScanCache* cache = Cache();
  if (!cache) return SystemFileExists(path);
  if (const auto entry = cache->EntryAt(path)) return Answer(*entry == ScanCache::Entry::File);
  return Answer(cache->Remember("FileExists", path, [&] { return SystemFileExists(path); }));
}

bool FolderExists(const std::string& path) {
  ScanCache* cache = Cache();
  if (!cache) return SystemFolderExists(path);
  // A folder is a folder with its trailing backslash too.
  const bool trailing = path.size() > 3 && path.back() == '\\';
  if (const auto entry = cache->EntryAt(trailing ? path.substr(0, path.size() - 1) : path))
    return *entry == ScanCache::Entry::Folder;
  return cache->Remember("FolderExists", path, [&] { return SystemFolderExists(path); });
}

bool AnyEntryMatches(const std::string& pattern) {
  ScanCache* cache = Cache();
  if (!cache) return SystemAnyEntryMatches(pattern);
  // "X.*" matches X itself and X followed by a dot and anything.
  if (pattern.size() > 2 && pattern.ends_with(".*")) {
    const std::string base = pattern.substr(0, pattern.size() - 2);
    const auto withExtension = cache->AnyEntryWithExtension(base);
    const auto entry = cache->EntryAt(base);
    if (withExtension && entry) return *withExtension || *entry != ScanCache::Entry::Missing;
  }
  return cache->Remember("AnyEntryMatches", pattern,
                         [&] { return SystemAnyEntryMatches(pattern); });
}

bool FolderHoldsEntry(const std::string& folder, const std::string& name) {
  if (name.empty()) return false;
  ScanCache* cache = Cache();
  if (!cache) return OnSearchPath(folder.c_str(), name);
  // One folder and a plain name: the entry there, file or folder, as the
  // search finds it. Lists of folders and other names go to the system.
  if (!folder.empty() && folder.find(';') == std::string::npos &&
      name.find_first_of("\\/:") == std::string::npos) {
    const std::string path = folder + (folder.back() == '\\' ? "" : "\\") + name;
    if (const auto entry = cache->EntryAt(path)) return *entry != ScanCache::Entry::Missing;
  }
  return cache->Remember("FolderHoldsEntry", folder + '\n' + name,
                         [&] { return OnSearchPath(folder.c_str(), name); });
}

bool OnDefaultSearchPath(const std::string& name) {
  ScanCache* cache = Cache();
  if (!cache) return OnSearchPath(nullptr, name);
  return cache->Remember("OnDefaultSearchPath", name, [&] { return OnSearchPath(nullptr, name); });
}

namespace {

std::vector<std::string> ReadProgramExtensions() {
  std::string list(256, '\0');
  DWORD size = GetEnvironmentVariableA("PATHEXT", list.data(), DWORD(list.size()));
  if (size >= list.size()) {
    list.assign(size, '\0');
    size = GetEnvironmentVariableA("PATHEXT", list.data(), size);
  }
  list.resize(size < list.size() ? size : 0);
  if (list.empty()) list = ".COM;.EXE;.BAT;.CMD";
  std::vector<std::string> extensions;
  for (size_t start = 0; start < list.size();) {
    const size_t end = std::min(list.find(';', start), list.size());
    if (end > start) extensions.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return extensions;
}

}  // namespace

std::vector<std::string> ProgramExtensions() {
  ScanCache* cache = ScanCache::Active();
  return cache ? cache->ProgramExtensions(ReadProgramExtensions) : ReadProgramExtensions();
}

namespace {

// The folders a started program is looked for in, as SearchPathA takes them.
std::string ProgramSearchPath() {
  std::string path = Environment().systemFolder + ";" + Environment().windowsFolder;
  const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
  if (size > 0) {
    std::string folders(size, '\0');
    folders.resize(GetEnvironmentVariableA("PATH", folders.data(), size));
    path += ";" + folders;
  }
  return path;
}

// The program an App Paths key of HKLM or HKCU registers under `name`.
bool RegisteredInAppPaths(const std::string& name) {
  constexpr char kAppPaths[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  ScanCache* cache = ScanCache::Active();
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    // In a scan the registrations are listed once, and a name none of them
    // has is not looked for.
    if (cache && name.find('\\') == std::string::npos) {
      cache->SubKeys(root, std::string(kAppPaths, sizeof(kAppPaths) - 2));
      if (cache->KeyKnownMissing(root, kAppPaths + name)) continue;
    }
    RegistrySession registry;
    registry.SetRoot(root);
    if (!registry.OpenKeyToRead(kAppPaths + name)) continue;
    if (!StringKinds.Contains(registry.ValueKind(""))) continue;
    std::string program = registry.ReadText("");
    if (!program.empty() && program.front() == '"')
      program = program.substr(1, program.find('"', 1) - 1);
    if (!program.empty() && nFileExists(program)) return true;
  }
  return false;
}

// The folders of a search path, when each is a folder of a drive as it is
// written ("C:\x" or "C:\x\"), so that searching the list is searching
// each in turn; nothing for any other list (empty entries, quotes, relative
// or network folders), which only the system searches as the system does.
std::optional<std::vector<std::string>> PlainFolders(const std::string& path) {
  std::vector<std::string> folders;
  for (size_t start = 0; start <= path.size();) {
    const size_t end = std::min(path.find(';', start), path.size());
    const std::string folder = path.substr(start, end - start);
    const bool drivePath = folder.size() >= 3 &&
                           std::isalpha(static_cast<unsigned char>(folder[0])) &&
                           folder[1] == ':' && folder[2] == '\\';
    if (!drivePath || folder.find_first_of("\"*?<>|") != std::string::npos) return std::nullopt;
    folders.push_back(folder);
    start = end + 1;
  }
  return folders;
}

// Whether the system finds `name` in the folders of `path` as SearchPathA
// would; in a scan folder by folder, from the listings.
bool OnProgramSearchPath(const std::string& path, const std::string& name) {
  if (Cache())
    if (const std::optional<std::vector<std::string>> folders = PlainFolders(path))
      return std::any_of(folders->begin(), folders->end(), [&name](const std::string& folder) {
        return FolderHoldsEntry(folder, name);
      });
  return OnSearchPath(path.c_str(), name);
}

}  // namespace

bool ProgramOnSearchPath(const std::string& name) {
  const auto find = [&name] {
    const std::string path = ProgramSearchPath();
    const bool hasExtension = name.find('.') != std::string::npos;
    if (hasExtension && OnProgramSearchPath(path, name)) return true;
    if (!hasExtension)
      for (const std::string& extension : ProgramExtensions())
        if (OnProgramSearchPath(path, name + extension)) return true;
    return RegisteredInAppPaths(hasExtension ? name : name + ".exe");
  };
  ScanCache* cache = Cache();
  return cache ? cache->Remember("ProgramOnSearchPath", name, find) : find();
}

bool nFileExists(const std::string& path) {
  if (IsBareDrive(path) && !DriveIsCheckable(path[0])) return false;
  return WithRetryUnredirected([&] { return FileExists(path); });
}

bool nDeleteFile(const std::string& path) {
  return WithRetryUnredirected([&] { return DeleteFileA(path.c_str()) != 0; });
}

}  // namespace hvm
