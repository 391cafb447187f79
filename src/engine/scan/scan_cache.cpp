#include "engine/scan/scan_cache.h"

#include <algorithm>

#include "engine/core/registry.h"

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
  if (!registry.OpenKeyToRead("\\" + path)) {
    keyOpens_[id] = false;
    return listing;
  }
  keyOpens_[id] = true;
  listing.names = registry.ListSubKeys();
  listing.usable = registry.LastError() == ERROR_SUCCESS;
  for (const std::string& name : *listing.names) {
    std::string upperName;
    // A name the code page could not hold reads with "?" in it; and beyond
    // ASCII the registry's own case rules are not the file system's (Wine
    // folds a final sigma in key names only), so such a listing cannot say
    // what is missing.
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
    opens = registry.OpenKeyToRead("\\" + relative);
  }
  keyOpens_[id] = opens;
  return opens;
}

bool ScanCache::Remember(const char* question, const std::string& key,
                         const std::function<bool()>& compute) {
  auto answers = std::find_if(answers_.begin(), answers_.end(),
                              [question](const auto& kept) { return kept.first == question; });
  if (answers == answers_.end()) answers = answers_.insert(answers_.end(), {question, {}});
  const auto found = answers->second.find(key);
  if (found != answers->second.end()) return found->second;
  const bool answer = compute();
  // `compute` may have asked other questions meanwhile: the list of them
  // may have moved.
  answers = std::find_if(answers_.begin(), answers_.end(),
                         [question](const auto& kept) { return kept.first == question; });
  answers->second.emplace(key, answer);
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

const std::vector<std::string>& ScanCache::ProgramExtensions(
    const std::function<std::vector<std::string>()>& read) {
  if (!programExtensions_) programExtensions_ = read();
  return *programExtensions_;
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
