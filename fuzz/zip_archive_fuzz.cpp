// fuzz-sources: src/engine/update/zip_archive.cpp src/engine/core/inflate.cpp
// fuzz-libs: -lz
//
// libFuzzer target for downloaded update archives and the raw inflate under
// them. An archive comes from the network: it is either refused with
// ZipError as a whole, or every entry it yields is a plain file name, named
// once (case ignored), within the limits given, and nothing else escapes.
// Small limits drawn from the input reach the limit checks. Seeds:
// fuzz/corpus/zip_archive/.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "engine/core/inflate.h"
#include "engine/update/zip_archive.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider input(bytes, size);
  hvm::ZipLimits limits;
  // Integers come from the input's end, so the archive's start stays intact.
  if (input.ConsumeBool()) {
    limits.entry = input.ConsumeIntegralInRange<size_t>(0, 1 << 16);
    limits.total = input.ConsumeIntegralInRange<size_t>(0, 1 << 17);
    limits.entries = input.ConsumeIntegralInRange<size_t>(0, 8);
  }
  const std::string archive = input.ConsumeRemainingBytesAsString();

  try {
    const std::vector<hvm::ZipEntry> entries = hvm::ReadZipArchive(archive, limits);
    Check(entries.size() <= limits.entries);
    std::set<std::string> names;
    size_t total = 0;
    for (const hvm::ZipEntry& entry : entries) {
      Check(hvm::IsPlainFileName(entry.name));
      Check(names.insert(Lower(entry.name)).second);
      Check(entry.data.size() <= limits.entry);
      total += entry.data.size();
    }
    Check(total <= limits.total);
  } catch (const hvm::ZipError&) {
  }

  const size_t limit = std::min(limits.entry, size_t{1} << 20);
  try {
    Check(hvm::InflateRaw(archive, limit).size() <= limit);
  } catch (const hvm::InflateError&) {
  }
  return 0;
}
