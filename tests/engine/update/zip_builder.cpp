#include "zip_builder.h"

#include <zlib.h>

#include "support/deflate_raw.h"

namespace hvm::test {
namespace {

void Put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::string MakeZip(const std::vector<TestEntry>& entries) {
  std::string archive, directory;
  for (const TestEntry& entry : entries) {
    const std::string stored = entry.method == 8 ? DeflateRaw(entry.data) : entry.data;
    const uint32_t crc = entry.claimedCrc.value_or(
        crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), uInt(entry.data.size())));
    const uint32_t size = entry.claimedSize.value_or(uint32_t(entry.data.size()));
    const uint32_t offset = uint32_t(archive.size());
    Put32(archive, 0x04034b50);
    Put16(archive, 20);
    Put16(archive, entry.flags);
    Put16(archive, entry.method);
    Put32(archive, 0);
    Put32(archive, crc);
    Put32(archive, uint32_t(stored.size()));
    Put32(archive, size);
    Put16(archive, uint16_t(entry.name.size()));
    Put16(archive, 0);
    archive += entry.name + stored;
    Put32(directory, 0x02014b50);
    Put16(directory, 20);
    Put16(directory, 20);
    Put16(directory, entry.flags);
    Put16(directory, entry.method);
    Put32(directory, 0);
    Put32(directory, crc);
    Put32(directory, uint32_t(stored.size()));
    Put32(directory, size);
    Put16(directory, uint16_t(entry.name.size()));
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, 0);
    Put32(directory, offset);
    directory += entry.name;
  }
  const uint32_t directoryOffset = uint32_t(archive.size());
  archive += directory;
  Put32(archive, 0x06054b50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, uint16_t(entries.size()));
  Put16(archive, uint16_t(entries.size()));
  Put32(archive, uint32_t(directory.size()));
  Put32(archive, directoryOffset);
  Put16(archive, 0);
  return archive;
}

}  // namespace hvm::test
