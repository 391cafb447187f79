#include "engine/scan/folder_listings.h"

#include <windows.h>

#include <algorithm>

#include "engine/core/scoped_handle.h"
#include "engine/core/text_case.h"
#include "engine/core/text_encoding.h"

namespace hvm {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// ASCII letters upper-cased, every other byte as it is: the file system's
// own folding for plain ASCII, and a key that keeps any other text apart.
std::string FoldAscii(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = UpperAscii(c);
  return folded;
}

// FoldAscii into a buffer of the caller's, which a name or a path fits: the
// questions are many and a name is folded for each.
std::string_view FoldAsciiInto(std::string_view text, char (&buffer)[MAX_PATH]) {
  const size_t size = std::min(text.size(), sizeof(buffer));
  std::transform(text.begin(), text.begin() + ptrdiff_t(size), buffer, UpperAscii);
  return std::string_view(buffer, size);
}

// The text as the ANSI file functions pass it on.
bool Widen(std::string_view text, std::wstring* wide) {
  return ExactWideOf(AreFileApisANSI() ? CP_ACP : CP_OEMCP, text, wide);
}

std::wstring WideOfAscii(std::string_view text) {
  return std::wstring(text.begin(), text.end());
}

// A name the system may take for a device ("NUL", "com1.txt", "LPT1 "),
// whatever folder it is asked in. Any non-ASCII character after "COM" or
// "LPT" counts too (some systems take superscript digits).
bool DeviceLike(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  // The longest device name is "CONOUT$".
  if (base.size() < 3 || base.size() > 7) return false;
  char buffer[MAX_PATH];
  const std::string_view upper = FoldAsciiInto(base, buffer);
  for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (upper == device) return true;
  if (upper.size() > 3 && (upper.starts_with("COM") || upper.starts_with("LPT")))
    return (upper.size() == 4 && upper[3] >= '0' && upper[3] <= '9') ||
           static_cast<unsigned char>(upper[3]) >= 0x80;
  return false;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A name the file system takes as it is: no wildcard, no character a name
// cannot hold, not "." or "..", no trailing blank or dot (which the system
// would drop), not a device.
bool PlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.back() == ' ' || name.back() == '.') return false;
  if (HasControlCharacter(name) || name.find_first_of("*?\"<>|/\\:") != std::string_view::npos)
    return false;
  return !DeviceLike(name);
}

// A last component that stays inside its folder whatever the system makes
// of it: no slash, and more than dots and blanks (".." climbs to the parent,
// and the system drops trailing dots and blanks).
bool StaysInFolder(std::string_view name) {
  return name.find('/') == std::string_view::npos &&
         name.find_first_not_of(". ") != std::string_view::npos;
}

// Whether every component between the drive root and `folder`'s last
// backslash is a plain name.
bool PlainFolderPart(std::string_view folder) {
  for (size_t start = 3; start < folder.size();) {
    const size_t end = folder.find('\\', start);
    if (!PlainName(folder.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

bool IsDrivePath(std::string_view path) {
  const char drive = path.size() >= 3 ? path[0] : '\0';
  return ((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && path[1] == ':' &&
         path[2] == '\\';
}

}  // namespace

bool SingleLookAnswers(std::string_view path) {
  if (!IsDrivePath(path) || path.size() < 4 || path.size() >= MAX_PATH) return false;
  if (path.back() == '\\' || path.back() == '/') return false;
  if (HasControlCharacter(path) || path.find_first_of("*?\"<>|", 3) != std::string_view::npos ||
      path.find(':', 3) != std::string_view::npos)
    return false;
  // Every component, as the system splits it (at either slash).
  for (size_t start = 3; start <= path.size();) {
    const size_t end = path.find_first_of("\\/", start);
    const std::string_view component =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (DeviceLike(component)) return false;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return true;
}

FolderListings::Folder& FolderListings::FolderOf(std::string_view folded) {
  const auto found = folders_.find(folded);
  return found != folders_.end() ? found->second : folders_[std::string(folded)];
}

bool FolderListings::PlainFolder(std::string_view folder, Folder& record) {
  if (record.plain == Folder::Plain::Unknown)
    record.plain = PlainFolderPart(folder) ? Folder::Plain::Yes : Folder::Plain::No;
  return record.plain == Folder::Plain::Yes;
}

void FolderListings::MarkMissing(Folder& record) {
  if (record.state != Folder::State::Unlisted) return;
  record.state = Folder::State::Missing;
  ++changes_;
}

bool FolderListings::KnownMissing(std::string_view folded, Folder& record) {
  if (record.state == Folder::State::Missing) return true;
  // Nothing was found missing or listed since every folder on the way was
  // last seen not missing.
  if (record.ancestorsClearAt == changes_) return false;
  // The drive root and each folder on the way: one marked missing, or one
  // whose parent's listing has no folder of its name.
  for (size_t end = folded.find('\\'); end != std::string_view::npos && end + 1 < folded.size();
       end = folded.find('\\', end + 1)) {
    const auto found = folders_.find(folded.substr(0, end + 1));
    if (found == folders_.end()) continue;
    bool missing = found->second.state == Folder::State::Missing;
    if (!missing && found->second.state == Folder::State::Listed) {
      const size_t next = folded.find('\\', end + 1);
      const std::optional<Entry> entry =
          FromListing(found->second, folded.substr(end + 1, next - end - 1));
      missing = entry && *entry != Entry::Folder;
    }
    if (missing) {
      // Every folder below is missing too; this one stands for the rest.
      MarkMissing(record);
      return true;
    }
  }
  record.ancestorsClearAt = changes_;
  return false;
}

void FolderListings::List(std::string_view folder, Folder& record) {
  record.state = Folder::State::Unreadable;
  std::wstring wide;
  if (!Widen(folder, &wide) || wide.size() + 1 >= MAX_PATH) return;
  WIN32_FIND_DATAW entry;
  const ScopedFind find(FindFirstFileW((wide + L"*").c_str(), &entry));
  if (!find) {
    // A folder that is not there (or a file in its place) is missing; an
    // empty drive root or a refused listing tells nothing.
    if (GetLastError() == ERROR_PATH_NOT_FOUND) {
      record.state = Folder::State::Missing;
      ++changes_;
    }
    return;
  }
  do {
    const std::wstring_view name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    for (const std::wstring_view spelling : {name, std::wstring_view(entry.cAlternateFileName)}) {
      if (spelling.empty()) continue;
      if (std::all_of(spelling.begin(), spelling.end(), [](wchar_t c) { return c < 0x80; })) {
        std::string ascii(spelling.begin(), spelling.end());
        record.ascii.emplace(FoldAscii(ascii), isFolder);
      } else {
        record.others.push_back({std::wstring(spelling), isFolder});
      }
    }
  } while (FindNextFileW(find.Get(), &entry));
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    record.ascii.clear();
    record.others.clear();
    return;
  }
  record.state = Folder::State::Listed;
  ++changes_;
}

std::optional<FolderListings::Entry> FolderListings::FromListing(const Folder& record,
                                                                 std::string_view name) const {
  const auto entry = [](bool isFolder) { return isFolder ? Entry::Folder : Entry::File; };
  std::wstring wide;
  if (IsAscii(name)) {
    char buffer[MAX_PATH];
    if (name.size() < sizeof(buffer)) {
      const auto found = record.ascii.find(FoldAsciiInto(name, buffer));
      if (found != record.ascii.end()) return entry(found->second);
    }
    // A name beyond ASCII may still fold to this one.
    if (record.others.empty()) return Entry::Missing;
    wide = WideOfAscii(name);
  } else {
    if (!Widen(name, &wide)) return std::nullopt;
    for (const auto& [ascii, isFolder] : record.ascii)
      if (ascii.size() == wide.size() && SameNameNoCase(WideOfAscii(ascii), wide))
        return entry(isFolder);
  }
  for (const WideName& other : record.others)
    if (SameNameNoCase(other.name, wide)) return entry(other.isFolder);
  return Entry::Missing;
}

std::optional<FolderListings::Entry> FolderListings::Look(const std::string& path,
                                                          std::string_view folded,
                                                          std::string_view name) {
  if (!SingleLookAnswers(path)) return std::nullopt;
  std::optional<Entry> answer;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const DWORD status = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
  if (attributes != INVALID_FILE_ATTRIBUTES)
    answer = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Entry::Folder : Entry::File;
  else if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND)
    answer = Entry::Missing;
  looks_.emplace(path, answer);
  if (answer != Entry::Missing || folded.empty() || !PlainName(name)) return answer;
  Folder& record = FolderOf(folded);
  if (status == ERROR_FILE_NOT_FOUND) {
    if (record.state == Folder::State::Unlisted)
      List(std::string_view(path).substr(0, path.size() - name.size()), record);
  } else if (path.size() - name.size() > 4) {
    // "No path": the folder is not there, or is no folder, or the system
    // could not go on for another reason. The folder itself is asked as any
    // other path, which climbs further while its own folder is not there, so
    // that the highest missing folder stands for every path below it.
    const std::optional<Entry> folder = EntryAt(path.substr(0, path.size() - name.size() - 1));
    if (folder && *folder != Entry::Folder) MarkMissing(record);
  }
  return answer;
}

std::optional<FolderListings::Entry> FolderListings::EntryAt(const std::string& path) {
  if (!IsDrivePath(path) || path.size() >= MAX_PATH) return std::nullopt;
  if (const auto looked = looks_.find(path); looked != looks_.end()) return looked->second;
  const size_t slash = path.rfind('\\');
  const std::string_view folder = std::string_view(path).substr(0, slash + 1);
  const std::string_view name = std::string_view(path).substr(slash + 1);
  if (name.empty()) return std::nullopt;
  char buffer[MAX_PATH];
  const std::string_view folded = FoldAsciiInto(folder, buffer);
  Folder& record = FolderOf(folded);
  if (!PlainFolder(folder, record)) return Look(path, {}, name);
  // Nothing is below a folder that is not there, whatever the name, as long
  // as the system keeps it in that folder.
  if (KnownMissing(folded, record) && StaysInFolder(name) && SingleLookAnswers(path))
    return Entry::Missing;
  if (!PlainName(name)) return Look(path, folded, name);
  if (record.state == Folder::State::Unlisted && ++record.looks > kLooksBeforeListing)
    List(folder, record);
  if (record.state == Folder::State::Missing) return Entry::Missing;
  if (record.state == Folder::State::Listed)
    if (const std::optional<Entry> listed = FromListing(record, name)) return listed;
  return Look(path, folded, name);
}

std::optional<bool> FolderListings::AnyEntryWithExtension(const std::string& path) {
  if (!IsDrivePath(path) || path.size() + 2 >= MAX_PATH) return std::nullopt;
  const size_t slash = path.rfind('\\');
  const std::string_view folder = std::string_view(path).substr(0, slash + 1);
  const std::string_view name = std::string_view(path).substr(slash + 1);
  char buffer[MAX_PATH];
  const std::string_view folded = FoldAsciiInto(folder, buffer);
  Folder& record = FolderOf(folded);
  if (!PlainFolder(folder, record)) return std::nullopt;
  // No pattern matches below a folder that is not there.
  if (KnownMissing(folded, record) && StaysInFolder(name)) return false;
  if (!PlainName(name)) return std::nullopt;
  // A pattern needs the listing: the search it stands for reads the folder too.
  if (record.state == Folder::State::Unlisted) List(folder, record);
  if (record.state == Folder::State::Missing) return false;
  if (record.state != Folder::State::Listed) return std::nullopt;
  std::wstring prefix;
  if (IsAscii(name)) {
    const std::string foldedName = FoldAscii(name) + ".";
    for (const auto& [ascii, isFolder] : record.ascii)
      if (ascii.starts_with(foldedName)) return true;
    prefix = WideOfAscii(foldedName);
  } else {
    if (!Widen(name, &prefix)) return std::nullopt;
    prefix += L'.';
    for (const auto& [ascii, isFolder] : record.ascii)
      if (ascii.size() > prefix.size() &&
          SameNameNoCase(WideOfAscii(std::string_view(ascii).substr(0, prefix.size())), prefix))
        return true;
  }
  for (const WideName& other : record.others)
    if (other.name.size() > prefix.size() &&
        SameNameNoCase(std::wstring_view(other.name).substr(0, prefix.size()), prefix))
      return true;
  return false;
}

}  // namespace hvm
