// The two broad sections: every short text value of the machine and user
// hives that names a missing file on a fixed drive (section 23), and the
// copies of startup entries that the system configuration tool keeps for
// entries the user disabled (section 24).
#pragma once

#include <windows.h>

#include <string>

namespace hvm {

class ScanDriver;

// Section 23: both hives, the machine first.
void ScanFilePathReferences(ScanDriver& driver);
// One key and everything below it. `rootText` is "HKLM\" or "HKCU\"; `path`
// has no leading backslash ("" for the root itself). The walk keeps its own
// list of keys to visit, so any nesting depth is safe.
void WalkValueReferences(ScanDriver& driver, HKEY root, const std::string& rootText,
                         const std::string& path);

// Section 24.
void ScanConfigurationCache(ScanDriver& driver);

}  // namespace hvm
