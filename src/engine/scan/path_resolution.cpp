#include "engine/scan/path_resolution.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/core/environment.h"
#include "engine/scan/drive_types.h"
#include "engine/scan/file_tests.h"
#include "engine/scan/fs_redirection.h"
#include "engine/scan/scan_cache.h"

namespace hvm {
namespace {

constexpr DWORD kExpandLimit = 32 * 1024 - 1;

// The delimiters the backward scan cuts before, in the order their cuts are
// tried. The blank comes first and the backslash last; a backslash cut is
// tested with the file test only.
constexpr std::string_view kDelimiters = " ,;'{%-_!(@$#\\";
constexpr size_t kBlank = 0;
constexpr size_t kBackslash = kDelimiters.size() - 1;

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The copy of `s` from 1-based position `from`, empty past the end.
std::string_view CopyFrom(std::string_view s, int from) {
  const size_t start = size_t(from - 1);
  return start >= s.size() ? std::string_view() : s.substr(start);
}

// Runs of backslashes become one (so a network path's leading pair becomes
// a single backslash), and a backslash that escapes a double quote goes. A
// tab, which no file name holds, separates a program from its arguments as a
// blank does.
void CollapseBackslashes(std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '\\' && !out.empty() && out.back() == '\\') continue;
    if (c == '"' && !out.empty() && out.back() == '\\') out.pop_back();
    out.push_back(c == '\t' ? ' ' : c);
  }
  s.swap(out);
}

// A leading quoted part is all that counts: arguments after it are dropped.
void TakeLeadingQuotedPart(std::string& s) {
  while (!s.empty() && s.front() == '"') {
    const size_t closing = s.find('"', 1);
    s = closing == std::string::npos ? s.substr(1) : s.substr(1, closing - 1);
  }
}

void Normalise(std::string& s) {
  CollapseBackslashes(s);
  TakeLeadingQuotedPart(s);
}

std::string ExpandedOrAsIs(const std::string& s) {
  // Without a "%" there is nothing to expand. The buffer is sized from the
  // call's own answer, which may grow between the two calls (a variable set
  // meanwhile). Very long input makes some platforms (Wine among them) answer
  // with a short count and garbage, so a failure status counts as well as the
  // count.
  if (s.find('%') == std::string::npos) return s;
  // The platform takes at most 32K characters either way (Wine crashes past it).
  if (s.size() >= kExpandLimit) return s;
  std::string buffer;
  DWORD count = ExpandEnvironmentStringsA(s.c_str(), nullptr, 0);
  for (int attempt = 0; attempt < 4 && count > buffer.size(); ++attempt) {
    if (count >= kExpandLimit) return s;
    buffer.assign(size_t(count) + 1, '\0');
    SetLastError(ERROR_SUCCESS);
    count = ExpandEnvironmentStringsA(s.c_str(), buffer.data(), DWORD(buffer.size()));
    if (count == 0 || GetLastError() != ERROR_SUCCESS) return s;
  }
  if (count == 0 || count > buffer.size()) return s;
  return std::string(buffer.data(), strnlen(buffer.data(), count));
}

// The text before the first character that cannot belong to a path: a colon
// or slash from position 3 on (the colon at 2 is the drive's own), a double
// quote from position 2 on, a wildcard or redirection character anywhere.
void CutAtNonPathCharacter(std::string& s) {
  int best = 0;
  best = GetNonChar(best, ':', 3, CopyFrom(s, 3));
  best = GetNonChar(best, '/', 3, CopyFrom(s, 3));
  best = GetNonChar(best, '"', 2, CopyFrom(s, 2));
  for (char c : std::string_view("*?<>|")) best = GetNonChar(best, c, 1, s);
  if (best > 0) s.resize(size_t(best - 1));
}

bool IsDrivePath(const std::string& s) {
  return s.size() >= 3 && s[1] == ':' && s[2] == '\\';
}

bool OnDriveNeverChecked(const std::string& s) {
  if (!IsDrivePath(s)) return false;
  switch (DriveTypeOf(s)) {
    case DRIVE_REMOVABLE:
    case DRIVE_REMOTE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK: return true;
    default: return false;
  }
}

// Walks `s` from its end to its start and tests the text before each
// remembered delimiter at every check point ("." or backslash, the first
// character, or the character just left of a blank). Never looks past a
// folder boundary once the part right of it holds more than digits and
// backslashes.
bool BackwardScan(const std::string& s) {
  std::array<int, kDelimiters.size()> remembered{};
  bool nonDigitSeen = false;
  for (int i = int(s.size()); i >= 0; --i) {
    const char c = s[size_t(i == 0 ? 0 : i - 1)];
    const bool checkPoint = c == '.' || c == '\\' || i == 0 || remembered[kBlank] != 0;
    if (checkPoint) {
      for (size_t d = 0; d < remembered.size(); ++d) {
        const int p = remembered[d];
        if (p == 0 || (c == '\\' && p == i + 1)) continue;
        const std::string candidate = s.substr(0, size_t(p - 1));
        if (d == kBackslash ? nFileExists(candidate) : CandidateExists(candidate)) return true;
      }
      if (c == '\\' && nonDigitSeen) return false;
      remembered[kBlank] = 0;
    }
    const size_t d = kDelimiters.find(c);
    if (d != std::string_view::npos) remembered[d] = i;
    if (i > 0 && !IsDigit(c) && c != '\\') nonDigitSeen = true;
  }
  return false;
}

}  // namespace

int GetNonChar(int best, char character, int offset, std::string_view text) {
  const size_t found = text.find(character);
  if (found == std::string_view::npos) return best;
  const int q = int(found) + 1 + offset - 1;
  return best <= 0 || best >= q ? q : best;
}

bool CandidateExists(const std::string& candidate) {
  if (nFileExists(candidate)) return true;
  const size_t k = candidate.rfind('\\');
  if (k == std::string::npos) return true;
  const std::string folder = candidate.substr(0, k);
  const std::string name = candidate.substr(k + 1);
  if (FolderHoldsEntry(folder, name)) return true;
  if (k + 1 == candidate.size() ? FolderExists(folder) : FolderExists(candidate)) return true;
  // A program named without its extension, as the system completes it.
  for (const std::string& extension : ProgramExtensions())
    if (FolderHoldsEntry(folder, name + extension)) return true;
  return false;
}

namespace {

// An unquoted command line names its program before one of its blanks; the
// arguments after it ("-log data\x.log", "-d out\") are no part of the path
// and must not make a program that exists look missing.
bool ProgramBeforeABlankExists(const std::string& s) {
  for (size_t blank = s.find(' '); blank != std::string::npos; blank = s.find(' ', blank + 1)) {
    const std::string program = s.substr(0, blank);
    if (program.find('\\') == std::string::npos || program.back() == ' ') continue;
    if (FileExists(program)) return true;
    for (const std::string& extension : ProgramExtensions())
      if (FileExists(program + extension)) return true;
  }
  return false;
}

}  // namespace

namespace {

// The text FindSpace tests: normalised, expanded and cut where no path goes
// on. Nothing when the string is not checked at all.
std::optional<std::string> PathToTest(std::string s) {
  Normalise(s);
  while (!s.empty() && s.front() == '@') s.erase(0, 1);
  // The native object-manager prefixes name the same file as the path behind them.
  for (const std::string_view prefix : {"\\??\\", "\\?\\"})
    if (s.rfind(prefix, 0) == 0 && s.find(":\\") == prefix.size() + 1) s.erase(0, prefix.size());
  // Network paths and rooted system paths are not checked.
  if (!s.empty() && s.front() == '\\' && s.find(":\\") == std::string::npos) return std::nullopt;
  std::string expanded = ExpandedOrAsIs(s);
  // A variable that did not expand is not checked either, nor one that
  // expands to a network path (a profile folder kept on a server), nor one
  // that expands to a path on a drive that is not a fixed disk.
  if (!expanded.empty() && expanded.front() == '%') return std::nullopt;
  if (expanded.rfind("\\\\", 0) == 0) return std::nullopt;
  if (expanded != s && IsDrivePath(expanded) && DriveTypeOf(expanded) != DRIVE_FIXED)
    return std::nullopt;
  CutAtNonPathCharacter(expanded);
  return expanded;
}

}  // namespace

bool FindSpace(std::string s) {
  std::optional<std::string> path = PathToTest(std::move(s));
  if (!path) return true;
  s = std::move(*path);
  if (s.empty()) return false;
  if (ProgramBeforeABlankExists(s)) return true;
  if (s.back() == '\\') {
    s.pop_back();
    if (FileExists(s)) return true;
    if (!FolderExists(s)) return false;
  }
  if (OnDriveNeverChecked(s)) return false;
  if (CandidateExists(s)) return true;
  // A path whose extension is missing.
  if (AnyEntryMatches(s + ".*")) return true;
  return BackwardScan(s);
}

namespace {

// The text with every "system32" folder named as the 32-bit system folder
// "SysWOW64": what a 32-bit program that registered the path sees there.
std::string InWow64SystemFolder(const std::string& s) {
  constexpr std::string_view kNative = "\\system32";
  std::string result = s;
  for (size_t at = 0; at + kNative.size() <= result.size(); ++at) {
    if (_strnicmp(result.c_str() + at, kNative.data(), kNative.size()) != 0) continue;
    const char next = at + kNative.size() < result.size() ? result[at + kNative.size()] : '\0';
    if (next != '\0' && next != '\\' && next != '"' && next != ',' && next != ' ') continue;
    result.replace(at, kNative.size(), "\\SysWOW64");
  }
  return result;
}

}  // namespace

bool nFindSpace(const std::string& s) {
  if (FindSpace(s)) return true;
  if (!Environment().Is64BitWindows) return false;
  {
    // A bracket that switched nothing off (a 64-bit process) would only ask again.
    ScopedFsRedirectionOff unredirected;
    if (unredirected.Disabled() && FindSpace(s)) return true;
  }
  // This program runs as a 64-bit process, which the system never redirects:
  // a 32-bit program's "system32" path is looked up where it points for that
  // program, so its registrations are not judged missing.
  if (sizeof(void*) != 8) return false;
  const std::string wow64 = InWow64SystemFolder(s);
  return wow64 != s && FindSpace(wow64);
}

bool FindMultiSpace(std::string s) {
  // Each piece ends just before the drive letter of the next drive path. A
  // loop rather than recursion: registry strings can be long.
  for (;;) {
    Normalise(s);
    const size_t colon = s.find(":\\", 2);
    if (colon == std::string::npos) return nFindSpace(s);
    if (nFindSpace(s.substr(0, colon - 1))) return true;
    s.erase(0, colon - 1);
  }
}

namespace {

// Programs that run what their arguments name: a line starting with one of
// them is judged by its argument.
bool IsHostProgram(std::string name) {
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  for (const char* host : {"rundll32", "rundll", "regsvr32", "wscript", "cscript", "mshta",
                           "msiexec", "cmd", "powershell", "java", "javaw"})
    if (name == host) return true;
  return false;
}

// The program a command line starts with when it is named bare (no folder,
// no drive, no variable) and followed by a blank or tab; "" otherwise.
std::string BareProgramOf(const std::string& s) {
  const size_t end = s.find_first_of(" \t");
  if (end == 0 || end == std::string::npos) return "";
  const std::string program = s.substr(0, end);
  if (program.find_first_of("\\/:%\"") != std::string::npos) return "";
  return program;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A host program named with its folder and what follows it.
struct HostLine {
  std::string program;
  std::string arguments;
};

// "C:\Windows\system32\rundll32.exe x.dll,Entry", quoted or not: a host
// program named by its path, followed by arguments. Nothing for any other line
// (a host named bare is judged by its argument already).
std::optional<HostLine> HostNamedByPath(const std::string& s) {
  HostLine line;
  if (!s.empty() && s.front() == '"') {
    const size_t closing = s.find('"', 1);
    if (closing == std::string::npos) return std::nullopt;
    line = {s.substr(1, closing - 1), s.substr(closing + 1)};
  } else {
    // An unquoted path may hold blanks: the first cut whose name is a host
    // program file. Without its ".exe" a host's name may be a folder's ("C:\Java
    // Tools\...").
    constexpr size_t kLongestHostName = 14;
    size_t nameStart = 0;
    for (size_t i = 0; i < s.size() && line.program.empty(); ++i) {
      if (s[i] == '\\' || s[i] == '/') nameStart = i + 1;
      if ((s[i] != ' ' && s[i] != '\t') || i - nameStart > kLongestHostName) continue;
      const std::string name = s.substr(nameStart, i - nameStart);
      if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".exe") == 0 &&
          IsHostProgram(name))
        line = {s.substr(0, i), s.substr(i + 1)};
    }
  }
  if (line.program.find('\\') == std::string::npos || !IsHostProgram(FileNameOf(line.program)))
    return std::nullopt;
  line.arguments.erase(0, line.arguments.find_first_not_of(" \t"));
  if (line.arguments.empty()) return std::nullopt;
  return line;
}

}  // namespace

namespace {

// A verdict on a whole registry string, given once per scan.
template <class Test>
bool Remembered(const char* question, const std::string& s, Test test) {
  ScanCache* cache = ScanCache::Active();
  if (!cache || ScopedFsRedirectionOff::OffOnThisThread()) return test();
  return cache->Remember(question, s, test);
}

bool SoftwareExistsUncached(const std::string& s);
bool FilePathExistsUncached(const std::string& s);

}  // namespace

bool SoftwareExists(const std::string& s) {
  return Remembered("SoftwareExists", s, [&] { return SoftwareExistsUncached(s); });
}

bool FilePathExists(const std::string& s) {
  return Remembered("FilePathExists", s, [&] { return FilePathExistsUncached(s); });
}

namespace {

// "\\?\C:\..." and "\\.\C:\..." name the file on drive C: (Windows Installer
// registers type libraries so); only other paths that start with two
// backslashes lead to another machine.
std::string WithoutLocalDevicePrefix(const std::string& s) {
  const bool prefixed = s.starts_with("\\\\?\\") || s.starts_with("\\\\.\\");
  if (prefixed && s.size() > 6 && IsAsciiLetter(s[4]) && s.compare(5, 2, ":\\") == 0)
    return s.substr(4);
  return s;
}

bool SoftwareExistsUncached(const std::string& line) {
  // A host program runs what its arguments name, wherever it is named from:
  // the line is there when the host and what it is given are. A loop, as a
  // host may be given another one.
  std::string s = WithoutLocalDevicePrefix(line);
  for (;;) {
    if (s.empty() || s.starts_with("\\\\")) return true;
    std::optional<HostLine> host = HostNamedByPath(s);
    if (!host) break;
    if (!SoftwareExists(host->program)) return false;
    s = std::move(host->arguments);
  }
  // "app.exe C:\Logs\new.log": a line that starts with a bare program is
  // judged by that program, found as the system finds it; its argument may be
  // a file it writes later. Asked only of lines whose paths would be tested.
  const auto programFound = [&s] {
    const std::string program = BareProgramOf(s);
    return !program.empty() && !IsHostProgram(program) && ProgramOnSearchPath(program);
  };
  for (size_t colon = s.find(":\\"); colon != std::string::npos; colon = s.find(":\\", colon + 2)) {
    if (s.size() - (colon + 1) < 3) break;
    if (colon > 0 && IsAsciiLetter(s[colon - 1]) &&
        DriveTypeOf(std::string_view(s).substr(colon - 1)) == DRIVE_FIXED) {
      if (programFound()) return true;
      // A program named through a variable ahead of an argument path (a log
      // file not written yet) is what the line starts: found, it is present.
      const size_t percent = s.find('%');
      if (percent < colon - 1 && FindMultiSpace(s.substr(percent))) return true;
      return FindMultiSpace(s.substr(colon - 1));
    }
  }
  const size_t percent = s.find('%');
  return percent == std::string::npos || programFound() || FindMultiSpace(s.substr(percent));
}

}  // namespace

std::string ResolvedPath(const std::string& line) {
  // Of a host program named by its path, the host when it is gone, else what it runs.
  std::string s = line;
  for (std::optional<HostLine> host = HostNamedByPath(s); host; host = HostNamedByPath(s)) {
    if (!SoftwareExists(host->program)) return ResolvedPath(host->program);
    s = std::move(host->arguments);
  }
  // The piece SoftwareExists starts from: its first fixed-drive path, else its first "%".
  std::string piece = s;
  const size_t colon = s.find(":\\");
  if (colon != std::string::npos && colon > 0 && IsAsciiLetter(s[colon - 1]))
    piece = s.substr(colon - 1);
  else if (s.find('%') != std::string::npos)
    piece = s.substr(s.find('%'));
  std::string path = PathToTest(piece).value_or(piece);
  // Up to the next drive path, and without arguments or a resource index
  // behind the first name with an extension.
  const size_t next = path.find(":\\", 2);
  if (next != std::string::npos) path.resize(next - 1);
  for (size_t dot = path.find('.'); dot != std::string::npos; dot = path.find('.', dot + 1)) {
    const size_t end = path.find_first_of(" ,", dot);
    if (end == std::string::npos) break;
    if (path.find('\\', dot) < end) continue;
    path.resize(end);
    break;
  }
  while (!path.empty() && path.back() == ' ') path.pop_back();
  return path;
}

namespace {

bool FilePathExistsUncached(const std::string& s) {
  if (s.empty()) return false;
  const size_t colon = s.find(":\\");
  if (colon != std::string::npos) {
    const size_t letter = colon == 0 ? 0 : colon - 1;
    if (DriveTypeOf(std::string_view(s).substr(letter)) != DRIVE_FIXED) return true;
  }
  return nFindSpace(s);
}

}  // namespace

std::string LeadingProgram(const std::string& line) {
  if (!line.empty() && line.front() == '"') return line.substr(1, line.find('"', 1) - 1);
  return line.substr(0, line.find_first_of(" \t"));
}

bool NamesRelativeProgram(const std::string& line) {
  const std::string program = LeadingProgram(line);
  return !program.empty() && program.front() != '\\' && program.front() != '/' &&
         program.find_first_of(":%") == std::string::npos;
}

namespace {

// `line` in `folder`, inside the line's quotes when it has them.
std::string InFolder(const std::string& folder, const std::string& line) {
  const std::string slashed = folder.back() == '\\' ? folder : folder + "\\";
  return !line.empty() && line.front() == '"' ? '"' + slashed + line.substr(1) : slashed + line;
}

// The readings of a command line's program, as the system tries them: the
// quoted part of a quoted line; else the text before each blank or tab in
// turn, and the whole line.
std::vector<std::string> ProgramReadings(const std::string& line) {
  if (!line.empty() && line.front() == '"') return {LeadingProgram(line)};
  std::vector<std::string> readings;
  // No program name is longer than a path may be.
  for (size_t cut = line.find_first_of(" \t"); cut != std::string::npos && cut < MAX_PATH;
       cut = line.find_first_of(" \t", cut + 1))
    if (cut > 0) readings.push_back(line.substr(0, cut));
  if (line.size() < MAX_PATH) readings.push_back(line);
  return readings;
}

}  // namespace

bool ValueFileExists(const std::string& data, const std::vector<std::string>& folders) {
  // A full path joined to a folder would be split again before its drive, and
  // the folder alone found: only a relative name is looked for in folders.
  if (!NamesRelativeProgram(data)) return SoftwareExists(data);
  // A host program is there anyway: what it runs decides, wherever it is.
  const std::string program = LeadingProgram(data);
  if (IsHostProgram(program)) return SoftwareExists(data);
  for (const std::string& folder : folders)
    if (!folder.empty() && SoftwareExists(InFolder(folder, data))) return true;
  // A folder part relative to none of the folders names nothing checkable.
  if (program.find_first_of("\\/") != std::string::npos) return SoftwareExists(data);
  if (OnDefaultSearchPath(data)) return true;
  for (const std::string& reading : ProgramReadings(data))
    if (ProgramOnSearchPath(reading)) return true;
  return false;
}

std::string ValueFileResolvedPath(const std::string& data,
                                  const std::vector<std::string>& folders) {
  const std::string program = LeadingProgram(data);
  if (NamesRelativeProgram(data) && program.find_first_of("\\/") == std::string::npos &&
      !IsHostProgram(program))
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
      if (!folder->empty()) return ResolvedPath(InFolder(*folder, data));
  return ResolvedPath(data);
}

}  // namespace hvm
