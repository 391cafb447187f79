// registry_dump.exe KEY: every key below KEY (short root name) and every value
// in it, one line each, "key|name|type|bytes in hex", in a fixed order, so
// that end-to-end tests can compare registry contents byte for byte. Names
// are printed in UTF-8 and data as the registry stores it (text as UTF-16LE),
// read through the wide calls: unlike `reg export`, text with a NUL before
// its end is shown whole, and so is text no code page holds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), length, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return L"";
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(size_t(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), length);
  return out;
}

void Dump(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  std::printf("%s\n", Utf8(path).c_str());
  std::vector<std::string> lines;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, size = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    std::vector<unsigned char> data(size + 1);
    RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    std::string line =
        Utf8(path) + "|" + Utf8(std::wstring(name, nameLength)) + "|" + std::to_string(type) + "|";
    for (DWORD b = 0; b < size; ++b) {
      char pair[4];
      std::snprintf(pair, sizeof(pair), "%02x", data[b]);
      line += pair;
    }
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::vector<std::wstring> subKeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subKeys.emplace_back(name, length);
  }
  RegCloseKey(key);
  std::sort(subKeys.begin(), subKeys.end());
  for (const std::wstring& sub : subKeys) Dump(root, path + L"\\" + sub);
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
  Dump(root, Wide(path.substr(slash + 1)));
  return 0;
}
