// What the file system reports of a folder's access list.
#pragma once

#include <string>
#include <vector>

namespace hvm::test {

// The entries of `path`'s access list, as read back, that allow anything to
// Everyone, Users, Authenticated Users or Interactive users, each described
// in a line; a line saying why when the list cannot be read. Empty when none.
std::vector<std::string> GrantsToOtherUsers(const std::string& path);

}  // namespace hvm::test
