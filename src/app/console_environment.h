// What the console verbs take from the running system until the program's
// environment joins: the data folder, the version code, today's snapshot name
// and whether the user is an administrator.
#pragma once

#include <string>

namespace hvm {

// The local application-data folder + "\BrightfoldSoftware".
std::string DefaultDataFolder();
// 1..8 for Windows 95 to Vista, 0 for any other system.
int ConsoleWindowsVersionCode();
// "Undo" + the local date as yyyymmdd.
std::string TodaysSnapshotName();
bool ConsoleIsAdministrator();
// Creates the folder and its missing parents; true when it exists afterwards.
bool EnsureFolder(const std::string& path);

}  // namespace hvm
