// The questions one scan asks again and again, each put to the system once per
// scan: which sub-keys a key has and whether a key opens, what is at a path
// (from folder listings and single looks, FolderListings), the type of a
// drive, where a program or a file name is found, the extensions a program
// name is completed with, and the verdicts of the path tests for a whole
// registry string.
//
// A cache lives from the start of a scan to its end (ScanCache::Scope in the
// scan driver) and never answers across scans: a file created between two
// scans is seen by the second. Within a scan an answer once given stands.
// Outside a scan every question goes to the system as before. Only the scan's
// thread reads and writes it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/scan/folder_listings.h"

namespace hvm {

class ScanCache {
 public:
  ScanCache();
  ~ScanCache();
  ScanCache(const ScanCache&) = delete;
  ScanCache& operator=(const ScanCache&) = delete;

  // Makes `cache` the active one of this thread for its lifetime.
  class Scope {
   public:
    explicit Scope(ScanCache& cache);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ScanCache* previous_;
  };

  // The cache of the scan running on this thread, or null.
  static ScanCache* Active();

  // Registry. Paths are below `root`, with or without a leading backslash.
  // The sub-key names of the key, listed once; null when it does not open.
  const std::vector<std::string>* SubKeys(HKEY root, const std::string& path);
  // Whether the key opens for reading, asked once.
  bool KeyOpens(HKEY root, const std::string& path);
  // True when a complete listing of an ancestor, made earlier in this scan,
  // shows that the key is not there; false when that is not known.
  bool KeyKnownMissing(HKEY root, const std::string& path);

  // Files. What is at `path`, an absolute drive path; nothing when the
  // caller is to ask the system itself (see FolderListings::EntryAt).
  using Entry = FolderListings::Entry;
  std::optional<Entry> EntryAt(const std::string& path) { return files_.EntryAt(path); }
  // Whether the folder of `path` holds an entry named as its last component
  // followed by "." and anything: the pattern "path.*" where path itself is
  // not there. Nothing when that cannot be told from a listing.
  std::optional<bool> AnyEntryWithExtension(const std::string& path) {
    return files_.AnyEntryWithExtension(path);
  }

  // An answer kept by the text of its question: `question` names it (such
  // as "FolderExists"), `key` gives its arguments. `compute` runs once.
  bool Remember(const char* question, const std::string& key, const std::function<bool()>& compute);
  unsigned DriveType(const std::string& root, const std::function<unsigned()>& compute);
  // The extensions a program name is completed with, read once.
  const std::vector<std::string>& ProgramExtensions(
      const std::function<std::vector<std::string>()>& read);

  // The names of every entry in the tree under `folder`, collected once by
  // `walk`.
  const std::unordered_set<std::string>& TreeNames(
      const std::string& folder, const std::function<void(std::unordered_set<std::string>&)>& walk);

 private:
  struct KeyListing {
    std::optional<std::vector<std::string>> names;  // nothing: the key does not open
    bool usable = false;  // the list is complete and every name plain ASCII
    std::unordered_set<std::string> upperNames;
  };

  const KeyListing& ListKey(HKEY root, const std::string& path);

  std::unordered_map<std::string, KeyListing> keys_;
  std::unordered_map<std::string, bool> keyOpens_;
  FolderListings files_;
  std::vector<std::pair<std::string, std::unordered_map<std::string, bool>>> answers_;
  std::unordered_map<std::string, unsigned> driveTypes_;
  std::unordered_map<std::string, std::unordered_set<std::string>> trees_;
  std::optional<std::vector<std::string>> programExtensions_;
};

}  // namespace hvm
