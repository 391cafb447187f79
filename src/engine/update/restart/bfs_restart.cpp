// The restart library: a small DLL run by rundll32.exe after an update was
// downloaded, as
//   rundll32.exe "LIBRARY",bfs_restart "SOURCE" "TARGET" WINDOW "NAME|SHA256"...
// It ends the running program (WINDOW), waits for it to be gone, copies the
// new files from SOURCE (a folder ending in a backslash, or one file) over the
// program TARGET and its folder, and starts TARGET again. When the copy
// failed, the program is started with a switch that makes it say so instead
// of quietly running the old version.
//
// SOURCE and this library lie in the update folder below the program's
// folder, which only administrators and the system can write, so no other
// program of the user can add or swap a file there between the program's
// check of the package and this copy. Should one have got there all the same,
// only the files named on the command line are copied, each read into memory,
// hashed and written from those very bytes; when any of them is missing or no
// longer matches its digest, nothing at all is copied.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/update/package_digest.h"

namespace {

constexpr DWORD kPatienceMs = 30000;

// The quoted and bare words of the command line rundll32 hands over.
std::vector<std::string> SplitArguments(const char* line) {
  std::vector<std::string> words;
  std::string text = line ? line : "";
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size()) break;
    std::string word;
    if (text[at] == '"') {
      const size_t close = text.find('"', at + 1);
      word = text.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
      at = close == std::string::npos ? text.size() : close + 1;
    } else {
      const size_t blank = text.find(' ', at);
      word = text.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
      at = blank == std::string::npos ? text.size() : blank;
    }
    words.push_back(word);
  }
  return words;
}

void DispatchOwnMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool WindowGone(HWND window) {
  char title[8];
  return !IsWindow(window) || (GetWindowTextA(window, title, sizeof(title)) == 0 &&
                               GetLastError() == ERROR_INVALID_WINDOW_HANDLE);
}

// Tells the program to end and waits until it has: its window gone and, when
// its process can be watched, the process ended too, since the program's file
// stays locked until then.
void EndProgram(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = processId ? OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr;
  PostMessageA(window, WM_QUIT, 0, 0);
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= kPatienceMs) break;
    if (process) {
      const DWORD woke =
          MsgWaitForMultipleObjects(1, &process, FALSE, kPatienceMs - waited, QS_ALLINPUT);
      DispatchOwnMessages();
      if (woke == WAIT_OBJECT_0 || woke == WAIT_TIMEOUT) break;
    } else {
      if (WindowGone(window)) break;
      Sleep(333);
      DispatchOwnMessages();
    }
  }
  if (process) CloseHandle(process);
}

// The platform lets go of an ended program's file a moment after the process
// has ended; until then it cannot be overwritten. Waits, within the same
// patience, until the file can be opened for writing (or is not there).
void WaitUntilWritable(const std::string& path, DWORD start) {
  for (;;) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    if (GetTickCount() - start >= kPatienceMs) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    DispatchOwnMessages();
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// One checked file: where it is read from, where it goes, and the digest it
// had when the program checked the package.
struct CopyPair {
  std::string source;
  std::string destination;
  std::string digest;
  std::string bytes;  // as read and found to match
};

// A bare file name: anything else could lead the copy out of the folders.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

// The pairs for the checked list ("NAME|SHA256" words), the program itself
// last, so that a copy that fails on the way leaves the old program whole
// rather than a new program among old files. Empty when the list is empty or
// names anything but plain file names; a SOURCE that is one file takes
// exactly one entry, for the program.
std::vector<CopyPair> CopyPairs(const std::string& source, const std::string& target,
                                const std::vector<std::string>& checked) {
  std::vector<CopyPair> pairs;
  const bool folder = !source.empty() && source.back() == '\\';
  if (checked.empty() || (!folder && checked.size() != 1)) return {};
  const std::string destination = FolderOf(target);
  for (const std::string& word : checked) {
    const size_t bar = word.rfind('|');
    if (bar == std::string::npos) return {};
    const std::string name = word.substr(0, bar);
    if (!IsPlainName(name)) return {};
    if (folder)
      pairs.push_back({source + name, destination + name, word.substr(bar + 1), {}});
    else
      pairs.push_back({source, target, word.substr(bar + 1), {}});
  }
  std::stable_partition(pairs.begin(), pairs.end(), [&](const CopyPair& pair) {
    return lstrcmpiA(pair.destination.c_str(), target.c_str()) != 0;
  });
  return pairs;
}

bool ReadWhole(const std::string& path, std::string& bytes) {
  // Nobody may write to it while it is read.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool whole = GetFileSizeEx(file, &size) && size.QuadPart < (LONGLONG(1) << 31);
  if (whole) bytes.resize(size_t(size.QuadPart));
  for (size_t done = 0; whole && done < bytes.size();) {
    DWORD read = 0;
    whole =
        ReadFile(file, bytes.data() + done, DWORD(bytes.size() - done), &read, nullptr) && read > 0;
    done += read;
  }
  CloseHandle(file);
  return whole;
}

// Every file of the list read and compared with its digest; false, and
// nothing is to be copied, when one is missing or has changed.
bool ReadChecked(std::vector<CopyPair>& pairs) {
  if (pairs.empty()) return false;
  for (CopyPair& pair : pairs)
    if (!ReadWhole(pair.source, pair.bytes) || !hvm::MatchesDigest(pair.bytes, pair.digest))
      return false;
  return true;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool whole = true;
  for (size_t done = 0; whole && done < bytes.size();) {
    DWORD written = 0;
    const DWORD piece = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
    whole = WriteFile(file, bytes.data() + done, piece, &written, nullptr) && written > 0;
    done += written;
  }
  whole = FlushFileBuffers(file) && whole;
  CloseHandle(file);
  return whole;
}

// The checked bytes written beside each destination and moved over it, so
// that a destination is either the old file or the new one, never a part.
// True when every file is in place; a file done stays done when a later one
// fails, and the next attempt writes it again.
bool CopyFiles(const std::vector<CopyPair>& pairs) {
  for (const CopyPair& pair : pairs) {
    const std::string fresh = pair.destination + ".new";
    if (!WriteWhole(fresh, pair.bytes) ||
        !MoveFileExA(fresh.c_str(), pair.destination.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileA(fresh.c_str());
      return false;
    }
  }
  return true;
}

void RemoveSource(const std::string& source, const std::vector<CopyPair>& pairs) {
  for (const CopyPair& pair : pairs) DeleteFileA(pair.source.c_str());
  if (!source.empty() && source.back() == '\\')
    RemoveDirectoryA(source.substr(0, source.size() - 1).c_str());
}

std::string OwnPath() {
  HMODULE self = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&OwnPath), &self);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(self, path, sizeof(path));
  return path;
}

void StartProgram(const std::string& target, bool copied) {
  std::string commandLine =
      "\"" + target + "\"" + (copied ? " /fromtemp " : " /updatefailed ") + "\"" + OwnPath() + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  const std::string folder = FolderOf(target);
  if (CreateProcessA(target.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace

extern "C" __declspec(dllexport) void CALLBACK
    bfs_restart(HWND, HINSTANCE, LPSTR commandLine, int) {
  const std::vector<std::string> words = SplitArguments(commandLine);
  if (words.size() < 3) return;
  const std::string& source = words[0];
  const std::string& target = words[1];
  HWND window =
      reinterpret_cast<HWND>(static_cast<uintptr_t>(_strtoui64(words[2].c_str(), nullptr, 10)));
  const DWORD start = GetTickCount();
  EndProgram(window);
  WaitUntilWritable(target, start);
  std::vector<CopyPair> pairs =
      CopyPairs(source, target, std::vector<std::string>(words.begin() + 3, words.end()));
  const bool checked = ReadChecked(pairs);
  // A file the platform still holds for a moment after the program ended
  // makes a copy fail that succeeds a little later: tried again, within the
  // same patience.
  bool copied = checked && CopyFiles(pairs);
  while (checked && !copied && GetTickCount() - start < kPatienceMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
    DispatchOwnMessages();
    copied = CopyFiles(pairs);
  }
  RemoveSource(source, pairs);
  StartProgram(target, copied);
}
