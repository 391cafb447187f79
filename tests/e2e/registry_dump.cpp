// registry_dump.exe KEY: every key below KEY (short root name) and every value
// in it, one line each, "key|name|type|bytes in hex", in a fixed order, so
// that end-to-end tests can compare registry contents byte for byte. Unlike
// `reg export`, text with a NUL before its end is shown whole.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Dump(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  std::printf("%s\n", path.c_str());
  std::vector<std::string> lines;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLength = sizeof(name), type = 0, size = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    std::vector<unsigned char> data(size + 1);
    RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    std::string line = path + "|" + name + "|" + std::to_string(type) + "|";
    for (DWORD b = 0; b < size; ++b) {
      char pair[4];
      std::snprintf(pair, sizeof(pair), "%02x", data[b]);
      line += pair;
    }
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::vector<std::string> subKeys;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subKeys.emplace_back(name);
  }
  RegCloseKey(key);
  std::sort(subKeys.begin(), subKeys.end());
  for (const std::string& sub : subKeys) Dump(root, path + "\\" + sub);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string path = argv[1];
  const size_t slash = path.find('\\');
  const std::string rootName = path.substr(0, slash);
  const HKEY root = rootName == "HKCU"   ? HKEY_CURRENT_USER
                    : rootName == "HKLM" ? HKEY_LOCAL_MACHINE
                    : rootName == "HKCR" ? HKEY_CLASSES_ROOT
                                         : nullptr;
  if (!root || slash == std::string::npos) return 2;
  Dump(root, path.substr(slash + 1));
  return 0;
}
