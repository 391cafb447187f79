#include "engine/scan/short_names.h"

#include <windows.h>

#include <optional>
#include <string_view>

#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

constexpr DWORD kShortPathCapacity = 256;
constexpr std::string_view kReplacedByUnderscore = "+,;=[]";

std::string ShortOrLongName(const WIN32_FIND_DATAA& entry) {
  return entry.cAlternateFileName[0] != '\0' ? entry.cAlternateFileName : entry.cFileName;
}

bool IsFolder(const WIN32_FIND_DATAA& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The name part of an existing entry. With `folderOnly` the first folder among
// the matching entries wins; when none is a folder the first entry is taken,
// so that a path naming a file still gets its short form.
std::optional<std::string> ExistingNamePart(const std::string& path, bool folderOnly) {
  WIN32_FIND_DATAA entry;
  const ScopedFind find(FindFirstFileA(path.c_str(), &entry));
  if (!find) return std::nullopt;
  const std::string first = ShortOrLongName(entry);
  if (!folderOnly || IsFolder(entry)) return first;
  while (FindNextFileA(find.Get(), &entry)) {
    if (IsFolder(entry)) return ShortOrLongName(entry);
  }
  return first;
}

std::string NamePart(const std::string& path, bool folderOnly) {
  if (auto existing = ExistingNamePart(path, folderOnly)) return *existing;
  const size_t slash = path.rfind('\\');
  return BuildShortName(slash == std::string::npos ? path : path.substr(slash + 1));
}

bool EntryFound(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  WIN32_FIND_DATAA entry;
  return ScopedFind(FindFirstFileA(path.c_str(), &entry)).IsValid();
}

// "\\\\server\\share" (or "\\\\server"): the root of a network path, which has no
// short form and is kept as it is.
bool IsNetworkRoot(const std::string& path) {
  if (path.rfind("\\\\", 0) != 0) return false;
  const size_t server = path.find('\\', 2);
  return server == std::string::npos || path.find('\\', server + 1) == std::string::npos;
}

}  // namespace

std::string ShortFileName(const std::string& path) {
  char buffer[kShortPathCapacity];
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, kShortPathCapacity);
  if (length > 0 && length < kShortPathCapacity) {
    const std::string shortPath(buffer, length);
    if (EntryFound(shortPath)) return shortPath;
  }
  return MakeShortName(path, false);
}

std::string MakeShortName(const std::string& path, bool folderOnly) {
  // Component by component from the right; the folder parts are expected to
  // be folders. A loop rather than recursion, one turn per component.
  std::string tail;
  std::string rest = path;
  bool folderPart = folderOnly;
  for (;;) {
    if (IsNetworkRoot(rest)) return rest + tail;
    const std::string name = NamePart(rest, folderPart);
    const size_t slash = rest.rfind('\\');
    if (slash == std::string::npos) return name + tail;
    const std::string folder = rest.substr(0, slash);
    // A drive root such as "C:" ends the walk.
    if (folder.size() <= 3) {
      const char* separator = !folder.empty() && folder.back() == '\\' ? "" : "\\";
      return folder + separator + name + tail;
    }
    tail = "\\" + name + tail;
    rest = folder;
    folderPart = true;
  }
}

std::string BuildShortName(const std::string& longName) {
  const size_t lastDot = longName.rfind('.');
  std::string out;
  std::string buffer;
  bool changed = false;
  bool extensionTooLong = false;
  for (size_t i = 0; i < longName.size(); ++i) {
    const char c = longName[i];
    if (c == ' ') {
      changed = true;
    } else if (kReplacedByUnderscore.find(c) != std::string_view::npos) {
      buffer += '_';
      changed = true;
    } else if (c == '.' && i != lastDot) {
      changed = true;
    } else if (c == '.') {
      if (longName.size() - i - 1 > 3) changed = extensionTooLong = true;
      // The base is closed; the extension collects in the buffer from here.
      out += buffer.size() > 8 || changed ? buffer.substr(0, 6) + "~1." : buffer + ".";
      buffer.clear();
      changed = false;
    } else {
      buffer += c;
    }
  }
  return out + (extensionTooLong ? buffer.substr(0, 3) : buffer);
}

}  // namespace hvm
