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

  // Distinct paths asked about in one folder before it is listed. A folder
  // in which a name is found missing is listed at once: the name is asked
  // about again with each program extension and as a pattern, and one
  // listing answers them all.
  static constexpr int kLooksBeforeListing = 8;

 private:
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  struct WideName {
    std::wstring name;
    bool isFolder;
  };
  struct Folder {
    enum class State { Unlisted, Listed, Missing, Unreadable } state = State::Unlisted;
    // Whether every component of the folder's text is a plain name.
    enum class Plain : char { Unknown, Yes, No } plain = Plain::Unknown;
    int looks = 0;
    // The count of folders found missing or listed when none on the way to
    // this one was missing: until it changes, none is.
    size_t ancestorsClearAt = size_t(-1);
    // Listed: names of plain ASCII (long and short) upper-cased, and the
    // others as they are, compared as the file system compares them.
    std::unordered_map<std::string, bool, TextHash, std::equal_to<>> ascii;
    std::vector<WideName> others;
  };

  // `folded` is the folder's text through FoldAscii.
  Folder& FolderOf(std::string_view folded);
  bool PlainFolder(std::string_view folder, Folder& record);
  // Whether a folder on the way to `record` (at `folded`), or the folder
  // itself, is known to be missing; marks it missing if so.
  bool KnownMissing(std::string_view folded, Folder& record);
  void MarkMissing(Folder& record);
  void List(std::string_view folder, Folder& record);
  std::optional<Entry> FromListing(const Folder& record, std::string_view name) const;
  // The system's answer for `path`, whose last component is `name`. When
  // `folded` is given (the folder's text, every component plain), a plain
  // name the system finds no path to has the folder asked about in turn, and
  // one found missing has the folder listed.
  std::optional<Entry> Look(const std::string& path, std::string_view folded,
                            std::string_view name);

  // By the folder's text up to and with its last backslash, ASCII letters
  // upper-cased (two spellings beyond ASCII are two folders, each right).
  std::unordered_map<std::string, Folder, TextHash, std::equal_to<>> folders_;
  // Folders found missing or listed so far.
  size_t changes_ = 0;
  // The answers of single looks, by the path as asked.
  std::unordered_map<std::string, std::optional<Entry>> looks_;
};

}  // namespace hvm
