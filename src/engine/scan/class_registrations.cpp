#include "engine/scan/class_registrations.h"

#include <vector>

#include "engine/core/registry.h"
#include "engine/core/registry_paths.h"
#include "engine/core/text_case.h"
#include "engine/scan/drive_types.h"
#include "engine/scan/file_tests.h"
#include "engine/scan/problem_rules.h"
#include "engine/scan/scan_cache.h"
#include "engine/scan/scan_driver.h"

namespace hvm {
namespace {

using CK = CheckKind;

constexpr char kShellFolders[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kUserShellFolders[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct ClassPart {
  const char* subKey;
  CheckKind kind;
};

// What a COM class key may hold, in the order it is checked.
constexpr ClassPart kClassParts[] = {
    {"\\InprocServer", CK::ckServerFile},
    {"\\InprocServer32", CK::ckServerFile},
    {"\\LocalServer", CK::ckServerFile},
    {"\\LocalServer32", CK::ckServerFile},
    {"\\InprocHandler", CK::ckServerFile},
    {"\\InprocHandler32", CK::ckServerFile},
    {"\\ProgID", CK::ckKeyLink},
    {"\\VersionIndependentProgID", CK::ckEmptySubKey},
    {"\\TypeLib", CK::ckValidPart},
    {"\\ToolBoxBitmap", CK::ckFileValue},
    {"\\ToolBoxBitmap32", CK::ckFileValue},
    {"\\AutoConvertTo", CK::ckKeyLink},
    {"\\AutoTreatAs", CK::ckKeyLink},
    {"\\TreatAs", CK::ckKeyLink},
    {"\\OLE1Class", CK::ckKeyLink},
    {"\\Control", CK::ckValidPart},
    {"\\Insertable", CK::ckValidPart},
    {"\\NotInsertable", CK::ckValidPart},
    {"\\Required Categories", CK::ckValidPart},
    {"\\Implemented Categories", CK::ckValidPart},
    {"\\ExtendedErrors", CK::ckClassList},
    {"\\ShellFolder", CK::ckValidPart},
    {"\\RTFClassName", CK::ckEmptySubKey},
    {"\\MiscStatus", CK::ckValidPart},
    {"\\MergedFolder", CK::ckValidPart},
    {"\\InstalledVersion", CK::ckEmptySubKey},
    {"\\PersistentAddinsRegistered", CK::ckLinkList},
    {"\\PersistentHandler", CK::ckHandlerClass},
    {"\\Ole1Class", CK::ckEmptySubKey},
    {"\\Version", CK::ckValidPart},
    {"\\DllVersion", CK::ckEmptySubKey},
    {"\\DataFormats", CK::ckEmptySubKey},
    {"\\Programmable", CK::ckValidPart},
};

// Sub-key names of `path` under `root`; none when it does not open. Listed
// once per scan.
std::vector<std::string> SubKeysOf(HKEY root, const std::string& path) {
  if (ScanCache* cache = ScanCache::Active()) {
    const std::vector<std::string>* names = cache->SubKeys(root, path);
    return names ? *names : std::vector<std::string>();
  }
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKeyToRead(path)) return {};
  return registry.ListSubKeys();
}

bool KeyOpens(HKEY root, const std::string& path) {
  if (ScanCache* cache = ScanCache::Active()) return cache->KeyOpens(root, path);
  RegistrySession registry;
  registry.SetRoot(root);
  return registry.OpenKeyToRead(path);
}

// Lists the key's sub-keys ahead of the checks of its parts, so that parts it
// does not have are known missing without a look each.
void ListAhead(const std::string& path) {
  if (ScanCache* cache = ScanCache::Active()) cache->SubKeys(HKEY_CLASSES_ROOT, path);
}

class ClassSections {
 public:
  ClassSections(ScanDriver& driver, const ClassScanEnvironment& env)
      : driver_(driver), checker_(driver, state_, env) {}

  void Run();

 private:
  void ShellFolders(HKEY root, const char* path, const std::string& keyText);
  void RegistryIntegrity();
  // Runs `perEntry` over the sub-keys of `key`, polling Stop before each.
  template <class PerEntry>
  void ForEachSubKey(const std::string& key, PerEntry perEntry);
  void Check(const std::string& prefix, const std::string& name, CheckKind kind,
             const std::string& subKey = "", const std::string& valueName = "") {
    checker_.CheckClassKey(HKEY_CLASSES_ROOT, prefix, name, kind, valueName, subKey);
  }
  void TypeLibrary(const std::string& library);
  void Association(const std::string& name);
  void ComClass(const std::string& prefix, const std::string& name);
  void Interface(const std::string& name);
  void DeepScan();
  // Sections 6 to 9 reserve a fixed share of the bar, taken also on an error.
  template <class Body>
  void WithFixedProgress(Body body);

  ScanDriver& driver_;
  ClassScanState state_;
  ClassKeyChecker checker_;
};

void ClassSections::ShellFolders(HKEY root, const char* path, const std::string& keyText) {
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKeyToRead(path)) return;
  const std::vector<std::string> names = registry.ListValueNames();
  for (size_t i = 0; i < names.size(); ++i) {
    if (driver_.StopRequested(int(i))) break;
    const std::string& name = names[i];
    if (registry.ValueKind(name) != RegDataKind::kString) continue;
    const std::string text = registry.ReadText(name);
    if (text.find(":\\") == std::string::npos) continue;
    const std::string folder = RemoveSlash(text);
    if (!FolderExists(folder))
      driver_.AddItemToResultsList({keyText, name, false}, keyText + "\\\\:" + name + " = " + text,
                                   {rule::kFolderMissing, folder});
  }
}

void ClassSections::RegistryIntegrity() {
  try {
    ShellFolders(HKEY_LOCAL_MACHINE, kShellFolders,
                 "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    if (!driver_.StopPending())
      ShellFolders(HKEY_CURRENT_USER, kUserShellFolders,
                   "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  } catch (...) {
    driver_.AdvanceProgress(50);
    throw;
  }
  driver_.AdvanceProgress(50);
}

template <class PerEntry>
void ClassSections::ForEachSubKey(const std::string& key, PerEntry perEntry) {
  const std::vector<std::string> names = SubKeysOf(HKEY_CLASSES_ROOT, key);
  for (size_t i = 0; i < names.size(); ++i) {
    if (driver_.StopRequested(int(i))) return;
    perEntry(names[i]);
  }
}

template <class Body>
void ClassSections::WithFixedProgress(Body body) {
  try {
    body();
  } catch (...) {
    driver_.AdvanceProgress(50);
    throw;
  }
  driver_.AdvanceProgress(50);
}

void ClassSections::TypeLibrary(const std::string& library) {
  const std::string key = "\\TypeLib\\" + library;
  for (const char* platform : {"\\Win16", "\\Win32", "\\Win64"})
    if (KeyOpens(HKEY_CLASSES_ROOT, key + platform))
      Check("TypeLib\\", library, CK::ckTypeLibFile, platform);
  if (KeyOpens(HKEY_CLASSES_ROOT, key + "\\HelpDir"))
    Check("TypeLib\\", library, CK::ckFileValue, "\\HelpDir");
  if (KeyOpens(HKEY_CLASSES_ROOT, key)) {
    for (const std::string& version : SubKeysOf(HKEY_CLASSES_ROOT, key)) {
      if (driver_.StopPending()) break;
      RegistrySession registry;
      registry.SetRoot(HKEY_CLASSES_ROOT);
      if (!registry.OpenKeyToRead(key + "\\" + version) || !registry.HasChildKeys()) continue;
      state_.FoundFlag = 0;
      const std::string versionName = library + "\\" + version;
      checker_.WalkClassTree(HKEY_CLASSES_ROOT, "TypeLib\\", versionName, CK::ckTypeLibFile, 'T',
                             "");
      if (state_.FoundFlag == 0) Check("TypeLib\\", versionName, CK::ckWholeKey);
    }
    Check("TypeLib\\", library, CK::ckEmptyKey);
  }
  driver_.AdvanceProgress(3);
}

void ClassSections::Association(const std::string& name) {
  const std::string upper = UpperCase(name);
  // The keys every system needs for its programs and its own files, and the
  // 32-bit view of the classes root on 64-bit Windows, which is no class.
  if (upper != "*" && upper != ".EXE" && upper != ".REG" && upper != "WOW6432NODE") {
    ListAhead(name);
    Check("", name, CK::ckEmptyClassKey, "\\");
    Check("", name, CK::ckClassLink, "\\CLSID");
    Check("", name, CK::ckClassLink, "\\WOW64\\CLSID");
    Check("", name, CK::ckProtocolList, "\\protocol");
    Check("", name, CK::ckEmptyKey);
    checker_.WalkClassTree(HKEY_CLASSES_ROOT, "", name, CK::ckVerbList, 'R', "");
  }
  driver_.AdvanceProgress(1);
}

void ClassSections::ComClass(const std::string& prefix, const std::string& name) {
  ListAhead(prefix + name);
  state_.ServerState = 0;
  for (const ClassPart& part : kClassParts) Check(prefix, name, part.kind, part.subKey);
  if (state_.ServerState == 1) Check(prefix, name, CK::ckWholeKey);
}

void ClassSections::DeepScan() {
  ForEachSubKey("\\CLSID\\", [&](const std::string& name) {
    ComClass("CLSID\\", name);
    driver_.AdvanceProgress(1);
  });
  if (driver_.StopPending()) return;
  ForEachSubKey("\\WOW64\\CLSID\\",
                [&](const std::string& name) { ComClass("WOW64\\CLSID\\", name); });
}

void ClassSections::Interface(const std::string& name) {
  ListAhead("Interface\\" + name);
  state_.ServerState = 0;
  state_.TypeLibraryGone = 0;
  Check("Interface\\", name, CK::ckInterfaceTypeLib, "\\TypeLib");
  Check("Interface\\", name, CK::ckProxyStub, "\\ProxyStubClsid");
  Check("Interface\\", name, CK::ckProxyStub, "\\ProxyStubClsid32");
  Check("Interface\\", name, CK::ckInterfaceLink, "\\BaseInterface");
  if (state_.ServerState == 1) Check("Interface\\", name, CK::ckWholeKey);
  driver_.AdvanceProgress(1);
}

void ClassSections::Run() {
  ResetDriveCache();
  if (!driver_.RunSection(1, [&] { RegistryIntegrity(); })) return;
  if (!driver_.RunSection(
          2, [&] { ForEachSubKey("\\TypeLib", [&](const std::string& g) { TypeLibrary(g); }); }))
    return;
  if (!driver_.RunSection(
          3, [&] { ForEachSubKey("", [&](const std::string& n) { Association(n); }); }))
    return;
  if (!driver_.RunSection(4, [&] { DeepScan(); })) return;
  if (!driver_.RunSection(
          5, [&] { ForEachSubKey("\\Interface", [&](const std::string& i) { Interface(i); }); }))
    return;
  if (!driver_.RunSection(6, [&] {
        WithFixedProgress([&] {
          ForEachSubKey("\\AppID", [&](const std::string& a) {
            // Names in braces are the class-like entries; only the
            // executable-name entries link to another AppID.
            if (a.empty() || a.front() != '{') Check("AppID\\", a, CK::ckAppIdLink);
          });
        });
      }))
    return;
  if (!driver_.RunSection(7, [&] {
        WithFixedProgress([&] {
          ForEachSubKey("\\MIME\\Database\\Charset", [&](const std::string& s) {
            Check("MIME\\Database\\", "Charset\\" + s, CK::ckCodePage, "", "CodePage");
            Check("MIME\\Database\\", "Charset\\" + s, CK::ckCodePage, "", "InternetEncoding");
            Check("MIME\\Database\\", "Charset\\", CK::ckCharsetAlias, s, "AliasForCharset");
            Check("MIME\\Database\\", "Charset\\" + s, CK::ckEmptyKey);
          });
        });
      }))
    return;
  if (!driver_.RunSection(8, [&] {
        WithFixedProgress([&] {
          ForEachSubKey("\\MIME\\Database\\Content Type", [&](const std::string& t) {
            Check("MIME\\Database\\", "Content Type\\" + t, CK::ckContentLink, "", "CLSID");
            Check("MIME\\Database\\", "Content Type\\" + t, CK::ckContentLink, "", "Extension");
            Check("MIME\\Database\\", "Content Type\\" + t, CK::ckEmptyKey);
          });
        });
      }))
    return;
  driver_.RunSection(9, [&] {
    WithFixedProgress([&] {
      ForEachSubKey("\\Applications",
                    [&](const std::string& a) { Check("Applications\\", a, CK::ckEmptyKey); });
    });
  });
}

int CountSubKeys(HKEY root, const std::string& path) {
  return int(SubKeysOf(root, path).size());
}

int CountValues(HKEY root, const std::string& path) {
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKeyToRead(path)) return 0;
  return int(registry.ListValueNames().size());
}

}  // namespace

void ScanClassRegistrations(ScanDriver& driver, const ClassScanEnvironment& env) {
  ClassSections(driver, env).Run();
}

int ComputeScanMaximum(ScanDriver& driver) {
  const auto on = [&](int section) { return driver.SectionEnabled(section) ? 1 : 0; };
  int fixed = on(1) + 2 * on(6) + on(7) + on(8) + on(9);
  for (int section = 10; section <= 22; ++section)
    if (section != 13) fixed += on(section);
  int maximum = 50 * fixed;
  if (on(2)) maximum += 3 * CountSubKeys(HKEY_CLASSES_ROOT, "\\TypeLib");
  if (on(3)) maximum += CountSubKeys(HKEY_CLASSES_ROOT, "");
  if (on(4)) maximum += CountSubKeys(HKEY_CLASSES_ROOT, "\\CLSID");
  if (on(5)) maximum += CountSubKeys(HKEY_CLASSES_ROOT, "\\Interface");
  if (on(13))
    maximum += 50 * CountValues(HKEY_LOCAL_MACHINE,
                                "\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
  driver.SetProgressMaximum(maximum);
  return maximum;
}

}  // namespace hvm
