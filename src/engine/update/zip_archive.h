// The entries of a downloaded update archive, read from its bytes. The
// archive comes from the network, so nothing in it is trusted: every offset
// and size is checked against the archive, every name must be a plain file
// name, sizes are bounded, each entry's checksum must match, and any fault
// refuses the whole archive rather than part of it.
// Pure: no Windows header, so this also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hvm {

class ZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ZipLimits {
  std::size_t entry = std::size_t{64} << 20;   // one entry, inflated
  std::size_t total = std::size_t{192} << 20;  // all entries together, inflated
  std::size_t entries = 256;
};

struct ZipEntry {
  std::string name;
  std::string data;
};

// The first four bytes of a ZIP archive (a local file header).
bool LooksLikeZip(std::string_view bytes);

// Whether `name` may become a file in the extraction folder: one plain file
// name, no drive, no folder part, no "..", nothing Windows would read as a
// device or refuse in a file name.
bool IsPlainFileName(std::string_view name);

// Every entry of the archive, inflated (deflate) and checked (CRC-32). Throws
// ZipError when the archive is truncated or corrupt, has no central
// directory, holds a name that is not a plain file name or the same name
// twice, uses another method than deflate or encryption, or goes beyond
// `limits`.
std::vector<ZipEntry> ReadZipArchive(std::string_view archive, const ZipLimits& limits = {});

}  // namespace hvm
