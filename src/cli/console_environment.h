// Folders the console verbs make for themselves.
#pragma once

#include <string>

namespace hvm {

// Creates the folder and its missing parents; true when it exists afterwards.
bool EnsureFolder(const std::string& path);

}  // namespace hvm
