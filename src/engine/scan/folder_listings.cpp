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

// ASCII letters upper-cased, every other byte as it is: the file system's
// own folding for plain ASCII, and a key that keeps any other text apart.
std::string FoldAscii(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return folded;
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
  std::string base = FoldAscii(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return true;
  if (base.size() > 3 && (base.starts_with("COM") || base.starts_with("LPT")))
    return (base.size() == 4 && base[3] >= '0' && base[3] <= '9') ||
           static_cast<unsigned char>(base[3]) >= 0x80;
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

FolderListings::Folder& FolderListings::FolderOf(const std::string& folded) {
  const auto found = folders_.find(folded);
  return found != folders_.end() ? found->second : folders_[folded];
}

bool FolderListings::AncestorMissing(std::string_view folded) const {
  // The drive root and each folder on the way, the folder itself excluded.
  for (size_t end = folded.find('\\'); end != std::string_view::npos && end + 1 < folded.size();
       end = folded.find('\\', end + 1)) {
    const auto found = folders_.find(folded.substr(0, end + 1));
    if (found != folders_.end() && found->second.state == Folder::State::Missing) return true;
  }
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
    if (GetLastError() == ERROR_PATH_NOT_FOUND) record.state = Folder::State::Missing;
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
}

std::optional<FolderListings::Entry> FolderListings::FromListing(const Folder& record,
                                                                 std::string_view name) const {
  const auto entry = [](bool isFolder) { return isFolder ? Entry::Folder : Entry::File; };
  std::wstring wide;
  if (IsAscii(name)) {
    const auto found = record.ascii.find(FoldAscii(name));
    if (found != record.ascii.end()) return entry(found->second);
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
                                                          const std::string* folded,
                                                          std::string_view name) {
  if (!SingleLookAnswers(path)) return std::nullopt;
  std::optional<Entry> answer;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    answer = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Entry::Folder : Entry::File;
  } else if (const DWORD status = GetLastError();
             status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
    answer = Entry::Missing;
    // Of a plain name, "no path" means its folder is not there.
    if (status == ERROR_PATH_NOT_FOUND && folded && PlainName(name)) {
      Folder& record = FolderOf(*folded);
      if (record.state == Folder::State::Unlisted) record.state = Folder::State::Missing;
    }
  }
  looks_.emplace(path, answer);
  return answer;
}

std::optional<FolderListings::Entry> FolderListings::EntryAt(const std::string& path) {
  if (!IsDrivePath(path) || path.size() >= MAX_PATH) return std::nullopt;
  if (const auto looked = looks_.find(path); looked != looks_.end()) return looked->second;
  const size_t slash = path.rfind('\\');
  const std::string_view folder = std::string_view(path).substr(0, slash + 1);
  const std::string_view name = std::string_view(path).substr(slash + 1);
  if (name.empty()) return std::nullopt;
  if (!PlainFolderPart(folder)) return Look(path, nullptr, name);
  const std::string folded = FoldAscii(folder);
  Folder& record = FolderOf(folded);
  // Nothing is below a folder that is not there, whatever the name (but a
  // name with a slash may climb out of it).
  if ((record.state == Folder::State::Missing || AncestorMissing(folded)) &&
      name.find('/') == std::string_view::npos && SingleLookAnswers(path))
    return Entry::Missing;
  if (!PlainName(name)) return Look(path, &folded, name);
  if (record.state == Folder::State::Unlisted && ++record.looks > kLooksBeforeListing)
    List(folder, record);
  if (record.state == Folder::State::Missing) return Entry::Missing;
  if (record.state == Folder::State::Listed)
    if (const std::optional<Entry> listed = FromListing(record, name)) return listed;
  return Look(path, &folded, name);
}

std::optional<bool> FolderListings::AnyEntryWithExtension(const std::string& path) {
  if (!IsDrivePath(path) || path.size() + 2 >= MAX_PATH) return std::nullopt;
  const size_t slash = path.rfind('\\');
  const std::string_view folder = std::string_view(path).substr(0, slash + 1);
  const std::string_view name = std::string_view(path).substr(slash + 1);
  if (!PlainName(name) || !PlainFolderPart(folder)) return std::nullopt;
  const std::string folded = FoldAscii(folder);
  Folder& record = FolderOf(folded);
  if (record.state == Folder::State::Missing || AncestorMissing(folded)) return false;
  // A pattern needs the listing: the search it stands for reads the folder too.
  if (record.state == Folder::State::Unlisted) List(folder, record);
  if (record.state == Folder::State::Missing) return false;
  if (record.state != Folder::State::Listed) return std::nullopt;
  std::wstring prefix;
  if (IsAscii(name)) {
    const std::string folded = FoldAscii(name) + ".";
    for (const auto& [ascii, isFolder] : record.ascii)
      if (ascii.starts_with(folded)) return true;
    prefix = WideOfAscii(folded);
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
