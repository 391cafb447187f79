#include "engine/update/install_update.h"

#include <algorithm>

#include "engine/core/scoped_handle.h"
#include "engine/update/package_digest.h"
#include "engine/update/url_download.h"
#include "engine/update/zip_archive.h"

namespace hvm {
namespace {

using Result = InstallOutcome::Result;

InstallOutcome Outcome(Result result, uint32_t status, std::string detail = {}) {
  InstallOutcome outcome;
  outcome.result = result;
  outcome.status = status;
  outcome.detail = std::move(detail);
  return outcome;
}

// Writes a new file; a file already there is left alone (CREATE_NEW), and a
// file this call made but could not fill is removed again.
uint32_t WriteFileBytes(const std::string& path, const std::string& bytes) {
  ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(file.Get(), bytes.data() + done, piece, &written, nullptr) || written == 0) {
      const uint32_t status = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
      file.Close();
      DeleteFileA(path.c_str());
      return status;
    }
    done += written;
  }
  return ERROR_SUCCESS;
}

// The new program's restart library (data resource 990) copied into a new
// temporary file; its path, or empty text.
std::string ExtractRestartLibrary(const std::string& programFile, uint32_t& status) {
  // As an image resource only: nothing of the new program runs here.
  ScopedModule module(LoadLibraryExA(programFile.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) {
    status = GetLastError();
    return {};
  }
  HRSRC found = FindResourceA(module.Get(), MAKEINTRESOURCEA(kRestartLibraryResource), RT_RCDATA);
  HGLOBAL loaded = found ? LoadResource(module.Get(), found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    status = ERROR_RESOURCE_DATA_NOT_FOUND;
    return {};
  }
  const std::string library = MakeTempFile();
  if (library.empty()) {
    status = GetLastError();
    return {};
  }
  DeleteFileA(library.c_str());
  status = WriteFileBytes(
      library, std::string(static_cast<const char*>(data), SizeofResource(module.Get(), found)));
  if (status != ERROR_SUCCESS) {
    DeleteFileA(library.c_str());
    return {};
  }
  return library;
}

std::string ShortPath(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

uint32_t StartRestarter(const std::string& library, const std::string& source,
                        const std::vector<CheckedFile>& files, const InstallTarget& target) {
  std::string commandLine =
      RestarterCommandLine(ShortPath(library), source, target.programPath, target.window, files);
  // The system's own rundll32, never one that happens to lie in the program's
  // or the current folder.
  char system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(system, sizeof(system));
  if (length == 0 || length >= sizeof(system)) return GetLastError();
  const std::string host = std::string(system) + "\\rundll32.exe";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(host.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                      &process))
    return GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ERROR_SUCCESS;
}

struct Unpacked {
  std::string source;              // a folder with a trailing backslash, or the file itself
  std::string programFile;         // where the restart library is read from
  std::string folder;              // the temporary folder, when one was made
  std::vector<CheckedFile> files;  // what the restarter may copy
};

InstallOutcome Unpack(const std::string& file, const std::string& bytes, Unpacked& unpacked) {
  if (!LooksLikeZip(bytes)) {
    unpacked.source = unpacked.programFile = file;
    unpacked.files.push_back({kProgramFileName, Sha256Text(bytes)});
    return Outcome(Result::kStarted, 0);
  }
  std::vector<ZipEntry> entries;
  try {
    entries = ReadZipArchive(bytes);
  } catch (const ZipError& error) {
    return Outcome(Result::kBadPackage, ERROR_INVALID_DATA, error.what());
  }
  bool hasProgram = false;
  for (const ZipEntry& entry : entries)
    hasProgram |= CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry.name.c_str(), -1,
                                 kProgramFileName, -1) == CSTR_EQUAL;
  if (!hasProgram)
    return Outcome(Result::kBadPackage, ERROR_FILE_NOT_FOUND,
                   std::string("The update archive holds no ") + kProgramFileName);
  const std::string folder = MakeTempFile();
  if (folder.empty()) return Outcome(Result::kBadPackage, GetLastError());
  DeleteFileA(folder.c_str());
  if (!CreateDirectoryA(folder.c_str(), nullptr))
    return Outcome(Result::kBadPackage, GetLastError());
  if (const uint32_t status = WriteEntries(entries, folder)) {
    RemoveDirectoryA(folder.c_str());
    return Outcome(Result::kBadPackage, status, "The update could not be unpacked");
  }
  for (const ZipEntry& entry : entries)
    unpacked.files.push_back({entry.name, Sha256Text(entry.data)});
  unpacked.folder = folder;
  unpacked.source = folder + "\\";
  unpacked.programFile = folder + "\\" + kProgramFileName;
  return Outcome(Result::kStarted, 0);
}

}  // namespace

uint32_t WriteEntries(const std::vector<ZipEntry>& entries, const std::string& folder) {
  std::vector<std::string> written;
  for (const ZipEntry& entry : entries) {
    const std::string path = folder + "\\" + entry.name;
    if (const uint32_t status = WriteFileBytes(path, entry.data)) {
      for (const std::string& done : written) DeleteFileA(done.c_str());
      return status;
    }
    written.push_back(path);
  }
  return ERROR_SUCCESS;
}

void RemoveFolderWithFiles(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  ScopedFind find(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (find) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find.Get(), &found));
  }
  find.Close();
  RemoveDirectoryA(folder.c_str());
}

namespace {

std::string LongPath(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

bool IsOurTempFile(const std::string& path) {
  char folder[MAX_PATH] = {};
  const DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder)) return false;
  const std::string full = LongPath(path);
  const size_t slash = full.find_last_of('\\');
  if (slash == std::string::npos) return false;
  const std::string name = full.substr(slash + 1);
  auto same = [](const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
  };
  return same(full.substr(0, slash + 1), LongPath(folder)) && name.size() > 7 &&
         same(name.substr(0, 3), "reg") && same(name.substr(name.size() - 4), ".tmp") &&
         name.find_first_of("/:") == std::string::npos;
}

}  // namespace

bool RemoveRestartLibrary(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) return false;
  if (arguments[0] != "/fromtemp" && arguments[0] != "/updatefailed") return false;
  if (!IsOurTempFile(arguments[1])) return false;
  return DeleteFileA(arguments[1].c_str()) != FALSE;
}

std::string RestarterCommandLine(const std::string& libraryPath, const std::string& source,
                                 const std::string& programPath, HWND window,
                                 const std::vector<CheckedFile>& files) {
  std::string line = "rundll32.exe \"" + libraryPath + "\",bfs_restart \"" + source + "\" \"" +
                     programPath + "\" " + std::to_string(reinterpret_cast<uintptr_t>(window));
  for (const CheckedFile& file : files) line += " \"" + file.name + "|" + file.sha256 + "\"";
  return line;
}

InstallOutcome InstallUpdate(const std::string& file, const std::string& digest,
                             const InstallTarget& target) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) {
    const uint32_t status = GetLastError() ? GetLastError() : ERROR_FILE_TOO_LARGE;
    DeleteFileA(file.c_str());
    return Outcome(Result::kBadPackage, status, "The update could not be read");
  }
  // Nothing downloaded is opened, unpacked or run before it is known to be
  // the package the server published.
  if (!MatchesDigest(bytes, digest)) {
    DeleteFileA(file.c_str());
    return Outcome(Result::kNotVerified, ERROR_INVALID_DATA,
                   "The update does not match its published digest");
  }
  Unpacked unpacked;
  InstallOutcome outcome = Unpack(file, bytes, unpacked);
  if (!unpacked.folder.empty() || !outcome.Started()) DeleteFileA(file.c_str());
  if (!outcome.Started()) return outcome;
  auto discard = [&] {
    if (!unpacked.folder.empty())
      RemoveFolderWithFiles(unpacked.folder);
    else
      DeleteFileA(file.c_str());
  };

  uint32_t status = 0;
  const std::string library = ExtractRestartLibrary(unpacked.programFile, status);
  if (library.empty()) {
    discard();
    return Outcome(Result::kNoRestarter, status, "The update carries no restart library");
  }
  status = StartRestarter(library, unpacked.source, unpacked.files, target);
  if (status != ERROR_SUCCESS) {
    discard();
    DeleteFileA(library.c_str());
    return Outcome(Result::kNotStarted, status);
  }
  return outcome;
}

}  // namespace hvm
