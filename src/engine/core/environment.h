// The values many parts of the program read: its folders, the Windows version
// it runs on, whether that Windows is 64-bit, whether the user is an
// administrator, the program's version text, the name of today's undo snapshot
// and the interface font. Computed once, before any window exists.
#pragma once

#include <windows.h>

#include <string>

namespace hvm {

struct InterfaceFont {
  std::string name;
  // Points added to every control's designed size.
  int sizeIncrease = 0;
};

struct EnvironmentValues {
  // Folder of the executable, without a trailing backslash.
  std::string programFolder;
  // Local application data + "\BrightfoldSoftware", or the program folder.
  std::string dataFolder;
  // Both with exactly one trailing backslash.
  std::string windowsFolder;
  std::string systemFolder;
  int WindowsVersionCode = 0;
  bool Is64BitWindows = false;
  bool IsAdministrator = false;
  std::string VersionText;
  std::string SnapshotName;
  InterfaceFont interfaceFont;
};

// The values; all empty or false until InitEnvironment has run.
const EnvironmentValues& Environment();

// Computes every value, in the order of the fields above, and creates the data
// folder when it is missing.
void InitEnvironment();

// Recomputes SnapshotName for today's date (the main window does so when it is
// shown, since the program may run past midnight).
void RefreshSnapshotName();

// The pieces InitEnvironment is made of, each usable on its own.

// 1 Windows 95, 2 Windows 98, 3 Windows ME, 4 NT 4 or older, 5 Windows 2000,
// 6 XP, 7 NT 5.2, 8 Vista, 0 anything else (later versions included).
int WindowsVersionCodeFor(DWORD platformId, DWORD major, DWORD minor);

// How GetSystemWow64DirectoryW is called; the real one or a stand-in for a
// Windows this program cannot run on here.
using Wow64DirectoryFunction = UINT(WINAPI*)(LPWSTR buffer, UINT size);
// True when `probe` exists and a call either succeeds or fails with anything
// but ERROR_CALL_NOT_IMPLEMENTED (32-bit XP has the function but no WOW64).
bool Is64BitWindowsWith(Wow64DirectoryFunction probe);

// Whether the thread's token, else the process token, holds the group
// BUILTIN\Administrators. Any failing call gives false.
bool TokenHoldsAdministrators();

// The "FileVersion" string of `file`'s version resource; when that is empty,
// the fixed file version as "a.b.c.d"; when there is no resource, "".
std::string VersionTextOf(const std::string& file);

// The computer's DNS host name as the system gives it (the name an
// administrator knows it by); empty when the system gives none.
std::string ComputerName();

// "Undo" + the date as "yyyymmdd".
std::string SnapshotNameFor(int year, int month, int day);

// Where the data folder goes: `localAppData` without a trailing backslash plus
// "\BrightfoldSoftware", or the program folder when `localAppData` is empty.
std::string DataFolderFor(const std::string& localAppData, const std::string& programFolder);

// Whether a font family of that name is installed.
bool FontInstalled(const std::string& face);

// "Segoe UI" one point larger when installed, else "Tahoma" as designed.
InterfaceFont ChooseInterfaceFont();

}  // namespace hvm
