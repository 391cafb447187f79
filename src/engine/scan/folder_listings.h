// What is at a path, as the file system would answer, for the questions one
// scan asks again and again. A folder asked about often is listed once (one
// listing answers every later question in it); a folder asked about now and
// then gets a single look per path, which on the platform costs far less than
// a listing. Both give the system's own answer: a listing is matched as the
// file system matches names (without regard to case, long or short name, every
// character), and a look asks the system itself.
//
// Lives as long as the scan cache that holds it: a file created meanwhile is
// not seen.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hvm {

// Whether a look at the attributes of `path` answers as a search for it
// would (FindFirstFile of the same text): a drive path short enough for the
// ANSI functions, with no wildcard, stream or device name in it, not ending
// in a separator.
bool SingleLookAnswers(std::string_view path);

class FolderListings {
 public:
  enum class Entry { Missing, File, Folder };

  // What is at `path`, an absolute drive path ("C:\..."). Nothing when the
  // system is to be asked with the caller's own call: a name with wildcards,
  // a device name, a path too long for the platform, a look the system
  // refused for another reason than absence (a file held open without
  // sharing).
  std::optional<Entry> EntryAt(const std::string& path);

  // Whether the folder of `path` holds an entry named as its last component
  // followed by "." and anything (the pattern "path.*" where path itself is
  // not there). Nothing when no listing of that folder can tell.
  std::optional<bool> AnyEntryWithExtension(const std::string& path);

  // Distinct paths asked about in one folder before it is listed.
  static constexpr int kLooksBeforeListing = 8;

 private:
  struct WideName {
    std::wstring name;
    bool isFolder;
  };
  struct Folder {
    enum class State { Unlisted, Listed, Missing, Unreadable } state = State::Unlisted;
    int looks = 0;
    // Listed: names of plain ASCII (long and short) upper-cased, and the
    // others as they are, compared as the file system compares them.
    std::unordered_map<std::string, bool> ascii;
    std::vector<WideName> others;
  };

  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };

  // `folded` is the folder's text through FoldAscii.
  Folder& FolderOf(const std::string& folded);
  bool AncestorMissing(std::string_view folded) const;
  void List(std::string_view folder, Folder& record);
  std::optional<Entry> FromListing(const Folder& record, std::string_view name) const;
  // The system's answer for `path`; a plain `name` it finds no path to marks
  // the folder of `folded` missing.
  std::optional<Entry> Look(const std::string& path, const std::string* folded,
                            std::string_view name);

  // By the folder's text up to and with its last backslash, ASCII letters
  // upper-cased (two spellings beyond ASCII are two folders, each right).
  std::unordered_map<std::string, Folder, TextHash, std::equal_to<>> folders_;
  // The answers of single looks, by the path as asked.
  std::unordered_map<std::string, std::optional<Entry>> looks_;
};

}  // namespace hvm
