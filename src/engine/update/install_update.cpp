#include "engine/update/install_update.h"

#include <algorithm>

#include "engine/core/scoped_handle.h"
#include "engine/update/admin_only_folder.h"
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

// A new name in `folder`: `prefix`, a number and ".tmp", made there as an
// empty file by the system so that no other install takes it; empty text when
// none could be made.
std::string NewName(const std::string& folder, const char* prefix) {
  char name[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), prefix, 0, name)) return {};
  return name;
}

// The new program's restart library (data resource 990) copied into a new
// file of the update folder; its path, or empty text.
std::string ExtractRestartLibrary(const std::string& programFile, const std::string& folder,
                                  uint32_t& status) {
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
  const std::string library = NewName(folder, kRestartLibraryPrefix);
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

// The checked package as files: the entries of a ZIP archive, which must
// hold the program, or the program itself.
InstallOutcome PackageEntries(std::string bytes, bool archive, std::vector<ZipEntry>& entries) {
  if (!archive) {
    entries.push_back({kProgramFileName, std::move(bytes)});
    return Outcome(Result::kStarted, 0);
  }
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
  return Outcome(Result::kStarted, 0);
}

// What an install made in the update folder: the package (a folder of its
// own for an archive, else the program file) and the restart library. All of
// it goes again when the restarter is not started.
struct Staging {
  std::string updateFolder;
  std::string package;  // empty until made
  bool packageIsFolder = false;
  std::string library;  // empty until made

  // What the restarter copies from: a folder ends in a backslash.
  std::string Source() const { return packageIsFolder ? package + "\\" : package; }
  std::string ProgramFile() const {
    return packageIsFolder ? package + "\\" + kProgramFileName : package;
  }
  void Discard() const {
    if (packageIsFolder)
      RemoveFolderWithFiles(package);
    else if (!package.empty())
      DeleteFileA(package.c_str());
    if (!library.empty()) DeleteFileA(library.c_str());
    // Only when empty: the library of an update installed earlier in this
    // run of the program waits there until the program ends.
    RemoveDirectoryA(updateFolder.c_str());
  }
};

// The update folder, made for administrators only when it is not there. One
// that is there is used as it is: below the program's folder only those who
// may write the program itself can have made it. A link is refused, since it
// could lead anywhere.
uint32_t OpenUpdateFolder(const std::string& folder) {
  const uint32_t status = CreateAdminOnlyFolder(folder);
  if (status != ERROR_ALREADY_EXISTS) return status;
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  const bool plainFolder = attributes != INVALID_FILE_ATTRIBUTES &&
                           (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  return plainFolder ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
}

// The checked entries written under a new name in the update folder: an
// archive's into a new admin-only folder, a lone program as one file (which
// takes the update folder's access list).
InstallOutcome StagePackage(const std::vector<ZipEntry>& entries, bool archive, Staging& staging) {
  const std::string name = NewName(staging.updateFolder, kPackagePrefix);
  if (name.empty()) return Outcome(Result::kNotStarted, GetLastError());
  DeleteFileA(name.c_str());
  uint32_t status = ERROR_SUCCESS;
  if (archive) {
    if ((status = CreateAdminOnlyFolder(name))) return Outcome(Result::kNotStarted, status);
    staging.package = name;
    staging.packageIsFolder = true;
    status = WriteEntries(entries, name);
  } else if ((status = WriteFileBytes(name, entries.front().data)) == ERROR_SUCCESS) {
    staging.package = name;
  }
  if (status != ERROR_SUCCESS)
    return Outcome(Result::kBadPackage, status, "The update could not be unpacked");
  return Outcome(Result::kStarted, 0);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
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

std::string UpdateFolderFor(const std::string& programFolder) {
  return programFolder + "\\" + kUpdateFolderName;
}

namespace {

std::string LongPath(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_EQUAL;
}

// A restart library an install made: a "rst*.tmp" file directly in the
// update folder of `programFolder`, however the path is spelt (short names,
// letter case). A path that only leads there by ".." is not one.
bool IsOurRestartLibrary(const std::string& path, const std::string& programFolder) {
  if (programFolder.empty()) return false;
  const std::string full = LongPath(path);
  const size_t slash = full.find_last_of('\\');
  if (slash == std::string::npos) return false;
  const std::string name = full.substr(slash + 1);
  const size_t prefix = sizeof(kRestartLibraryPrefix) - 1;
  return SameText(full.substr(0, slash), LongPath(UpdateFolderFor(programFolder))) &&
         name.size() > prefix + 4 && SameText(name.substr(0, prefix), kRestartLibraryPrefix) &&
         SameText(name.substr(name.size() - 4), ".tmp") &&
         name.find_first_of("/:") == std::string::npos;
}

}  // namespace

bool RemoveRestartLibrary(const std::vector<std::string>& arguments,
                          const std::string& programFolder) {
  if (arguments.size() < 2) return false;
  if (arguments[0] != "/fromtemp" && arguments[0] != "/updatefailed") return false;
  if (!IsOurRestartLibrary(arguments[1], programFolder)) return false;
  if (!DeleteFileA(arguments[1].c_str())) return false;
  // The restarter removed the package it copied: the folder goes too unless
  // something else still waits there.
  RemoveDirectoryA(UpdateFolderFor(programFolder).c_str());
  return true;
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
  // From here on only these bytes are checked and installed, never the
  // download again, which any program of the user could change.
  DeleteFileA(file.c_str());
  // Nothing downloaded is opened, unpacked or run before it is known to be
  // the package the server published.
  if (!MatchesDigest(bytes, digest))
    return Outcome(Result::kNotVerified, ERROR_INVALID_DATA,
                   "The update does not match its published digest");
  const bool archive = LooksLikeZip(bytes);
  std::vector<ZipEntry> entries;
  InstallOutcome outcome = PackageEntries(std::move(bytes), archive, entries);
  if (!outcome.Started()) return outcome;

  const std::string programFolder = FolderOf(target.programPath);
  if (programFolder.empty()) return Outcome(Result::kNotStarted, ERROR_BAD_PATHNAME);
  Staging staging;
  staging.updateFolder = UpdateFolderFor(programFolder);
  if (const uint32_t status = OpenUpdateFolder(staging.updateFolder))
    return Outcome(Result::kNotStarted, status);
  outcome = StagePackage(entries, archive, staging);
  if (!outcome.Started()) {
    staging.Discard();
    return outcome;
  }
  uint32_t status = 0;
  staging.library = ExtractRestartLibrary(staging.ProgramFile(), staging.updateFolder, status);
  if (staging.library.empty()) {
    staging.Discard();
    return Outcome(Result::kNoRestarter, status, "The update carries no restart library");
  }
  std::vector<CheckedFile> files;
  for (const ZipEntry& entry : entries) files.push_back({entry.name, Sha256Text(entry.data)});
  status = StartRestarter(staging.library, staging.Source(), files, target);
  if (status != ERROR_SUCCESS) {
    staging.Discard();
    return Outcome(Result::kNotStarted, status);
  }
  return outcome;
}

}  // namespace hvm
