// The questions one scan asks again and again, each put to the system once per
// scan: which sub-keys a key has and whether a key opens, what a folder holds
// (so that the existence of a file or folder is a look-up by its normalised
// full path), the type of a drive, where a program or a file name is found,
// and the verdicts of the path tests for a whole registry string.
//
// A cache lives from the start of a scan to its end (ScanCache::Scope in the
// scan driver) and never answers across scans: a file created between two
// scans is seen by the second. Outside a scan every question goes to the
// system as before. Only the scan's thread reads and writes it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

  // Files. What is at `path`, from the listing of each folder on the way,
  // read once per folder; nothing when the path is not a plain absolute
  // drive path or a listing cannot be read (the caller then asks the system).
  enum class Entry { Missing, File, Folder };
  std::optional<Entry> EntryAt(const std::string& path);
  // Whether the folder of `path` holds an entry named as its last component
  // followed by "." and anything: the pattern "path.*" where path itself is
  // not there. Nothing when that cannot be told from a listing.
  std::optional<bool> AnyEntryWithExtension(const std::string& path);

  // An answer kept by the text of its question: `question` names it (such
  // as "FolderExists"), `key` gives its arguments. `compute` runs once.
  bool Remember(const char* question, const std::string& key, const std::function<bool()>& compute);
  unsigned DriveType(const std::string& root, const std::function<unsigned()>& compute);

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
  struct FolderListing {
    bool usable = false;
    std::unordered_map<std::string, bool> entries;  // upper-cased name -> is a folder
  };

  const KeyListing& ListKey(HKEY root, const std::string& path);
  const FolderListing& ListFolder(const std::string& folder);
  // The folder listing and the upper-cased last component of a plain drive
  // path; nothing for any other path.
  struct Located {
    const FolderListing* folder;
    std::string name;
  };
  std::optional<Located> Locate(const std::string& path);

  std::unordered_map<std::string, KeyListing> keys_;
  std::unordered_map<std::string, bool> keyOpens_;
  std::unordered_map<std::string, FolderListing> folders_;
  std::unordered_map<std::string, bool> answers_;
  std::unordered_map<std::string, unsigned> driveTypes_;
  std::unordered_map<std::string, std::unordered_set<std::string>> trees_;
};

}  // namespace hvm
