// Raw deflate for tests that need compressed input of their own.
#pragma once

#include <string>
#include <string_view>

namespace hvm::test {

// Compresses `data` into one raw deflate stream (no zlib header), as the
// template packer does.
std::string DeflateRaw(std::string_view data);

}  // namespace hvm::test
