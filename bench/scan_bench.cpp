// The scan benchmarks, each a command, run by scripts/bench in a prefix of
// their own:
//   scan_bench sections      a full read-only scan: seconds per section, in
//                            all, problems found and the peak working set
//   scan_bench seed FROM TO [valid]  adds classes FROM..TO-1 to HKCR\CLSID,
//                            every second one naming a file that is not
//                            there (none with "valid")
//   scan_bench unseed        removes them again
//   scan_bench repair-seed N DIR  N values to repair, and DIR\problems.txt
//   scan_bench guard         the duplicate guard against a substring search
//   scan_bench refs-seed N   N references that name files which are there,
//                            N of the same shapes that name files which are
//                            not, and N plain texts, each set under a key of
//                            its own
//   scan_bench refs present|missing|text  walks one set as the file/path
//                            references section walks a hive: seconds and
//                            problems found; "text" is a set of the same
//                            layout whose texts name nothing
//   scan_bench refs-unseed   removes both sets, their files and folders
// Times are measured in one run and compared as ratios by the script;
// absolute times vary by machine.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_options.h"
#include "cli/console_dialogs.h"
#include "cli/console_scan_session.h"
#include "engine/core/environment.h"
#include "engine/core/results_store.h"
#include "engine/scan/broad_sections.h"
#include "engine/scan/reported_keys.h"
#include "engine/scan/scan_driver.h"
#include "engine/scan/sections.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ClassName(int i) {
  char guid[64];
  std::snprintf(guid, sizeof(guid), "{%08X-0000-4000-8000-00000000BE9C}", i);
  return guid;
}

HKEY CreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    std::exit(2);
  }
  return key;
}

void SetText(HKEY key, const char* name, const std::string& text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 DWORD(text.size() + 1));
}

// A class of the usual shape: an in-process server with its threading model
// and a category key. The stale ones name a file of their own that is gone.
void SeedClasses(int from, int to, bool halfStale) {
  for (int i = from; i < to; ++i) {
    const std::string key = "CLSID\\" + ClassName(i);
    HKEY clsid = CreateKey(HKEY_CLASSES_ROOT, key);
    SetText(clsid, "", "Bench class " + std::to_string(i));
    RegCloseKey(clsid);
    HKEY server = CreateKey(HKEY_CLASSES_ROOT, key + "\\InprocServer32");
    SetText(server, "",
            halfStale && i % 2 ? "C:\\HvmBench\\gone" + std::to_string(i) + ".dll"
                               : "C:\\windows\\system32\\kernel32.dll");
    SetText(server, "ThreadingModel", "Both");
    RegCloseKey(server);
    RegCloseKey(CreateKey(HKEY_CLASSES_ROOT, key + "\\Implemented Categories"));
  }
}

void Unseed() {
  for (int i = 0;; ++i)
    if (RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + ClassName(i)).c_str()) != ERROR_SUCCESS)
      return;
}

int FullScan() {
  hvm::InitEnvironment();
  hvm::ScanOptions options;
  options.quiet = true;
  options.readOnly = true;
  options.sections.emplace();
  for (int section = 1; section <= hvm::kSectionCount; ++section) options.sections->insert(section);
  options.dataDir = "C:\\hvm-bench-data";
  hvm::ConsoleScanSession session(options, false);
  const double total = Seconds([&] { session.RunScan(); });
  for (int section = 1; section <= hvm::kSectionCount; ++section)
    std::printf("section %d %.3f\n", section, session.Driver().SectionSeconds(section));
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  std::printf("total %.3f\nproblems %d\npeak-working-set-mb %.1f\n", total,
              session.Results().TotalCount(), double(memory.PeakWorkingSetSize) / (1 << 20));
  return 0;
}

// Values under HKCU\Software\HvmBench\Repair, one key each, and the problem
// lines that name them.
int RepairSeed(int count, const std::string& folder) {
  std::string lines;
  for (int i = 0; i < count; ++i) {
    const std::string key = "Software\\HvmBench\\Repair\\K" + std::to_string(i);
    HKEY handle = CreateKey(HKEY_CURRENT_USER, key);
    SetText(handle, "Stale", "C:\\HvmBench\\gone" + std::to_string(i) + ".exe");
    RegCloseKey(handle);
    lines += "15\tHKCU\\" + key + "\\\\:Stale\n";
  }
  FILE* file = std::fopen((folder + "\\problems.txt").c_str(), "wb");
  if (!file) return 2;
  std::fputs(lines.c_str(), file);
  std::fclose(file);
  return 0;
}

// References of the shapes real hives hold (blanks, quotes, arguments,
// variables, resource indexes, a host program, a folder), eight to a key as an
// installed program's keys hold them. Both sets name the same files below
// "<Program Files>\HvmBench Refs\<set>": the present set's files are all
// there; of the missing set's programs every second one left its folders
// behind and the others left nothing at all.
constexpr char kRefsKey[] = "Software\\HvmBench\\References";
constexpr char kRefsFolder[] = "HvmBench Refs";
constexpr int kRefsPerKey = 8;

std::string ProgramFilesFolder() {
  char folder[MAX_PATH];
  const DWORD length = ExpandEnvironmentStringsA("%ProgramFiles%", folder, MAX_PATH);
  return length > 1 && length <= MAX_PATH ? std::string(folder) : "C:\\Program Files";
}

struct ReferenceSet {
  std::string name;  // "Present" or "Missing"
  // The program's folder, as a path and as the references spell it.
  std::string Vendor(int program) const {
    return ProgramFilesFolder() + "\\" + kRefsFolder + "\\" + name + "\\Vendor " +
           std::to_string(program);
  }
  std::string SpelledVendor(int program) const {
    return std::string("%ProgramFiles%\\") + kRefsFolder + "\\" + name + "\\Vendor " +
           std::to_string(program);
  }
};

std::string PackageGuid(int program) {
  char guid[64];
  std::snprintf(guid, sizeof(guid), "{%08X-5E7A-4C1B-9D2F-0A1B2C3D4E5F}", program);
  return guid;
}

// The files of one program (those a reference names), relative to its folder;
// the last one is a folder.
std::vector<std::string> ProgramFiles(int program) {
  return {"App Name\\app.exe",
          "Tool Kit\\tool.exe",
          "Shared\\lib.dll",
          "Helpers\\helper.dll",
          "Package Cache\\" + PackageGuid(program) + "\\setup.exe",
          "Drivers\\Vendor Driver_" + std::to_string(program) + ".v2.dll",
          "Strings.dll",
          "Data Folder\\"};
}

// Texts of the same layout that name nothing: the walk's own share.
std::vector<std::pair<std::string, std::string>> PlainTexts(int program) {
  const std::string n = std::to_string(program);
  return {
      {"DisplayName", "Vendor " + n + " Application"},
      {"DisplayVersion", n + ".1.2.0"},
      {"Publisher", "Vendor " + n + " Software Ltd."},
      {"Comments", "Installed by the vendor's own setup program"},
      {"URLInfoAbout", "https://example.invalid/vendor" + n},
      {"Contact", "support@example.invalid"},
      {"Language", "1033"},
      {"Readme", "See the vendor's site for notes on version " + n},
  };
}

std::vector<std::pair<std::string, std::string>> References(const ReferenceSet& set, int program) {
  const std::string p = set.Vendor(program);
  const std::string v = set.SpelledVendor(program);
  const std::string n = std::to_string(program);
  return {
      {"DisplayIcon", "\"" + p + "\\App Name\\app.exe\" --start \"%1\""},
      {"Maintenance", p + "\\Tool Kit\\tool.exe /silent /log " + p + "\\Logs\\run.log"},
      {"SharedLibrary", v + "\\Shared\\lib.dll,-101"},
      {"Helper", "rundll32.exe \"" + p + "\\Helpers\\helper.dll\",Entry " + n},
      {"UninstallString",
       "\"" + p + "\\Package Cache\\" + PackageGuid(program) + "\\setup.exe\" /uninstall /quiet"},
      {"DriverPath", p + "\\Drivers\\Vendor Driver_" + n + ".v2.dll"},
      {"DisplayName", "@" + v + "\\Strings.dll,-1001"},
      {"InstallLocation", p + "\\Data Folder\\"},
  };
}

void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('\\', 3); slash != std::string::npos;
       slash = path.find('\\', slash + 1))
    CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
}

void MakeFile(const std::string& path) {
  MakeFolders(path.substr(0, path.rfind('\\')));
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

HKEY ReferenceKey(const std::string& set, int program) {
  return CreateKey(HKEY_CURRENT_USER,
                   std::string(kRefsKey) + "\\" + set + "\\App " + std::to_string(program));
}

void SeedPlainTexts(int count) {
  for (int program = 0; program * kRefsPerKey < count; ++program) {
    HKEY key = ReferenceKey("Text", program);
    for (const auto& [name, text] : PlainTexts(program)) SetText(key, name.c_str(), text);
    RegCloseKey(key);
  }
}

void SeedReferenceSet(const ReferenceSet& set, int count, bool present) {
  for (int program = 0; program * kRefsPerKey < count; ++program) {
    for (const std::string& file : ProgramFiles(program)) {
      const std::string path = set.Vendor(program) + "\\" + file;
      const bool folder = file.back() == '\\';
      if (present && folder)
        MakeFolders(path.substr(0, path.size() - 1));
      else if (present)
        MakeFile(path);
      else if (program % 2)
        MakeFolders(folder ? set.Vendor(program) : path.substr(0, path.rfind('\\')));
    }
    HKEY key = ReferenceKey(set.name, program);
    for (const auto& [name, text] : References(set, program)) SetText(key, name.c_str(), text);
    RegCloseKey(key);
  }
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(folder + "\\" + name);
      else
        DeleteFileA((folder + "\\" + name).c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

void UnseedReferences() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kRefsKey);
  RemoveTree(ProgramFilesFolder() + "\\" + kRefsFolder);
}

class QuietView : public hvm::ScanView {
 public:
  void SetSectionCount(int, int) override {}
  void SetSectionRunning(int, bool) override {}
  void SetSectionMark(int, hvm::SectionMark) override {}
  void SetTotalText(const std::string&) override {}
  void SetStatusText(const std::string&) override {}
  void SetProgress(int, int) override {}
  void SetAnimation(bool) override {}
  void ShowScanPage() override {}
  void ShowResultsPage() override {}
  void ShowSummaryPage() override {}
  void PumpMessages() override {}
  bool Terminating() const override { return false; }
};

// Section 23's walk over one set alone, in a scan of its own.
class ReferenceWalk : public hvm::ScanGroups {
 public:
  explicit ReferenceWalk(std::string path) : path_(std::move(path)) {}
  void ScanFilePathReferences(hvm::ScanDriver& driver) override {
    hvm::WalkValueReferences(driver, HKEY_CURRENT_USER, "HKCU\\", path_);
  }

 private:
  std::string path_;
};

int WalkReferences(const std::string& set) {
  hvm::InitEnvironment();
  hvm::ResultsStore results;
  QuietView view;
  ReferenceWalk groups(std::string(kRefsKey) + "\\" + set);
  const hvm::ChosenSectionSwitches switches({23});
  hvm::ConsoleDialogService dialogs(stderr);
  hvm::NoMonitor monitor;
  hvm::ScanDriver driver({results, view, groups, switches, dialogs, monitor});
  const double seconds = Seconds([&] { driver.RunScan(); });
  std::printf("%.4f %d\n", seconds, results.TotalCount());
  return 0;
}

void BenchReportedKeys(int marks) {
  hvm::ReportedKeys keys;
  std::string quoted;
  for (int i = 0; i < marks; ++i) {
    const std::string text = "CLSID\\{" + std::to_string(i) + "}";
    keys.Mark(text);
    quoted += "\"" + text + "\"";
  }
  int hits = 0;
  const int lookups = 2000;
  const double set = Seconds([&] {
    for (int i = 0; i < lookups; ++i) hits += keys.Seen("CLSID\\{" + std::to_string(i * 7) + "}");
  });
  const double substring = Seconds([&] {
    for (int i = 0; i < lookups; ++i)
      hits += quoted.find("\"CLSID\\{" + std::to_string(i * 7) + "}\"") != std::string::npos;
  });
  std::printf("duplicate guard, %d marks: substring search / guard = %.1f (%d hits)\n", marks,
              substring / set, hits);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "sections") return FullScan();
  if (command == "seed" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "valid"))) {
    SeedClasses(std::atoi(argv[2]), std::atoi(argv[3]), argc == 4);
    return 0;
  }
  if (command == "unseed") {
    Unseed();
    return 0;
  }
  if (command == "repair-seed" && argc == 4) return RepairSeed(std::atoi(argv[2]), argv[3]);
  if (command == "refs-seed" && argc == 3) {
    const int count = std::atoi(argv[2]);
    SeedReferenceSet({"Present"}, count, true);
    SeedReferenceSet({"Missing"}, count, false);
    SeedPlainTexts(count);
    return 0;
  }
  if (command == "refs" && argc == 3) {
    const std::string set = argv[2];
    if (set == "present") return WalkReferences("Present");
    if (set == "missing") return WalkReferences("Missing");
    if (set == "text") return WalkReferences("Text");
  }
  if (command == "refs-unseed") {
    UnseedReferences();
    return 0;
  }
  if (command == "guard") {
    for (int marks : {1000, 10000, 100000}) BenchReportedKeys(marks);
    return 0;
  }
  std::fprintf(stderr,
               "usage: scan_bench sections | seed FROM TO [valid] | unseed | "
               "repair-seed N FOLDER | guard | refs-seed N | refs present|missing|text | "
               "refs-unseed\n");
  return 2;
}
