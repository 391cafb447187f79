// A recursive search for a file by name, for value names that hold a bare
// file name rather than a path.
#pragma once

#include <string>

namespace hvm {

// True when the tree under `folder` (ending with a backslash) holds an entry
// named `name` or `name` + ".EXE", compared without regard to case.
bool FindFile(const std::string& folder, const std::string& name);

}  // namespace hvm
