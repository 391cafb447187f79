// The bare walk: the least any full scan must do. Enumerates every key and
// value of HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER with the
// same ANSI calls the scan uses and looks up each distinct string value that
// starts with a drive path once. Prints "keys values stats seconds".
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

struct Counts {
  long keys = 0;
  long values = 0;
  long stats = 0;
};

bool StartsWithDrivePath(const char* text, DWORD size) {
  return size >= 3 && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) &&
         text[1] == ':' && text[2] == '\\';
}

// The buffers of every key's values, made once: fresh buffers of this size for
// each key would cost more than the walk itself.
std::vector<char>& NameBuffer() {
  static std::vector<char> buffer(16384);
  return buffer;
}
std::vector<char>& DataBuffer() {
  static std::vector<char> buffer(64 * 1024);
  return buffer;
}

void WalkKey(HKEY key, Counts& counts, std::unordered_set<std::string>& stated) {
  ++counts.keys;
  std::vector<char>& name = NameBuffer();
  std::vector<char>& data = DataBuffer();
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = DWORD(name.size());
    DWORD type = 0;
    DWORD size = DWORD(data.size());
    const LONG status = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_MORE_DATA) {
      ++counts.values;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    ++counts.values;
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && StartsWithDrivePath(data.data(), size)) {
      const std::string path(data.data(), strnlen(data.data(), size));
      if (stated.insert(path).second) {
        ++counts.stats;
        GetFileAttributesA(path.c_str());
      }
    }
  }
  std::vector<std::string> subKeys;
  for (DWORD index = 0;; ++index) {
    char subName[256];
    DWORD length = sizeof(subName);
    if (RegEnumKeyExA(key, index, subName, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    subKeys.emplace_back(subName, length);
  }
  for (const std::string& subName : subKeys) {
    HKEY sub = nullptr;
    if (RegOpenKeyExA(key, subName.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    WalkKey(sub, counts, stated);
    RegCloseKey(sub);
  }
}

}  // namespace

int main() {
  const auto start = std::chrono::steady_clock::now();
  Counts counts;
  std::unordered_set<std::string> stated;
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    WalkKey(root, counts, stated);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld %ld %ld %.3f\n", counts.keys, counts.values, counts.stats, seconds);
  return 0;
}
