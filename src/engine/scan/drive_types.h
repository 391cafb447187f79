// Drive types of the platform (0 unknown, 1 no root folder, 2 removable,
// 3 fixed, 4 network, 5 CD-ROM, 6 RAM disk), and the cached answer whether a
// drive letter is worth checking at all.
#pragma once

#include <string_view>

namespace hvm {

// GetDriveTypeA of the first three characters of `text` (a root such as
// "C:\"); shorter text is asked as it is. Asked once per root in a scan.
unsigned DriveTypeOf(std::string_view text);

// True for fixed, network and RAM drives; false for unknown, absent, removable
// and CD-ROM drives and for anything that is not a letter. The type of each
// letter is read once and cached until ResetDriveCache.
bool DriveIsCheckable(char letter);

// Forgets every cached drive type, so that a media change between scans is
// seen. Called at start-up and at the start of each scan.
void ResetDriveCache();

}  // namespace hvm
