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
// Times are measured in one run and compared as ratios by the script;
// absolute times vary by machine.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "cli/cli_options.h"
#include "cli/console_scan_session.h"
#include "engine/core/environment.h"
#include "engine/scan/reported_keys.h"
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
  if (command == "guard") {
    for (int marks : {1000, 10000, 100000}) BenchReportedKeys(marks);
    return 0;
  }
  std::fprintf(stderr,
               "usage: scan_bench sections | seed FROM TO [valid] | unseed | "
               "repair-seed N FOLDER | guard\n");
  return 2;
}
