// Folders that only administrators and the system can change. An update waits
// in one between the program's check of the package and the restarter's copy
// of it into the program's folder, and the restart library waits in one until
// rundll32 loads it. In a folder the user's own programs could write, any of
// them could add or swap a file in that time and have it copied, or run, with
// the rights that writing the program's folder takes.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/scoped_handle.h"

namespace hvm {

// The security descriptor such a folder is made with: owned by
// BUILTIN\Administrators, full control for Administrators and SYSTEM, handed
// down to every file and folder made inside, nothing taken over from the
// folder above and nothing for anyone else. Invalid when it cannot be built.
ScopedLocalMemory AdminOnlyDescriptor();

// Makes the new folder `path` with that descriptor; the Win32 status. Anything
// already there is refused (ERROR_ALREADY_EXISTS) rather than taken over,
// since it could be one somebody else prepared. The system lets only a token
// with the Administrators group enabled name that group as the owner, so a
// process without its administrator rights is refused (ERROR_INVALID_OWNER)
// instead of making a folder it could not write either.
[[nodiscard]] uint32_t CreateAdminOnlyFolder(const std::string& path);

}  // namespace hvm
