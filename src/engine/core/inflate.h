// Raw inflate (RFC 1951 deflate streams without a zlib or gzip header) with a
// ceiling on the output, for the program's compressed resources and the
// entries of downloaded update archives. Both come from outside the code that
// reads them, so a stream that is corrupt, cut short or inflates beyond reason
// is refused rather than trusted.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hvm {

// The most a single stream may inflate to: far above any template or update
// file, far below what would exhaust memory.
inline constexpr std::size_t kMaxInflatedSize = std::size_t{64} << 20;

class InflateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Inflates one complete raw deflate stream. Bytes after the end of the stream
// are ignored. Throws InflateError when the stream is corrupt, ends before its
// final block, or would inflate to more than `limit` bytes; nothing partial is
// ever returned.
std::string InflateRaw(std::string_view compressed, std::size_t limit = kMaxInflatedSize);

}  // namespace hvm
