// ZIP archives made in tests, honest or lying, as an update server could send.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hvm::test {

struct TestEntry {
  std::string name;
  std::string data;
  uint16_t method = 8;  // deflate
  uint16_t flags = 0;
  // Overrides of what the headers claim, for lying archives.
  std::optional<uint32_t> claimedSize;
  std::optional<uint32_t> claimedCrc;
};

// An archive as a packer writes one: local headers with their data, the
// central directory and the end record.
std::string MakeZip(const std::vector<TestEntry>& entries);

}  // namespace hvm::test
