// The file-system questions path resolution asks, and the operations that
// repeat themselves with 64-bit file-system redirection switched off. None of
// them raises; a failing platform call counts as "not found". After a false
// answer GetLastError holds the status of the last attempt.
#pragma once

#include <string>
#include <vector>

namespace hvm {

// True when `path` names an existing file; a folder does not count. One
// attempt, as the platform sees the path.
bool FileExists(const std::string& path);
// True when `path` names an existing folder.
bool FolderExists(const std::string& path);
// True when any directory entry, hidden and system ones included, matches the
// wildcard pattern.
bool AnyEntryMatches(const std::string& pattern);
// True when `folder`, and no other folder, holds an entry named `name` (no
// extension is added). An empty folder text leaves the platform's default
// search order in charge.
bool FolderHoldsEntry(const std::string& folder, const std::string& name);

// True when SearchPathA finds `name` in the process's default search order,
// as the file walks look up a bare file name.
bool OnDefaultSearchPath(const std::string& name);

// The extensions the system completes a program name with, in the order of
// PATHEXT (".COM;.EXE;.BAT;.CMD" when it is not set).
std::vector<std::string> ProgramExtensions();

// True when the system finds `name` (a bare program name, no folder) as it
// starts a program: in the system folder, the Windows folder or a folder of
// PATH, completed with the PATHEXT extensions when it has none, or through
// its App Paths registration.
bool ProgramOnSearchPath(const std::string& name);

// FileExists, tried a second time with redirection off on 64-bit Windows. A
// bare drive ("X:") whose letter is not checkable is never a file.
bool nFileExists(const std::string& path);

// Deletes the file, trying a second time with redirection off on 64-bit
// Windows. True when it was deleted.
bool nDeleteFile(const std::string& path);

}  // namespace hvm
