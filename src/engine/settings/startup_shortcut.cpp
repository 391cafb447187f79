#include "engine/settings/startup_shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "engine/core/com_ptr.h"
#include "engine/core/environment.h"
#include "engine/core/registry.h"
#include "engine/core/text_encoding.h"
#include "engine/scan/file_tests.h"

namespace hvm {
namespace {

constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kFallbackStartup[] = "Startm~1\\Programs\\StartUp\\";

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// A status that keeps a Win32 error as itself and any other failure as the HRESULT.
uint32_t StatusOf(HRESULT result) {
  if (SUCCEEDED(result)) return 0;
  if (HRESULT_FACILITY(result) == FACILITY_WIN32) return HRESULT_CODE(result);
  return static_cast<uint32_t>(result);
}

// The console front end has not started COM; the desktop program has, and a
// second start on the same thread is counted and undone alike.
class ComForThisCall {
 public:
  ComForThisCall() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComForThisCall() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComForThisCall(const ComForThisCall&) = delete;
  ComForThisCall& operator=(const ComForThisCall&) = delete;

 private:
  HRESULT result_;
};

HRESULT MakeShellLink(ComPtr<IShellLinkA>& link) {
  return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                          reinterpret_cast<void**>(link.Receive()));
}

HRESULT PersistFileOf(IShellLinkA* link, ComPtr<IPersistFile>& file) {
  return link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()));
}

}  // namespace

std::string UserStartupFolder() {
  RegistrySession registry;
  registry.SetRoot(HKEY_CURRENT_USER);
  std::string folder;
  if (registry.OpenKey(kShellFolders, false)) {
    try {
      folder = registry.ReadText("Startup");
    } catch (const RegistryError&) {
      folder.clear();  // a value of another kind names no folder
    }
  }
  if (folder.empty()) return Environment().windowsFolder + kFallbackStartup;
  return WithBackslash(folder);
}

uint32_t WriteShortcut(const std::string& path, const ShortcutFacts& facts) {
  ComForThisCall com;
  ComPtr<IShellLinkA> link;
  HRESULT result = MakeShellLink(link);
  if (FAILED(result)) return StatusOf(result);
  link->SetPath(facts.target.c_str());
  link->SetArguments(facts.arguments.c_str());
  link->SetWorkingDirectory(facts.workingFolder.c_str());
  link->SetDescription(facts.description.c_str());
  ComPtr<IPersistFile> file;
  result = PersistFileOf(link.Get(), file);
  if (FAILED(result)) return StatusOf(result);
  return StatusOf(file->Save(WideFromText(path).c_str(), TRUE));
}

std::optional<ShortcutFacts> ReadShortcut(const std::string& path) {
  ComForThisCall com;
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
  if (FAILED(MakeShellLink(link)) || FAILED(PersistFileOf(link.Get(), file)) ||
      FAILED(file->Load(WideFromText(path).c_str(), STGM_READ)))
    return std::nullopt;
  char text[MAX_PATH * 2] = {};
  ShortcutFacts facts;
  if (SUCCEEDED(link->GetPath(text, sizeof(text), nullptr, SLGP_RAWPATH))) facts.target = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetArguments(text, sizeof(text)))) facts.arguments = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof(text)))) facts.workingFolder = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetDescription(text, sizeof(text)))) facts.description = text;
  return facts;
}

StartupShortcut::StartupShortcut(std::string folder, std::string program)
    : path_(WithBackslash(std::move(folder)) + kStartupShortcutName),
      program_(std::move(program)) {}

bool StartupShortcut::Exists() {
  return nFileExists(path_);
}

uint32_t StartupShortcut::Make(const std::string& startWord) {
  ShortcutFacts facts;
  facts.target = program_;
  facts.arguments = startWord;
  const size_t slash = program_.find_last_of('\\');
  facts.workingFolder = slash == std::string::npos ? std::string() : program_.substr(0, slash);
  facts.description = "Hivemend";
  return WriteShortcut(path_, facts);
}

uint32_t StartupShortcut::Remove() {
  if (!nFileExists(path_) || nDeleteFile(path_)) return 0;
  const DWORD status = GetLastError();
  return status ? status : ERROR_ACCESS_DENIED;
}

}  // namespace hvm
