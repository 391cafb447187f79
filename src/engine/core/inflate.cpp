#include "engine/core/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

namespace hvm {
namespace {

// Negative window bits: a bare deflate stream, no zlib or gzip wrapper.
constexpr int kRawDeflateWindowBits = -15;
constexpr std::size_t kFirstChunk = 64 * 1024;

[[noreturn]] void ThrowTooLarge(std::size_t limit) {
  throw InflateError("Compressed data inflates to more than " + std::to_string(limit) + " bytes");
}

// One inflate run: owns the zlib state and feeds it input and output space in
// pieces its 32-bit counters can hold.
class Inflater {
 public:
  Inflater(std::string_view compressed, std::size_t limit) : input_(compressed), limit_(limit) {
    if (inflateInit2(&stream_, kRawDeflateWindowBits) != Z_OK) throw std::bad_alloc();
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  std::string Run() {
    while (!Step()) {
    }
    if (produced_ > limit_) ThrowTooLarge(limit_);
    out_.resize(produced_);
    return std::move(out_);
  }

 private:
  // One call of inflate; true once the stream has ended.
  bool Step() {
    if (produced_ == out_.size()) GrowOutput();
    FeedInput();
    const uInt room = uInt(std::min<std::size_t>(out_.size() - produced_, UINT_MAX));
    stream_.next_out = reinterpret_cast<Bytef*>(out_.data() + produced_);
    stream_.avail_out = room;
    const int status = inflate(&stream_, Z_NO_FLUSH);
    produced_ += room - stream_.avail_out;
    switch (status) {
      case Z_STREAM_END: return true;
      case Z_OK: return false;
      case Z_MEM_ERROR: throw std::bad_alloc();
      // No progress with output space left: all input is used up.
      case Z_BUF_ERROR: throw InflateError("Compressed data is truncated");
      default: throw InflateError("Compressed data is corrupt");
    }
  }

  void FeedInput() {
    if (stream_.avail_in != 0) return;
    const std::size_t piece = std::min<std::size_t>(input_.size() - fed_, UINT_MAX);
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input_.data() + fed_));
    stream_.avail_in = uInt(piece);
    fed_ += piece;
  }

  // Grows the output by doubling, but never beyond one byte past the limit:
  // that byte tells "exactly at the limit" from "over it".
  void GrowOutput() {
    if (produced_ > limit_) ThrowTooLarge(limit_);
    const std::size_t ceiling = limit_ < SIZE_MAX ? limit_ + 1 : limit_;
    const std::size_t step = std::max(kFirstChunk, produced_);
    out_.resize(produced_ + std::min(step, ceiling - produced_));
  }

  z_stream stream_{};
  std::string_view input_;
  std::size_t fed_ = 0;
  std::size_t limit_;
  std::string out_;
  std::size_t produced_ = 0;
};

}  // namespace

std::string InflateRaw(std::string_view compressed, std::size_t limit) {
  return Inflater(compressed, limit).Run();
}

}  // namespace hvm
