#include "engine/scan/scan_cache.h"

#include "engine/core/registry.h"
#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

thread_local ScanCache* gActive = nullptr;

// Upper case of plain ASCII text; false for anything else, which the caches
// leave to the system (its case rules beyond ASCII are its own).
bool UpperAscii(std::string_view text, std::string* upper) {
  upper->clear();
  upper->reserve(text.size());
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
    upper->push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
  }
  return true;
}

// The key of a question by its text: upper-cased plain ASCII, or any other
// text as it is, so that two texts beyond ASCII never share an answer.
std::string CaseFoldedKey(std::string_view text) {
  std::string upper;
  return UpperAscii(text, &upper) ? upper : "\x01" + std::string(text);
}

std::string WithoutLeadingBackslash(const std::string& path) {
  return !path.empty() && path.front() == '\\' ? path.substr(1) : path;
}

// The components of a key path; nothing when one is empty.
std::optional<std::vector<std::string>> KeyComponents(const std::string& path) {
  std::vector<std::string> components;
  if (path.empty()) return components;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string component = path.substr(start, end - start);
    if (component.empty()) return std::nullopt;
    components.push_back(component);
    if (end == std::string::npos) return components;
    start = end + 1;
  }
}

std::string KeyId(HKEY root, const std::string& upperPath) {
  return std::to_string(reinterpret_cast<uintptr_t>(root)) + ":" + upperPath;
}

// A name the file system takes as it is: no wildcard, no character a name
// cannot hold, not "." or "..", no trailing blank or dot (which the system
// would drop), not a device name.
bool PlainFileName(const std::string& upper) {
  if (upper.empty() || upper == "." || upper == "..") return false;
  if (upper.back() == ' ' || upper.back() == '.') return false;
  for (char c : upper)
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("*?\"<>|/:").find(c) != std::string_view::npos)
      return false;
  const std::string base = upper.substr(0, upper.find('.'));
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return false;
  if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' &&
      base[3] <= '9')
    return false;
  return true;
}

}  // namespace

ScanCache::ScanCache() = default;
ScanCache::~ScanCache() = default;

ScanCache::Scope::Scope(ScanCache& cache) : previous_(gActive) {
  gActive = &cache;
}

ScanCache::Scope::~Scope() {
  gActive = previous_;
}

ScanCache* ScanCache::Active() {
  return gActive;
}

const ScanCache::KeyListing& ScanCache::ListKey(HKEY root, const std::string& path) {
  std::string upper;
  const bool ascii = UpperAscii(path, &upper);
  const std::string id = KeyId(root, ascii ? upper : "\x01" + path);
  const auto found = keys_.find(id);
  if (found != keys_.end()) return found->second;
  KeyListing& listing = keys_[id];
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKey("\\" + path, false)) {
    keyOpens_[id] = false;
    return listing;
  }
  keyOpens_[id] = true;
  listing.names = registry.ListSubKeys();
  listing.usable = registry.LastError() == ERROR_SUCCESS;
  for (const std::string& name : *listing.names) {
    std::string upperName;
    // A name the code page could not hold reads with "?" in it.
    if (!UpperAscii(name, &upperName) || name.find('?') != std::string::npos) {
      listing.usable = false;
      break;
    }
    listing.upperNames.insert(std::move(upperName));
  }
  return listing;
}

const std::vector<std::string>* ScanCache::SubKeys(HKEY root, const std::string& path) {
  const KeyListing& listing = ListKey(root, WithoutLeadingBackslash(path));
  return listing.names ? &*listing.names : nullptr;
}

bool ScanCache::KeyKnownMissing(HKEY root, const std::string& path) {
  const std::optional<std::vector<std::string>> components =
      KeyComponents(WithoutLeadingBackslash(path));
  if (!components) return false;
  std::string prefix;
  for (const std::string& component : *components) {
    std::string upperPrefix, upperName;
    if (!UpperAscii(prefix, &upperPrefix) || !UpperAscii(component, &upperName)) return false;
    const auto found = keys_.find(KeyId(root, upperPrefix));
    if (found != keys_.end() && found->second.usable && !found->second.upperNames.count(upperName))
      return true;
    prefix += prefix.empty() ? component : "\\" + component;
  }
  return false;
}

bool ScanCache::KeyOpens(HKEY root, const std::string& path) {
  const std::string relative = WithoutLeadingBackslash(path);
  std::string upper;
  const std::string id = KeyId(root, UpperAscii(relative, &upper) ? upper : "\x01" + relative);
  const auto found = keyOpens_.find(id);
  if (found != keyOpens_.end()) return found->second;
  bool opens = false;
  if (!KeyKnownMissing(root, relative)) {
    RegistrySession registry;
    registry.SetRoot(root);
    opens = registry.OpenKey("\\" + relative, false);
  }
  keyOpens_[id] = opens;
  return opens;
}

const ScanCache::FolderListing& ScanCache::ListFolder(const std::string& folder) {
  const std::string upper = CaseFoldedKey(folder);
  const auto found = folders_.find(upper);
  if (found != folders_.end()) return found->second;
  FolderListing& listing = folders_[upper];
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA((folder + "*").c_str(), &entry));
  if (!find) return listing;
  bool plain = true;
  do {
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    for (const char* name : {entry.cFileName, entry.cAlternateFileName}) {
      std::string upperName;
      if (!UpperAscii(name, &upperName) || upperName.find('?') != std::string::npos) plain = false;
      if (!upperName.empty()) listing.entries.emplace(std::move(upperName), isFolder);
    }
  } while (FindNextFileA(find.Get(), &entry));
  listing.usable = plain && GetLastError() == ERROR_NO_MORE_FILES;
  return listing;
}

std::optional<ScanCache::Located> ScanCache::Locate(const std::string& path) {
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return std::nullopt;
  const char drive = path[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return std::nullopt;
  std::string folder = path.substr(0, 3);
  size_t start = 3;
  for (;;) {
    const size_t end = path.find('\\', start);
    std::string upperName;
    if (!UpperAscii(path.substr(start, end - start), &upperName) || !PlainFileName(upperName))
      return std::nullopt;
    const FolderListing& listing = ListFolder(folder);
    if (!listing.usable) return std::nullopt;
    if (end == std::string::npos) return Located{&listing, std::move(upperName)};
    const auto entry = listing.entries.find(upperName);
    // Nothing is below a missing entry or a file.
    if (entry == listing.entries.end() || !entry->second) return Located{nullptr, ""};
    folder = path.substr(0, end + 1);
    start = end + 1;
  }
}

std::optional<ScanCache::Entry> ScanCache::EntryAt(const std::string& path) {
  const std::optional<Located> located = Locate(path);
  if (!located) return std::nullopt;
  if (!located->folder) return Entry::Missing;
  const auto entry = located->folder->entries.find(located->name);
  if (entry == located->folder->entries.end()) return Entry::Missing;
  return entry->second ? Entry::Folder : Entry::File;
}

std::optional<bool> ScanCache::AnyEntryWithExtension(const std::string& path) {
  const std::optional<Located> located = Locate(path);
  if (!located) return std::nullopt;
  if (!located->folder) return false;
  const std::string prefix = located->name + ".";
  for (const auto& [name, isFolder] : located->folder->entries)
    if (name.starts_with(prefix)) return true;
  return false;
}

bool ScanCache::Remember(const char* question, const std::string& key,
                         const std::function<bool()>& compute) {
  const std::string id = std::string(question) + '\n' + key;
  const auto found = answers_.find(id);
  if (found != answers_.end()) return found->second;
  const bool answer = compute();
  answers_.emplace(id, answer);
  return answer;
}

unsigned ScanCache::DriveType(const std::string& root, const std::function<unsigned()>& compute) {
  const std::string upper = CaseFoldedKey(root);
  const auto found = driveTypes_.find(upper);
  if (found != driveTypes_.end()) return found->second;
  const unsigned type = compute();
  driveTypes_.emplace(upper, type);
  return type;
}

const std::unordered_set<std::string>& ScanCache::TreeNames(
    const std::string& folder, const std::function<void(std::unordered_set<std::string>&)>& walk) {
  const auto found = trees_.find(folder);
  if (found != trees_.end()) return found->second;
  std::unordered_set<std::string>& names = trees_[folder];
  walk(names);
  return names;
}

}  // namespace hvm
