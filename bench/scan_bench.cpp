// Times the class sections over a seeded registry against a bare walk of the
// same keys, and the duplicate guard against the plain substring search it
// replaces. Prints ratios measured in one run; absolute times vary by machine.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "core/registry.h"
#include "scan/class_registrations.h"
#include "scan/reported_keys.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/scan_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void SeedClasses(int count) {
  for (int i = 0; i < count; ++i) {
    char guid[64];
    std::snprintf(guid, sizeof(guid), "{%08X-0000-4000-8000-000000000000}", i);
    const std::string key = std::string("HKCR\\CLSID\\") + guid;
    hvm::test::SeedString(
        key + "\\InprocServer32", "",
        i % 10 ? "C:\\windows\\system32\\kernel32.dll" : "C:\\Bench\\missing.dll");
    hvm::test::SeedKey(key + "\\Implemented Categories");
  }
}

// Opens every class key and its sub-keys once: the least any scan must do.
int BareWalk() {
  hvm::TNTRegistry registry;
  registry.SetRoot(HKEY_CLASSES_ROOT);
  registry.OpenKey("\\CLSID", false);
  int opened = 0;
  for (const std::string& name : registry.ListSubKeys()) {
    hvm::TNTRegistry sub;
    sub.SetRoot(HKEY_CLASSES_ROOT);
    if (!sub.OpenKey("\\CLSID\\" + name, false)) continue;
    for (const std::string& child : sub.ListSubKeys()) {
      hvm::TNTRegistry leaf;
      leaf.SetRoot(HKEY_CLASSES_ROOT);
      opened += leaf.OpenKey("\\CLSID\\" + name + "\\" + child, false);
    }
  }
  return opened;
}

void BenchDeepScan(int classes) {
  hvm::test::RegistrySandbox sandbox;
  SeedClasses(classes);
  int opened = 0;
  const double walk = Seconds([&] { opened = BareWalk(); });
  hvm::test::ScanHarness harness({4});
  const hvm::ClassScanEnvironment env{"C:\\windows\\", 0};
  harness.groups.classRegistrations = [&](hvm::ScanDriver& d) {
    hvm::ScanClassRegistrations(d, env);
  };
  const double scan = Seconds([&] { harness.driver.RunScan(); });
  std::printf("deep scan, %d classes: %d problems; scan / bare walk of %d keys = %.1f\n", classes,
              harness.results.TotalCount(), opened, scan / walk);
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

int main() {
  for (int classes : {200, 1000}) BenchDeepScan(classes);
  for (int marks : {1000, 10000, 100000}) BenchReportedKeys(marks);
  return 0;
}
