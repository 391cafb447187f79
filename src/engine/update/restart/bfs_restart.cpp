// The restart library: a small DLL run by rundll32.exe after an update was
// downloaded, as
//   rundll32.exe LIBRARY,bfs_restart "SOURCE" "TARGET" WINDOW
// It ends the running program (WINDOW), waits for it to be gone, copies the
// new files from SOURCE (a folder ending in a backslash, or one file) over the
// program TARGET and its folder, and starts TARGET again. When the copy
// failed, the program is started with a switch that makes it say so instead
// of quietly running the old version.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

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

LONGLONG FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Pairs of source and destination file for the copy.
std::vector<std::pair<std::string, std::string>> CopyPairs(const std::string& source,
                                                           const std::string& target) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (source.empty() || source.back() != '\\') {
    pairs.emplace_back(source, target);
    return pairs;
  }
  const std::string destination = FolderOf(target);
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((source + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return pairs;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      pairs.emplace_back(source + found.cFileName, destination + found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  // The program itself last: a copy that fails on the way leaves the old
  // program whole rather than a new program among old files.
  std::stable_partition(pairs.begin(), pairs.end(), [&](const auto& pair) {
    return lstrcmpiA(pair.second.c_str(), target.c_str()) != 0;
  });
  return pairs;
}

// The shell's copy, overwriting, without questions or error boxes; then
// every destination is checked to hold its source's bytes count, since the
// shell may report success for a copy it skipped.
bool CopyFiles(const std::vector<std::pair<std::string, std::string>>& pairs) {
  if (pairs.empty()) return false;
  std::string from, to;
  for (const auto& [source, destination] : pairs) {
    from += source + '\0';
    to += destination + '\0';
  }
  from += '\0';
  to += '\0';
  SHFILEOPSTRUCTA operation{};
  operation.wFunc = FO_COPY;
  operation.pFrom = from.c_str();
  operation.pTo = to.c_str();
  operation.fFlags =
      FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | (pairs.size() > 1 ? FOF_MULTIDESTFILES : 0);
  if (SHFileOperationA(&operation) != 0 || operation.fAnyOperationsAborted) return false;
  for (const auto& [source, destination] : pairs) {
    const LONGLONG size = FileSize(source);
    if (size < 0 || FileSize(destination) != size) return false;
  }
  return true;
}

void RemoveSource(const std::string& source,
                  const std::vector<std::pair<std::string, std::string>>& pairs) {
  for (const auto& pair : pairs) DeleteFileA(pair.first.c_str());
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
  const auto pairs = CopyPairs(source, target);
  // A file the platform still holds for a moment after the program ended
  // makes a copy fail that succeeds a little later: tried again, within the
  // same patience.
  bool copied = CopyFiles(pairs);
  while (!copied && !pairs.empty() && GetTickCount() - start < kPatienceMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
    DispatchOwnMessages();
    copied = CopyFiles(pairs);
  }
  RemoveSource(source, pairs);
  StartProgram(target, copied);
}
