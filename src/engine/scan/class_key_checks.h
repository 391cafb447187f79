// The class-key classifier of the class sections: given a key under
// HKEY_CLASSES_ROOT and what kind of reference it holds (a server file, a link
// to another class, a handler list, an icon, a verb list, a code page...), it
// decides whether the reference is stale and reports it, keeping the duplicate
// guard and the per-class flags that later checks rely on. WalkClassTree
// applies the checks that belong at every depth below a class key or a type
// library version.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/core/results_store.h"
#include "engine/scan/reported_keys.h"

namespace hvm {

class ScanDriver;
class RegistrySession;

enum class CheckKind : int {
  ckEmptyClassKey = 1,
  ckServerFile = 3,
  ckClassLink = 5,
  ckWholeKey = 6,
  ckTypeLibFile = 7,
  ckProxyStub = 8,
  ckInterfaceTypeLib = 9,
  ckInterfaceLink = 10,
  ckEmptyShellEx = 12,
  ckVerbList = 14,
  ckShellExList = 15,
  ckHandlerClass = 16,
  ckAppIdLink = 17,
  ckShellNew = 19,
  ckFileValue = 23,
  ckKeyLink = 25,
  ckNonEmptyDefault = 27,
  ckProtocolList = 31,
  ckCodePage = 33,
  ckCharsetAlias = 35,
  ckEmptyKey = 37,
  ckContentLink = 39,
  ckClassList = 41,
  ckLinkList = 43,
  ckValidPart = 46,
  ckEmptySubKey = 47,
};

// State shared by the class sections for one scan.
struct ClassScanState {
  ReportedKeys ReportedKeys;
  // Of the class or interface being checked: 0 nothing seen yet, 1 a stale
  // server or link was reported, 2 a valid registration part was seen.
  uint8_t ServerState = 0;
  // Of the type library version or verb being checked: 1 once a valid file or
  // command was found.
  uint8_t FoundFlag = 0;
  // 1 while WalkClassTree visits a "shellex" key.
  uint8_t ShellExFlag = 0;
  // Of the interface being checked: 1 once the type library it names was
  // found missing.
  uint8_t TypeLibraryGone = 0;
};

// What the checks need to know of the system.
struct ClassScanEnvironment {
  std::string windowsFolder;   // with a trailing backslash
  int windowsVersionCode = 0;  // 8 is Windows Vista
};

class ClassKeyChecker {
 public:
  ClassKeyChecker(ScanDriver& driver, ClassScanState& state, const ClassScanEnvironment& env);

  // Checks the key prefix + name + subKey under `root` as `kind`, reading
  // `valueName` ("" is the default value). A key that does not open is skipped.
  void CheckClassKey(HKEY root, const std::string& prefix, const std::string& name, CheckKind kind,
                     const std::string& valueName, const std::string& subKey);

  // Walks prefix + name + subKey and everything below it; marker 'R' for class
  // keys, 'T' for type library versions.
  void WalkClassTree(HKEY root, const std::string& prefix, const std::string& name, CheckKind kind,
                     char marker, const std::string& subKey);

  // The highest key that removing `keyText` (no leading backslash) would
  // leave empty: the key itself, its parent when that holds nothing else, and
  // so on up.
  std::string TopEmptyAncestor(HKEY root, const std::string& keyText);

 private:
  struct Check;

  bool Opens(HKEY root, const std::string& path) const;
  bool Exists(const std::string& path) const;
  // Whether the checked key has a sub-key `name`.
  bool HasSubKey(Check& c, const std::string& name) const;
  bool Seen(const std::string& text) const { return state_.ReportedKeys.Seen(text); }
  void Mark(const std::string& text) { state_.ReportedKeys.Mark(text); }
  void Report(const std::string& line, const ProblemReason& reason);
  void ReportOnce(const std::string& keyText, const ProblemReason& reason);
  void ServerStale() {
    if (state_.ServerState == 0) state_.ServerState = 1;
  }
  bool ClassUsable(HKEY root, const std::string& classText) const;
  // The key text of the part of the type library an interface names that is
  // missing or was found stale in this scan; empty when the library is there.
  std::string MissingTypeLibrary(Check& check) const;

  void RunRule(Check& check);
  void CheckServerFile(Check& check);
  void CheckTypeLibFile(Check& check);
  void CheckEmptyClassKey(Check& check);
  void CheckClassLink(Check& check);
  void CheckVerbList(Check& check);
  void CheckShellExList(Check& check);
  void CheckShellNew(Check& check);
  void CheckProtocolList(Check& check);
  void CheckCodePage(Check& check);
  void CheckCharsetAlias(Check& check);
  void CheckContentLink(Check& check);
  void CheckClassList(Check& check);
  void CheckLinkList(Check& check);
  void CheckEmptyKey(Check& check);
  void CheckEmptySubKey(Check& check);

  ScanDriver& driver_;
  ClassScanState& state_;
  const ClassScanEnvironment& env_;
};

// No values, or just an empty default of a text kind. `registry` has the key open.
bool ValuesHoldNothing(RegistrySession& registry);
// No sub-keys either.
bool KeyHoldsNothing(RegistrySession& registry);

}  // namespace hvm
