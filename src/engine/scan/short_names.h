// Short (8.3) forms of paths, for tools that cannot take long names. A path
// that does not exist yet gets a short form built by the same rules the file
// system would apply to a first file of that name.
#pragma once

#include <string>

namespace hvm {

// The platform's short form of `path` when it has one and that form names an
// entry; otherwise MakeShortName(path, false).
std::string ShortFileName(const std::string& path);

// Builds the short form one component at a time: an existing entry gives its
// alternate name (or its own name when it has none); a missing one gets a
// name built from its long name. `folderOnly` marks the folder part of a
// path, where a folder is expected: among entries matching it a folder is
// preferred, and when only files match, the first of them is used.
std::string MakeShortName(const std::string& path, bool folderOnly);

// The short name built for a file that does not exist: blanks dropped,
// "+,;=[]" made "_", every "." but the last dropped; a base longer than 8 or
// changed becomes its first 6 characters + "~1"; an extension longer than 3
// keeps its first 3.
std::string BuildShortName(const std::string& longName);

}  // namespace hvm
