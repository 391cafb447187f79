#include "engine/core/environment.h"

#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "engine/core/clock.h"
#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

constexpr char kDataFolderName[] = "\\BrightfoldSoftware";
constexpr char kPreferredFont[] = "Segoe UI";
constexpr char kFallbackFont[] = "Tahoma";

EnvironmentValues gEnvironment;

std::string WithOneTrailingBackslash(std::string folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + "\\";
}

// The folder part of a full file name, without its trailing backslash.
std::string FolderOf(const std::string& file) {
  const size_t slash = file.find_last_of('\\');
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

std::string ProgramFile() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string WindowsFolder() {
  char buffer[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return WithOneTrailingBackslash(std::string(buffer, length));
}

std::string SystemFolder() {
  char buffer[MAX_PATH];
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return WithOneTrailingBackslash(std::string(buffer, length));
}

int CurrentWindowsVersionCode() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version)) return 0;
  return WindowsVersionCodeFor(version.dwPlatformId, version.dwMajorVersion,
                               version.dwMinorVersion);
}

bool CurrentIs64BitWindows() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return false;
  return Is64BitWindowsWith(
      reinterpret_cast<Wow64DirectoryFunction>(GetProcAddress(kernel, "GetSystemWow64DirectoryW")));
}

// SHGetFolderPathA of the system folder's "shfolder.dll", which older Windows
// versions have where shell32 lacks the function.
std::string LocalAppDataFolder(const std::string& systemFolder) {
  using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  ScopedModule library(LoadLibraryA((systemFolder + "shfolder.dll").c_str()));
  if (!library) return {};
  const auto getFolderPath =
      reinterpret_cast<GetFolderPath>(GetProcAddress(library.Get(), "SHGetFolderPathA"));
  if (!getFolderPath) return {};
  char path[MAX_PATH] = {};
  if (getFolderPath(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path) != S_OK) return {};
  return path;
}

struct SidFree {
  void operator()(PSID sid) const { FreeSid(sid); }
};
using ScopedSid = std::unique_ptr<void, SidFree>;

ScopedKernelHandle OpenQueryToken() {
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    return ScopedKernelHandle(token);
  }
  if (GetLastError() != ERROR_NO_TOKEN) return {};
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  return ScopedKernelHandle(token);
}

std::vector<BYTE> ReadTokenGroups(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return {};
  return buffer;
}

// The translation the version resource names first, as "llllcccc".
std::string FirstTranslation(const std::vector<BYTE>& block) {
  struct Translation {
    WORD language;
    WORD codePage;
  };
  void* data = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &data, &size) ||
      size < sizeof(Translation))
    return {};
  const auto* translation = static_cast<const Translation*>(data);
  char text[16];
  std::snprintf(text, sizeof(text), "%04x%04x", translation->language, translation->codePage);
  return text;
}

std::string FileVersionString(const std::vector<BYTE>& block) {
  const std::string translation = FirstTranslation(block);
  if (translation.empty()) return {};
  const std::string query = "\\StringFileInfo\\" + translation + "\\FileVersion";
  void* data = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), query.c_str(), &data, &size) || size == 0) return {};
  return std::string(static_cast<const char*>(data));
}

std::string FixedFileVersion(const std::vector<BYTE>& block) {
  void* data = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), "\\", &data, &size) || size < sizeof(VS_FIXEDFILEINFO))
    return {};
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
  char text[64];
  std::snprintf(text, sizeof(text), "%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
  return text;
}

std::string TodaysSnapshotName() {
  const CivilDate today = LocalToday();
  return SnapshotNameFor(today.year, today.month, today.day);
}

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};

int CALLBACK NoteFontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

const EnvironmentValues& Environment() {
  return gEnvironment;
}

void InitEnvironment() {
  EnvironmentValues values;
  values.programFolder = FolderOf(ProgramFile());
  values.windowsFolder = WindowsFolder();
  values.systemFolder = SystemFolder();
  values.WindowsVersionCode = CurrentWindowsVersionCode();
  values.Is64BitWindows = CurrentIs64BitWindows();
  values.IsAdministrator = (values.WindowsVersionCode >= 1 && values.WindowsVersionCode <= 3) ||
                           TokenHoldsAdministrators();
  values.VersionText = VersionTextOf(ProgramFile());
  values.SnapshotName = TodaysSnapshotName();
  values.interfaceFont = ChooseInterfaceFont();
  // Last, as it needs the system folder; a folder that exists already (or
  // cannot be made) is no error here: later file operations fail on their own.
  values.dataFolder = DataFolderFor(LocalAppDataFolder(values.systemFolder), values.programFolder);
  CreateDirectoryA(values.dataFolder.c_str(), nullptr);
  gEnvironment = std::move(values);
}

void RefreshSnapshotName() {
  gEnvironment.SnapshotName = TodaysSnapshotName();
}

int WindowsVersionCodeFor(DWORD platformId, DWORD major, DWORD minor) {
  if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
    switch (minor) {
      case 0: return 1;
      case 10: return 2;
      case 90: return 3;
      default: return 0;
    }
  }
  if (platformId != VER_PLATFORM_WIN32_NT) return 0;
  if (major <= 4) return 4;
  if (major == 5 && minor <= 2) return 5 + int(minor);
  if (major == 6 && minor == 0) return 8;
  return 0;
}

bool Is64BitWindowsWith(Wow64DirectoryFunction probe) {
  if (!probe) return false;
  WCHAR buffer[MAX_PATH];
  SetLastError(ERROR_SUCCESS);
  if (probe(buffer, MAX_PATH) != 0) return true;
  return GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

bool TokenHoldsAdministrators() {
  const ScopedKernelHandle token = OpenQueryToken();
  if (!token) return false;
  const std::vector<BYTE> buffer = ReadTokenGroups(token.Get());
  if (buffer.empty()) return false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID rawSid = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &rawSid))
    return false;
  const ScopedSid administrators(rawSid);
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (EqualSid(groups->Groups[i].Sid, administrators.get())) return true;
  }
  return false;
}

std::string VersionTextOf(const std::string& file) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  if (size == 0) return {};
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return {};
  const std::string text = FileVersionString(block);
  return text.empty() ? FixedFileVersion(block) : text;
}

std::string SnapshotNameFor(int year, int month, int day) {
  return "Undo" + DateText({year, month, day});
}

std::string DataFolderFor(const std::string& localAppData, const std::string& programFolder) {
  if (localAppData.empty()) return programFolder;
  std::string folder = localAppData;
  if (folder.back() == '\\') folder.pop_back();
  return folder + kDataFolderName;
}

std::string ComputerName() {
  DWORD size = 0;
  GetComputerNameExA(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return {};
  std::string name(size, '\0');
  if (!GetComputerNameExA(ComputerNameDnsHostname, name.data(), &size)) return {};
  name.resize(size);
  return name;
}

bool FontInstalled(const std::string& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  const ScopedHandle<MemoryDcTraits> dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  face.copy(wanted.lfFaceName, face.size());
  bool found = false;
  EnumFontFamiliesExA(dc.Get(), &wanted, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

InterfaceFont ChooseInterfaceFont() {
  if (FontInstalled(kPreferredFont)) return {kPreferredFont, 1};
  return {kFallbackFont, 0};
}

}  // namespace hvm
