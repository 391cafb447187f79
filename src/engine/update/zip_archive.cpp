#include "engine/update/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "engine/core/inflate.h"

namespace hvm {
namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
// The end record is looked for in this many bytes at the end of the file.
constexpr size_t kEndSearchSpan = 32768;
constexpr uint16_t kDeflate = 8;
constexpr uint16_t kEncrypted = 1;

uint16_t Read16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

uint32_t Read32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(Read16(bytes, at)) | static_cast<uint32_t>(Read16(bytes, at + 2))
                                                        << 16;
}

// The bytes [at, at + size) of the archive; throws when they are not all there.
std::string_view Span(std::string_view archive, uint64_t at, uint64_t size) {
  if (at > archive.size() || size > archive.size() - at)
    throw ZipError("The update archive is truncated");
  return archive.substr(static_cast<size_t>(at), static_cast<size_t>(size));
}

size_t FindEndRecord(std::string_view archive) {
  if (archive.size() < kEndRecordSize) throw ZipError("The update archive is truncated");
  const size_t lowest = archive.size() > kEndSearchSpan ? archive.size() - kEndSearchSpan : 0;
  for (size_t at = archive.size() - kEndRecordSize + 1; at-- > lowest;)
    if (Read32(archive, at) == kEndSignature) return at;
  throw ZipError("The update archive has no central directory");
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

bool IsDeviceName(std::string_view name) {
  const std::string stem = Lower(name.substr(0, name.find('.')));
  static const std::set<std::string> devices = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  if (devices.count(stem)) return true;
  return stem.size() == 4 && (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

struct CentralEntry {
  std::string name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t size = 0;
  uint32_t localHeader = 0;
};

std::vector<CentralEntry> ReadCentralDirectory(std::string_view archive, const ZipLimits& limits) {
  const size_t end = FindEndRecord(archive);
  const uint16_t count = Read16(archive, end + 10);
  const uint32_t directorySize = Read32(archive, end + 12);
  const uint32_t directoryOffset = Read32(archive, end + 16);
  if (count > limits.entries) throw ZipError("The update archive has too many entries");
  const std::string_view directory = Span(archive, directoryOffset, directorySize);
  std::vector<CentralEntry> entries;
  size_t at = 0;
  for (uint16_t i = 0; i < count; ++i) {
    const std::string_view header = Span(directory, at, kCentralHeaderSize);
    if (Read32(header, 0) != kCentralHeaderSignature)
      throw ZipError("The update archive's directory is corrupt");
    CentralEntry entry;
    entry.flags = Read16(header, 8);
    entry.method = Read16(header, 10);
    entry.crc = Read32(header, 16);
    entry.compressedSize = Read32(header, 20);
    entry.size = Read32(header, 24);
    const uint16_t nameLength = Read16(header, 28);
    const uint16_t extraLength = Read16(header, 30);
    const uint16_t commentLength = Read16(header, 32);
    entry.localHeader = Read32(header, 42);
    entry.name = std::string(Span(directory, at + kCentralHeaderSize, nameLength));
    at += kCentralHeaderSize + nameLength + extraLength + commentLength;
    Span(directory, 0, at);  // the extra field and comment are there too
    entries.push_back(std::move(entry));
  }
  return entries;
}

void CheckEntry(const CentralEntry& entry, const ZipLimits& limits, std::set<std::string>& names) {
  if (!IsPlainFileName(entry.name))
    throw ZipError("The update archive holds an entry that is not a plain file name: " +
                   entry.name);
  if (!names.insert(Lower(entry.name)).second)
    throw ZipError("The update archive holds " + entry.name + " twice");
  if (entry.flags & kEncrypted) throw ZipError("The update archive is encrypted");
  if (entry.method != kDeflate) throw ZipError("The update archive uses an unknown compression");
  if (entry.size > limits.entry) throw ZipError("An entry of the update archive is too large");
}

std::string InflateEntry(std::string_view archive, const CentralEntry& entry) {
  const std::string_view local = Span(archive, entry.localHeader, kLocalHeaderSize);
  if (Read32(local, 0) != kLocalHeaderSignature)
    throw ZipError("The update archive's entry " + entry.name + " is corrupt");
  const uint64_t dataStart =
      uint64_t{entry.localHeader} + kLocalHeaderSize + Read16(local, 26) + Read16(local, 28);
  const std::string_view compressed = Span(archive, dataStart, entry.compressedSize);
  std::string data;
  try {
    data = InflateRaw(compressed, entry.size);
  } catch (const InflateError&) {
    throw ZipError("The update archive's entry " + entry.name + " is corrupt");
  }
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
  if (data.size() != entry.size || crc != entry.crc)
    throw ZipError("The update archive's entry " + entry.name + " is corrupt");
  return data;
}

}  // namespace

bool LooksLikeZip(std::string_view bytes) {
  return bytes.size() >= 4 && Read32(bytes, 0) == kLocalHeaderSignature;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > 200) return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) return false;
  }
  // "." and ".." name folders; a trailing dot or blank is dropped by Windows,
  // so the file would land under another name than the one checked.
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

std::vector<ZipEntry> ReadZipArchive(std::string_view archive, const ZipLimits& limits) {
  const std::vector<CentralEntry> central = ReadCentralDirectory(archive, limits);
  // Every name and size is checked before anything is inflated, so that a bad
  // entry late in the archive costs no work on the good ones before it.
  std::set<std::string> names;
  uint64_t total = 0;
  for (const CentralEntry& entry : central) {
    CheckEntry(entry, limits, names);
    total += entry.size;
  }
  if (total > limits.total) throw ZipError("The update archive is too large");
  std::vector<ZipEntry> entries;
  for (const CentralEntry& entry : central)
    entries.push_back({entry.name, InflateEntry(archive, entry)});
  return entries;
}

}  // namespace hvm
