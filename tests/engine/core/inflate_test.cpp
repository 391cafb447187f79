#include "engine/core/inflate.h"

#include <gtest/gtest.h>

#include <string>

#include "support/deflate_raw.h"

namespace hvm {
namespace {

using test::DeflateRaw;

// Text that compresses well but is not a single repeated byte.
std::string SampleText(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i % 97) + "\n";
  text.resize(size);
  return text;
}

std::string AllBytes() {
  std::string bytes;
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 256; ++b) bytes += char(b);
  }
  return bytes;
}

TEST(InflateRaw, GivesBackWhatWasCompressed) {
  for (const std::string& data :
       {std::string(), std::string("a"), AllBytes(), SampleText(300000)}) {
    EXPECT_EQ(data, InflateRaw(DeflateRaw(data))) << "size " << data.size();
  }
}

TEST(InflateRaw, IgnoresBytesAfterTheEndOfTheStream) {
  EXPECT_EQ("hello", InflateRaw(DeflateRaw("hello") + "trailing junk"));
}

TEST(InflateRaw, AcceptsExactlyTheLimitAndRefusesOneByteMore) {
  const std::string data = SampleText(200000);
  EXPECT_EQ(data, InflateRaw(DeflateRaw(data), data.size()));
  EXPECT_THROW(InflateRaw(DeflateRaw(data), data.size() - 1), InflateError);
  EXPECT_THROW(InflateRaw(DeflateRaw("x"), 0), InflateError);
  EXPECT_EQ("", InflateRaw(DeflateRaw(""), 0));
}

TEST(InflateRaw, DefaultLimitIs64MiB) {
  const std::string exact(kMaxInflatedSize, '\0');
  EXPECT_EQ(std::size_t{64} * 1024 * 1024, kMaxInflatedSize);
  EXPECT_EQ(exact.size(), InflateRaw(DeflateRaw(exact)).size());
  // A small stream that would expand past the ceiling is refused.
  const std::string bomb = DeflateRaw(exact + '\0');
  EXPECT_LT(bomb.size(), std::size_t{1} << 20);
  try {
    InflateRaw(bomb);
    FAIL() << "a stream past 64 MiB was accepted";
  } catch (const InflateError& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("more than 67108864 bytes"));
  }
}

TEST(InflateRaw, RefusesEveryTruncation) {
  const std::string stream = DeflateRaw(SampleText(5000) + AllBytes());
  for (std::size_t length = 0; length < stream.size(); ++length) {
    EXPECT_THROW(InflateRaw(stream.substr(0, length)), InflateError) << "cut at " << length;
  }
}

TEST(InflateRaw, NamesTruncationAndCorruption) {
  auto message = [](const std::string& input) {
    try {
      InflateRaw(input);
    } catch (const InflateError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ("Compressed data is truncated", message(""));
  EXPECT_EQ("Compressed data is truncated", message(DeflateRaw("some text").substr(0, 3)));
  // Block type 3 does not exist.
  EXPECT_EQ("Compressed data is corrupt", message("\x07\x00\x00"));
  // A stored block whose length and its complement disagree.
  EXPECT_EQ("Compressed data is corrupt", message(std::string("\x01\x05\x00\x00\x00hello", 10)));
  // A zlib-wrapped stream is not a raw one.
  EXPECT_EQ("Compressed data is corrupt", message(std::string("\x78\x9c\xcb\x48\x04\x00", 6)));
}

}  // namespace
}  // namespace hvm
