#include "engine/scan/class_key_checks.h"

#include <cstring>
#include <vector>

#include "engine/core/registry.h"
#include "engine/core/registry_paths.h"
#include "engine/core/text_case.h"
#include "engine/scan/path_resolution.h"
#include "engine/scan/problem_rules.h"
#include "engine/scan/scan_cache.h"
#include "engine/scan/scan_driver.h"

namespace hvm {
namespace {

constexpr char kClassesRootShort[] = "HKCR\\";
constexpr char kClassesRootLong[] = "HKEY_CLASSES_ROOT\\";

// Text of a value when it is of a text kind; `otherwise` for any other kind.
// Values of other kinds are treated as untestable rather than read as text,
// so that one oddly typed value cannot end the scan with an error.
std::string TextOrElse(RegistrySession& registry, const std::string& name,
                       const std::string& otherwise) {
  if (!StringKinds.Contains(registry.ValueKind(name))) return otherwise;
  return registry.ReadText(name);
}

std::string WithoutLeadingBackslash(const std::string& text) {
  return !text.empty() && text.front() == '\\' ? text.substr(1) : text;
}

// A missing file, or no file named at all in the value of `keyText`.
ProblemReason FileMissing(const std::string& text, const std::string& keyText) {
  if (text.empty()) return {rule::kNoFileNamed, kClassesRootShort + keyText};
  return {rule::kFileMissing, ResolvedPath(text)};
}

// The text of a value of a text kind, or the number of a DWORD, read in one
// call. As before, a DWORD of more than four bytes cannot be read.
void ReadCheckedValue(RegistrySession& registry, const std::string& name, std::string* text,
                      int32_t* number) {
  const std::optional<RegRawValue> value = registry.QueryValue(name);
  if (!value) return;
  const RegDataKind kind = KindOfPlatformType(value->type);
  if (StringKinds.Contains(kind)) {
    *text = value->data.substr(0, strnlen(value->data.data(), value->data.size()));
  } else if (kind == RegDataKind::kDword) {
    if (value->data.size() > sizeof(int32_t))
      throw RegistryError(RegistryError::Reason::GetFailed, name, ERROR_MORE_DATA);
    uint32_t bits = 0;
    std::memcpy(&bits, value->data.data(), value->data.size());
    *number = int32_t(bits);
  }
}

// Whether a rule reads the checked value: the others look at the key only.
bool UsesValue(CheckKind kind) {
  switch (kind) {
    case CheckKind::ckWholeKey:
    case CheckKind::ckEmptyShellEx:
    case CheckKind::ckVerbList:
    case CheckKind::ckShellExList:
    case CheckKind::ckAppIdLink:
    case CheckKind::ckShellNew:
    case CheckKind::ckProtocolList:
    case CheckKind::ckEmptyKey:
    case CheckKind::ckClassList:
    case CheckKind::ckLinkList:
    case CheckKind::ckValidPart:
    case CheckKind::ckEmptySubKey: return false;
    default: return true;
  }
}

// The system's proxy classes that marshal an interface from its type library
// (the automation and the dispatch marshaler): without the library they serve
// nothing.
bool IsTypeLibraryMarshaler(const std::string& classText) {
  return _stricmp(classText.c_str(), "{00020424-0000-0000-C000-000000000046}") == 0 ||
         _stricmp(classText.c_str(), "{00020420-0000-0000-C000-000000000046}") == 0;
}

ProblemReason ClassMissing(const std::string& classText) {
  return {rule::kClassMissing, kClassesRootShort + std::string("CLSID\\") + classText};
}

ProblemReason EmptyKey(const std::string& keyText) {
  return {rule::kEmptyKey, kClassesRootShort + keyText};
}

}  // namespace

// One call of CheckClassKey: its arguments, the key open in `reg`, and what
// was read of the value.
struct ClassKeyChecker::Check {
  HKEY root;
  const std::string& P;  // prefix
  const std::string& N;  // name
  CheckKind kind;
  const std::string& V;  // value name
  const std::string& S;  // sub-key
  std::string K;         // P + N + S
  std::string W;         // S without its leading backslash
  std::string T;         // text of V, or ""
  int32_t D = 0;         // number of V, or 0
  RegistrySession& reg;
};

bool ValuesHoldNothing(RegistrySession& registry) {
  const std::vector<std::string> values = registry.ListValueNames();
  return values.empty() ||
         (values.size() == 1 && values[0].empty() && StringKinds.Contains(registry.ValueKind("")) &&
          registry.ReadText("").empty());
}

bool KeyHoldsNothing(RegistrySession& registry) {
  return ValuesHoldNothing(registry) && !registry.HasChildKeys();
}

ClassKeyChecker::ClassKeyChecker(ScanDriver& driver, ClassScanState& state,
                                 const ClassScanEnvironment& env)
    : driver_(driver), state_(state), env_(env) {}

bool ClassKeyChecker::Opens(HKEY root, const std::string& path) const {
  if (ScanCache* cache = ScanCache::Active()) return cache->KeyOpens(root, path);
  RegistrySession registry;
  registry.SetRoot(root);
  return registry.OpenKeyToRead(path);
}

bool ClassKeyChecker::Exists(const std::string& path) const {
  return !path.empty() && FilePathExists(path);
}

bool ClassKeyChecker::HasSubKey(Check& c, const std::string& name) const {
  if (ScanCache* cache = ScanCache::Active();
      cache && cache->KeyKnownMissing(c.root, c.K + "\\" + name))
    return false;
  return c.reg.KeyPresent(name);
}

void ClassKeyChecker::Report(const std::string& line, const ProblemReason& reason) {
  driver_.AddItemToResultsList(line, reason);
}

void ClassKeyChecker::ReportOnce(const std::string& keyText, const ProblemReason& reason) {
  if (Seen(keyText)) return;
  Mark(keyText);
  Report(kClassesRootShort + keyText, reason);
}

// A class that exists and was not found stale earlier in this scan (a class
// reported in the normal branch still counts when its WOW64 twin exists).
bool ClassKeyChecker::ClassUsable(HKEY root, const std::string& classText) const {
  return !(Seen("CLSID\\" + classText) && !Opens(root, "\\WOW64\\CLSID\\" + classText)) &&
         !Seen("WOW64\\CLSID\\" + classText);
}

std::string ClassKeyChecker::MissingTypeLibrary(Check& c) const {
  // Section 2 marks a library it reported with its key, and a version it
  // reported whole by the library's name and the version.
  const std::string library = "TypeLib\\" + c.T;
  if (!Opens(c.root, "\\" + library) || Seen(library)) return library;
  const std::string version = TextOrElse(c.reg, "Version", "");
  if (version.empty()) return "";
  const std::string versionKey = library + "\\" + version;
  if (!Opens(c.root, "\\" + versionKey) || Seen(versionKey) || Seen(c.T + "\\" + version))
    return versionKey;
  return "";
}

std::string ClassKeyChecker::TopEmptyAncestor(HKEY root, const std::string& keyText) {
  std::string current = keyText;
  for (;;) {
    const size_t slash = current.find_last_of('\\');
    if (slash == std::string::npos) return current;
    const std::string parent = current.substr(0, slash);
    RegistrySession registry;
    registry.SetRoot(root);
    if (!registry.OpenKeyToRead("\\" + parent)) return current;
    const std::optional<RegKeyInfo> info = registry.ReadKeyInfo();
    if (!info || info->subKeyCount >= 2 || !ValuesHoldNothing(registry)) return current;
    current = parent;
  }
}

void ClassKeyChecker::CheckClassKey(HKEY root, const std::string& prefix, const std::string& name,
                                    CheckKind kind, const std::string& valueName,
                                    const std::string& subKey) {
  driver_.View().PumpMessages();
  if (driver_.StopPending()) return;
  RegistrySession registry;
  registry.SetRoot(root);
  Check check{root, prefix, name, kind,    valueName, subKey, prefix + name + subKey,
              "",   "",     0,    registry};
  // Most parts a check looks for are not there: a listing made earlier in the
  // scan tells so without a look.
  ScanCache* cache = ScanCache::Active();
  if (cache && cache->KeyKnownMissing(root, check.K)) return;
  // A part that only has to open is asked once per scan: the walk of the class
  // trees has usually opened it already, to list it.
  if (cache && kind == CheckKind::ckValidPart) {
    if (!cache->KeyOpens(root, check.K)) return;
    driver_.SetCurrentKeyText("\\" + check.K);
    RunRule(check);
    return;
  }
  if (!registry.OpenKeyToRead("\\" + check.K)) return;
  driver_.SetCurrentKeyText("\\" + check.K);
  check.W = WithoutLeadingBackslash(subKey);
  if (UsesValue(kind)) ReadCheckedValue(registry, valueName, &check.T, &check.D);
  RunRule(check);
}

void ClassKeyChecker::RunRule(Check& c) {
  switch (c.kind) {
    case CheckKind::ckEmptyClassKey: return CheckEmptyClassKey(c);
    case CheckKind::ckServerFile: return CheckServerFile(c);
    case CheckKind::ckClassLink: return CheckClassLink(c);
    case CheckKind::ckWholeKey:
      Mark(c.N);
      return Report(kClassesRootShort + c.P + c.N,
                    {c.P == "TypeLib\\" ? rule::kTypeLibraryVersionMissing : rule::kNoWorkingServer,
                     kClassesRootShort + c.P + c.N});
    case CheckKind::ckTypeLibFile: return CheckTypeLibFile(c);
    case CheckKind::ckProxyStub:
      if (!c.T.empty() && Opens(c.root, "\\CLSID\\" + c.T) && ClassUsable(c.root, c.T)) {
        if (!(state_.TypeLibraryGone && IsTypeLibraryMarshaler(c.T))) state_.ServerState = 2;
      } else {
        ReportOnce(c.K, ClassMissing(c.T));
        ServerStale();
      }
      return;
    case CheckKind::ckInterfaceTypeLib: {
      if (c.T.empty()) {
        ReportOnce(c.K, {rule::kTypeLibraryNotNamed, kClassesRootShort + c.K});
        ServerStale();
        return;
      }
      const std::string missing = MissingTypeLibrary(c);
      if (missing.empty()) {
        state_.ServerState = 2;
        return;
      }
      ReportOnce(c.K, {rule::kTypeLibraryNotRegistered, kClassesRootShort + missing});
      ServerStale();
      state_.TypeLibraryGone = 1;
      return;
    }
    case CheckKind::ckInterfaceLink:
      if (Opens(c.root, "\\Interface\\" + c.T) && !Seen("Interface\\" + c.T)) {
        state_.ServerState = 2;
      } else {
        ReportOnce(c.K, {rule::kInterfaceMissing, kClassesRootShort + ("Interface\\" + c.T)});
        ServerStale();
      }
      return;
    case CheckKind::ckEmptyShellEx: {
      const std::string ancestor = TopEmptyAncestor(c.root, c.K);
      return Report(kClassesRootShort + ancestor, EmptyKey(ancestor));
    }
    case CheckKind::ckVerbList: return CheckVerbList(c);
    case CheckKind::ckShellExList: return CheckShellExList(c);
    case CheckKind::ckHandlerClass: {
      const bool missingClass =
          !c.T.empty() && c.T.front() == '{' && !Opens(c.root, "\\CLSID\\" + c.T);
      if (!missingClass && ClassUsable(c.root, c.T))
        state_.ServerState = 2;
      else
        ReportOnce(c.K, ClassMissing(c.T));
      return;
    }
    case CheckKind::ckAppIdLink: {
      const std::string appId = TextOrElse(c.reg, "AppID", "");
      if (!appId.empty() && !Opens(c.root, "\\AppID\\" + appId))
        ReportOnce(c.K, {rule::kAppIdMissing, kClassesRootShort + ("AppID\\" + appId)});
      return;
    }
    case CheckKind::ckShellNew: return CheckShellNew(c);
    case CheckKind::ckFileValue:
      if ((!c.T.empty() && Exists(RemoveSlash(c.T))) || c.reg.ValuePresent(c.W) ||
          c.reg.ValueKind(c.W) == RegDataKind::kBinary) {
        state_.FoundFlag = 1;
        state_.ServerState = 2;
      } else {
        ReportOnce(c.K, FileMissing(c.T, c.K));
      }
      return;
    case CheckKind::ckKeyLink:
      if (!c.T.empty() && (Opens(c.root, "\\" + c.T) || Opens(c.root, "\\CLSID\\" + c.T)) &&
          !Seen(c.T) && ClassUsable(c.root, c.T)) {
        state_.FoundFlag = 1;
        state_.ServerState = 2;
      } else {
        ReportOnce(c.K, {rule::kLinkedKeyMissing, kClassesRootShort + c.T});
      }
      return;
    case CheckKind::ckNonEmptyDefault:
      if (!c.T.empty()) ReportOnce(c.K, {rule::kValueNotEmpty, kClassesRootShort + c.K});
      return;
    case CheckKind::ckProtocolList: return CheckProtocolList(c);
    case CheckKind::ckCodePage: return CheckCodePage(c);
    case CheckKind::ckCharsetAlias: return CheckCharsetAlias(c);
    case CheckKind::ckEmptyKey: return CheckEmptyKey(c);
    case CheckKind::ckContentLink: return CheckContentLink(c);
    case CheckKind::ckClassList: return CheckClassList(c);
    case CheckKind::ckLinkList: return CheckLinkList(c);
    case CheckKind::ckValidPart: state_.ServerState = 2; return;
    case CheckKind::ckEmptySubKey: return CheckEmptySubKey(c);
  }
}

void ClassKeyChecker::CheckServerFile(Check& c) {
  if ((!c.T.empty() && Exists(c.T)) || HasSubKey(c, "Server") || c.reg.ValuePresent(c.W)) {
    state_.ServerState = 2;
    return;
  }
  Mark(c.K);
  Report(kClassesRootShort + c.K, FileMissing(c.T, c.K));
  // A stale in-process server alone does not make the whole class stale: the
  // class may still be served out of process.
  if (!StartsWithNoCase(c.W, "INPROCSERVER")) ServerStale();
}

void ClassKeyChecker::CheckTypeLibFile(Check& c) {
  if ((!c.T.empty() && Exists(c.T)) || c.reg.ValueKind(c.W) == RegDataKind::kBinary) {
    state_.FoundFlag = 1;
    return;
  }
  if (Seen(c.K)) return;
  const std::string ancestor = TopEmptyAncestor(c.root, c.K);
  Mark(ancestor);
  Report(kClassesRootShort + ancestor,
         c.T.empty() ? ProblemReason{rule::kNoFileNamed, kClassesRootShort + c.K}
                     : ProblemReason{rule::kTypeLibraryMissing, ResolvedPath(c.T)});
}

void ClassKeyChecker::CheckEmptyClassKey(Check& c) {
  const bool extension = !c.N.empty() && c.N.front() == '.';
  const std::vector<std::string> values = c.reg.ListValueNames();
  if (extension) {
    if (values.size() > 1 || (values.size() == 1 && !values[0].empty())) return;
  } else if (!values.empty()) {
    return;
  }
  // An extension's default names its class, which must be there.
  const ProblemReason reason =
      c.T.empty() ? EmptyKey(c.N) : ProblemReason{rule::kKeyMissing, kClassesRootShort + c.T};
  if (!c.T.empty()) {
    const bool targetMissing = extension && !Opens(c.root, "\\" + c.T);
    if (!targetMissing && !Seen(c.T)) return;
  }
  if (!c.reg.HasChildKeys()) {
    if (!Seen(c.N)) {
      Report(kClassesRootShort + c.N, reason);
      Mark(c.N);
    }
  } else if (!c.T.empty()) {
    const std::string defaultValue = c.N + "\\\\:";
    if (!Seen(defaultValue)) {
      Report(kClassesRootShort + defaultValue, reason);
      Mark(defaultValue);
    }
  }
}

void ClassKeyChecker::CheckClassLink(Check& c) {
  // A "CLSID" key holding sub-keys is a container of classes (the 32-bit view
  // "Wow6432Node\CLSID" on 64-bit Windows), not a link to one class.
  if (c.reg.HasChildKeys()) return;
  const bool stale = [&] {
    if (c.T.empty()) return true;
    if (!Opens(c.root, "\\CLSID\\" + c.T) && Opens(c.root, "\\CLSID\\{" + c.T + "}")) return true;
    if (Seen("CLSID\\" + c.T) && !Opens(c.root, "\\WOW64\\CLSID\\" + c.T) &&
        Opens(c.root, "\\WOW64\\CLSID\\{" + c.T + "}"))
      return true;
    return Seen("WOW64\\CLSID\\" + c.T);
  }();
  if (stale) ReportOnce(c.K, ClassMissing(c.T));
}

void ClassKeyChecker::CheckVerbList(Check& c) {
  const std::vector<std::string> verbs = c.reg.ListSubKeys();
  const size_t valueCount = c.reg.ListValueNames().size();
  if (verbs.empty() && valueCount < 2) return ReportOnce(c.K, EmptyKey(c.K));
  state_.FoundFlag = 0;
  for (size_t i = 0; i < verbs.size(); ++i) {
    if (driver_.StopRequested(int(i))) break;
    const std::string commandKey = "\\" + c.K + "\\" + verbs[i] + "\\command";
    driver_.SetCurrentKeyText(commandKey);
    RegistrySession command;
    command.SetRoot(c.root);
    if (!command.OpenKeyToRead(commandKey)) {
      // A verb may run through a handler instead of a command line
      // ("DelegateExecute", "ExplorerCommandHandler", "ddeexec"): a verb key
      // with any content is a working verb.
      RegistrySession verb;
      verb.SetRoot(c.root);
      if (verb.OpenKeyToRead("\\" + c.K + "\\" + verbs[i]) && !KeyHoldsNothing(verb))
        state_.FoundFlag = 1;
      continue;
    }
    const std::string text = TextOrElse(command, "", "~");
    if (text == "~" || Exists(text) || command.ValueKind("command") == RegDataKind::kBinary) {
      state_.FoundFlag = 1;
      continue;
    }
    ReportOnce(verbs.size() == 1 ? c.K : c.K + "\\" + verbs[i],
               FileMissing(text, c.K + "\\" + verbs[i] + "\\command"));
  }
  // A loop cut short by Stop has not tested every verb, so it proves nothing.
  if (state_.FoundFlag == 0 && valueCount < 2 && !driver_.StopPending())
    ReportOnce(c.K, {rule::kNoWorkingVerb, kClassesRootShort + c.K});
}

void ClassKeyChecker::CheckShellExList(Check& c) {
  const std::vector<std::string> handlers = c.reg.ListSubKeys();
  std::string entry;
  ProblemReason reason;
  for (size_t i = 0; i < handlers.size(); ++i) {
    if (driver_.StopRequested(int(i))) break;
    const std::string& handler = handlers[i];
    const std::string handlerKey = "\\" + c.K + "\\" + handler;
    driver_.SetCurrentKeyText(handlerKey);
    RegistrySession registry;
    registry.SetRoot(c.root);
    if (registry.OpenKeyToRead(handlerKey)) {
      const std::string text = TextOrElse(registry, "", "");
      const std::string& named = !handler.empty() && handler.front() == '{' ? handler : text;
      const bool tested = !named.empty() && named.front() == '{';
      if (tested && !Opens(c.root, "\\CLSID\\" + named) &&
          !Opens(c.root, "\\WOW64\\CLSID\\" + named)) {
        entry = handlers.size() == 1 ? TopEmptyAncestor(c.root, c.K) : c.K + "\\" + handler;
        reason = ClassMissing(named);
      }
    }
    if (!entry.empty() && !Seen(entry)) {
      Mark(entry);
      Report(kClassesRootShort + entry, reason);
    }
  }
}

void ClassKeyChecker::CheckShellNew(Check& c) {
  const std::string key = kClassesRootLong + c.K;
  if (c.reg.ValuePresent("Filename")) {
    const std::string file = TextOrElse(c.reg, "Filename", "");
    // A bare template name lives in the Windows ShellNew folder; only a path
    // of its own can be judged missing.
    if (!file.empty() && !Exists(env_.windowsFolder + "shellnew\\" + file) &&
        file.find('\\') != std::string::npos && !Exists(file)) {
      const std::string line = c.K + "\\\\:Filename";
      if (!Seen(line)) {
        Mark(line);
        Report(kClassesRootShort + line + " = " + GetRegValue(key, "Filename"),
               FileMissing(file, c.K));
      }
    }
  }
  if (c.reg.ValuePresent("Command")) {
    const std::string command = TextOrElse(c.reg, "Command", "~");
    if (command != "~" && !Exists(command)) {
      const std::string line = c.K + "\\\\:Command";
      if (!Seen(line)) {
        Mark(line);
        Report(kClassesRootShort + line + " = " + GetRegValue(key, "Command"),
               FileMissing(command, c.K));
      }
    }
  }
}

void ClassKeyChecker::CheckProtocolList(Check& c) {
  const std::vector<std::string> protocols = c.reg.ListSubKeys();
  if (protocols.empty()) return ReportOnce(c.K, EmptyKey(c.K));
  for (size_t i = 0; i < protocols.size(); ++i) {
    if (driver_.StopRequested(int(i))) break;
    const std::string protocolKey = c.K + "\\" + protocols[i];
    driver_.SetCurrentKeyText("\\" + protocolKey + "\\server");
    RegistrySession server;
    server.SetRoot(c.root);
    if (!server.OpenKeyToRead("\\" + protocolKey + "\\server")) continue;
    const std::string serverText = TextOrElse(server, "", "~");
    if (serverText == "~" || Exists(serverText)) continue;

    std::string entry = protocolKey;
    RegistrySession verb;
    verb.SetRoot(c.root);
    if (verb.OpenKeyToRead("\\" + protocolKey + "\\verb")) {
      const std::string verbText = TextOrElse(verb, "", "~");
      if (verbText == "~" || Exists(verbText)) entry = protocolKey + "\\server";
    }
    if (protocols.size() == 1) entry = c.K;
    ReportOnce(entry, FileMissing(serverText, c.K));
  }
}

void ClassKeyChecker::CheckCodePage(Check& c) {
  if (c.D == 0 || Opens(c.root, "\\" + c.P + "CodePage\\" + std::to_string(c.D))) return;
  const std::string line = c.P + c.N + "\\\\:" + c.V;
  if (Seen(line)) return;
  Mark(line);
  Report(kClassesRootShort + line + " = " + GetRegValue(kClassesRootLong + c.P + c.N, c.V),
         {rule::kCodePageMissing, kClassesRootShort + c.P + "CodePage\\" + std::to_string(c.D)});
}

void ClassKeyChecker::CheckCharsetAlias(Check& c) {
  if (c.T.empty() || Opens(c.root, "\\" + c.P + c.N + c.T)) return;
  const std::string line = c.K + "\\\\:" + c.V;
  Mark(line);
  Report(kClassesRootShort + line + " = " + GetRegValue(kClassesRootLong + c.K, c.V),
         {rule::kCharsetMissing, kClassesRootShort + c.P + c.N + c.T});
}

void ClassKeyChecker::CheckContentLink(Check& c) {
  const auto valid = [&] {
    if (c.T.empty()) return true;
    if ((Opens(c.root, "\\" + c.T) || Opens(c.root, "\\CLSID\\" + c.T)) && !Seen(c.T) &&
        !Seen("CLSID\\" + c.T) && !Seen("WOW64\\CLSID\\" + c.T))
      return true;
    return Opens(c.root, "\\WOW64\\CLSID\\" + c.T) && !Seen("WOW64\\CLSID\\" + c.T);
  };
  if (valid()) {
    state_.FoundFlag = 1;
    return;
  }
  // The guard looks at the key while the mark records the value, so both
  // links of one content type can be reported.
  if (Seen(c.K)) return;
  const std::string line = c.K + "\\\\:" + c.V;
  Mark(line);
  Report(kClassesRootShort + line + " = " + GetRegValue(kClassesRootLong + c.K, c.V),
         {rule::kLinkedKeyMissing, kClassesRootShort + c.T});
}

void ClassKeyChecker::CheckClassList(Check& c) {
  const std::vector<std::string> classes = c.reg.ListSubKeys();
  std::string entry;
  for (size_t i = 0; i < classes.size(); ++i) {
    if (driver_.StopRequested(int(i))) break;
    const std::string& name = classes[i];
    driver_.SetCurrentKeyText("\\CLSID\\" + name);
    if (Opens(c.root, "\\CLSID\\" + name) && ClassUsable(c.root, name)) {
      state_.ServerState = 2;
      continue;
    }
    entry = classes.size() == 1 ? TopEmptyAncestor(c.root, c.K) : c.K + "\\" + name;
    ReportOnce(entry, ClassMissing(name));
  }
}

void ClassKeyChecker::CheckLinkList(Check& c) {
  const std::vector<std::string> addins = c.reg.ListSubKeys();
  for (size_t i = 0; i < addins.size(); ++i) {
    if (driver_.StopRequested(int(i))) break;
    const std::string addinKey = c.K + "\\" + addins[i];
    driver_.SetCurrentKeyText("\\" + addinKey);
    RegistrySession registry;
    registry.SetRoot(c.root);
    if (!registry.OpenKeyToRead("\\" + addinKey)) continue;
    const std::string text = TextOrElse(registry, "", "~");
    if (text == "~" || (!text.empty() && Opens(c.root, "\\CLSID\\" + text))) {
      state_.ServerState = 2;
      continue;
    }
    Mark(addinKey);
    Report(kClassesRootShort + addinKey, ClassMissing(text));
  }
}

void ClassKeyChecker::CheckEmptyKey(Check& c) {
  if (!KeyHoldsNothing(c.reg)) return;
  const std::string key = c.P + c.N;
  if (Seen(key)) return;
  Report(kClassesRootShort + key, EmptyKey(key));
  Mark(key);
}

void ClassKeyChecker::CheckEmptySubKey(Check& c) {
  if (c.reg.HasChildKeys() || !c.reg.ListValueNames().empty()) {
    state_.ServerState = 2;
    return;
  }
  const std::string ancestor = TopEmptyAncestor(c.root, c.K);
  Mark(ancestor);
  Report(kClassesRootShort + ancestor, EmptyKey(ancestor));
}

void ClassKeyChecker::WalkClassTree(HKEY root, const std::string& prefix, const std::string& name,
                                    CheckKind kind, char marker, const std::string& subKey) {
  driver_.View().PumpMessages();
  if (driver_.StopPending()) return;
  const std::string path = prefix + name + subKey;
  // Vista's per-user virtualised copies are no class registrations.
  if (env_.windowsVersionCode == 8 && UpperCase(path) == "VIRTUALSTORE") return;
  driver_.SetCurrentKeyText("\\" + path);
  std::vector<std::string> subKeys;
  if (ScanCache* cache = ScanCache::Active()) {
    const std::vector<std::string>* names = cache->SubKeys(root, path);
    if (!names) return;
    subKeys = *names;
  } else {
    RegistrySession registry;
    registry.SetRoot(root);
    if (!registry.OpenKeyToRead("\\" + path)) return;
    subKeys = registry.ListSubKeys();
  }

  if (marker == 'R') {
    CheckClassKey(root, prefix, name, CheckKind::ckVerbList, "", subKey + "\\shell");
    CheckClassKey(root, prefix, name + subKey, CheckKind::ckFileValue, "", "\\DefaultIcon");
    CheckClassKey(root, prefix, name, CheckKind::ckKeyLink, "", subKey + "\\CurVer");
    if (state_.ShellExFlag) {
      if (subKeys.empty()) CheckClassKey(root, prefix, name, CheckKind::ckEmptyShellEx, "", subKey);
      CheckClassKey(root, prefix, name, CheckKind::ckNonEmptyDefault, "",
                    subKey + "\\MayChangeDefaultMenu");
      for (const char* list : {"\\ContextMenuHandlers", "\\PropertySheetHandlers",
                               "\\CopyHookHandlers", "\\DragDropHandlers", "\\ColumnHandlers"})
        CheckClassKey(root, prefix, name, CheckKind::ckShellExList, "", subKey + list);
      for (const char* handler : {"\\DataHandler", "\\DropHandler", "\\IconHandler"})
        CheckClassKey(root, prefix, name, CheckKind::ckHandlerClass, "", subKey + handler);
    }
    CheckClassKey(root, prefix, name, CheckKind::ckShellNew, "command", subKey + "\\ShellNew");
  } else if (marker == 'T') {
    // 64-bit systems register their type libraries under "win64".
    for (const char* platform : {"\\Win16", "\\Win32", "\\Win64"})
      CheckClassKey(root, prefix, name, CheckKind::ckTypeLibFile, "", subKey + platform);
    CheckClassKey(root, prefix, name, CheckKind::ckFileValue, "", subKey + "\\HelpDir");
  }

  for (const std::string& child : subKeys) {
    if (child.empty()) continue;
    state_.ShellExFlag = UpperCase(child) == "SHELLEX" ? 1 : 0;
    WalkClassTree(root, prefix, name, kind, marker, subKey + "\\" + child);
    state_.ShellExFlag = 0;
  }
}

}  // namespace hvm
