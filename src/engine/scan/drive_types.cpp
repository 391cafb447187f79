#include "engine/scan/drive_types.h"

#include <windows.h>

#include <array>
#include <string>

#include "engine/scan/scan_cache.h"

namespace hvm {
namespace {

constexpr int kNotRead = -1;

// One entry per letter A to Z, filled on first use. Only the scan's thread
// reads and writes it.
std::array<int, 26> gDriveTypes = [] {
  std::array<int, 26> types;
  types.fill(kNotRead);
  return types;
}();

}  // namespace

unsigned DriveTypeOf(std::string_view text) {
  const std::string root(text.substr(0, 3));
  const auto ask = [&root] { return unsigned(GetDriveTypeA(root.c_str())); };
  ScanCache* cache = ScanCache::Active();
  return cache ? cache->DriveType(root, ask) : ask();
}

bool DriveIsCheckable(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return false;
  int& type = gDriveTypes[letter - 'A'];
  if (type == kNotRead) {
    const char root[] = {letter, ':', '\\', '\0'};
    type = int(GetDriveTypeA(root));
  }
  return type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_RAMDISK;
}

void ResetDriveCache() {
  gDriveTypes.fill(kNotRead);
}

}  // namespace hvm
