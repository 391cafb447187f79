// The file-system questions path resolution asks, and the operations that
// repeat themselves with 64-bit file-system redirection switched off. None of
// them raises; a failing platform call counts as "not found". After a false
// answer GetLastError holds the status of the last attempt.
#pragma once

#include <string>

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

// FileExists, tried a second time with redirection off on 64-bit Windows. A
// bare drive ("X:") whose letter is not checkable is never a file.
bool nFileExists(const std::string& path);

// Deletes the file, trying a second time with redirection off on 64-bit
// Windows. True when it was deleted.
bool nDeleteFile(const std::string& path);

}  // namespace hvm
