// Installing a downloaded update: the package is checked against its
// digest and written into the update folder below the program's folder, the
// restart library is taken from the new program's data resource 990 into the
// same folder, and the restarter is started through rundll32.exe. It then
// waits for this program to end, copies the new files over it and starts the
// new program. Only administrators and the system can write the update folder,
// so nothing can be added or swapped there between the check and the copy,
// nor the library changed before rundll32 runs it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/update/zip_archive.h"

namespace hvm {

inline constexpr int kRestartLibraryResource = 990;
// The program file an update package must hold.
inline constexpr char kProgramFileName[] = "hvmend.exe";
// The update folder's name in the program's folder, and how the names an
// install makes there begin: the restart library ("rst*.tmp") and the package
// ("pkg*.tmp", a folder for an archive).
inline constexpr char kUpdateFolderName[] = "Update";
inline constexpr char kRestartLibraryPrefix[] = "rst";
inline constexpr char kPackagePrefix[] = "pkg";

struct InstallOutcome {
  enum class Result {
    kStarted,      // the restarter runs; this program is to end
    kNotVerified,  // no digest, or the package does not match it
    kBadPackage,   // an archive that is corrupt, unsafe or without the program
    kNoRestarter,  // the new program carries no restart library
    kNotStarted,   // the restarter could not be started (status says why)
  };
  Result result = Result::kNotStarted;
  uint32_t status = 0;  // the Win32 status of a failed file or process call
  std::string detail;   // why a package was refused

  bool Started() const { return result == Result::kStarted; }
};

// Where the pieces go and who is told: the program file to replace and the
// window the restarter waits for.
struct InstallTarget {
  std::string programPath;
  HWND window = nullptr;
};

// Installs the downloaded `file` whose SHA-256 must be `digest`. The
// downloaded file is removed once read; what the install makes in the update
// folder is removed on every path that does not start the restarter. A process
// without administrator rights cannot make the update folder (kNotStarted).
InstallOutcome InstallUpdate(const std::string& file, const std::string& digest,
                             const InstallTarget& target);

// Writes `entries` of a checked archive as files into the existing empty
// `folder`; on failure removes what it wrote and returns the Win32 status.
uint32_t WriteEntries(const std::vector<ZipEntry>& entries, const std::string& folder);

// Removes `folder` with the files in it (no sub-folders are expected).
void RemoveFolderWithFiles(const std::string& folder);

// "<programFolder>\Update": where an update waits to be copied and the
// restart library waits for rundll32.
std::string UpdateFolderFor(const std::string& programFolder);

// After an update the restarter starts the program with "/fromtemp" or
// "/updatefailed" and the restart library's path. The library is removed
// when the program ends (the restarter has let go of it long before), and the
// update folder with it once empty, but only when the path names a restart
// library directly in the update folder of `programFolder` (the program's own
// folder): the switch is on a command line anyone can type. Whether the
// library was removed.
bool RemoveRestartLibrary(const std::vector<std::string>& arguments,
                          const std::string& programFolder);

// A file the restarter may copy: its name in the source folder (or, for a
// package that is the program itself, the program's name) and the SHA-256 it
// had when the package was checked.
struct CheckedFile {
  std::string name;
  std::string sha256;
};

// The restarter's command line: "rundll32.exe", the library in double quotes
// (a long path may hold blanks where the short one could not be had) +
// ",bfs_restart", the source and the program in double quotes, the window in
// decimal, then "NAME|SHA256" in double quotes for each checked file: the
// restarter copies those and nothing else.
std::string RestarterCommandLine(const std::string& libraryPath, const std::string& source,
                                 const std::string& programPath, HWND window,
                                 const std::vector<CheckedFile>& files);

}  // namespace hvm
