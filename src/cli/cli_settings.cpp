// hvmend-cli settings and autostart: the settings file read and changed key
// by key, and the automatic start-up action with its start-up entry, for
// administrators who script many machines.
#include <windows.h>

#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "cli/data_files.h"
#include "cli/json_document.h"
#include "engine/core/environment.h"
#include "engine/scan/file_tests.h"
#include "engine/settings/automatic_startup.h"
#include "engine/settings/file_text.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/setting_keys.h"
#include "engine/settings/setting_policies.h"
#include "engine/settings/startup_shortcut.h"

namespace hvm {
namespace {

struct SettingsOptions {
  bool json = false;
  std::string dataDir;
  std::string startupFolder;
  std::vector<std::string> words;  // everything that is not an option
};

SettingsOptions ParseSettingsOptions(const std::vector<std::string>& args) {
  SettingsOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      options.json = true;
    } else if (args[i] == "--data-dir" || args[i] == "--startup-folder") {
      if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a path");
      std::string& folder = args[i] == "--data-dir" ? options.dataDir : options.startupFolder;
      folder = args[++i];
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageError("unknown option '" + args[i] + "'");
    } else {
      options.words.push_back(args[i]);
    }
  }
  if (options.dataDir.empty()) options.dataDir = Environment().dataFolder;
  if (options.startupFolder.empty()) options.startupFolder = UserStartupFolder();
  return options;
}

std::string SettingsPathIn(const SettingsOptions& options) {
  return options.dataDir + "\\hvmend.ini";
}

nlohmann::ordered_json JsonValue(const ProgramSettings& settings, const SettingKey& key) {
  const std::string text = SettingValue(settings, key);
  switch (key.kind) {
    case SettingKey::Kind::kSwitch: return text == "1";
    case SettingKey::Kind::kNumber: return std::stoll(text);
    case SettingKey::Kind::kText: return text;
  }
  return text;
}

const SettingKey& KeyNamed(const std::string& name) {
  const SettingKey* key = FindSettingKey(name);
  if (!key) throw UsageError("unknown setting '" + name + "' (settings get lists them all)");
  return *key;
}

// The listing's note after a value a policy holds.
std::string PolicyNote(SettingSource source) {
  if (source != SettingSource::kMachinePolicy && source != SettingSource::kUserPolicy) return {};
  return std::string("  (") + kSetByAdministrator + ", " +
         PolicyScopeText(source == SettingSource::kMachinePolicy ? PolicyScope::kMachine
                                                                 : PolicyScope::kUser) +
         ")";
}

int GetSettings(const SettingsOptions& options) {
  if (options.words.size() > 2) throw UsageError("settings get takes at most one key");
  const std::string path = SettingsPathIn(options);
  const ProgramSettings settings = LoadReadableSettings(path);
  const std::vector<SettingSource> allSources = SettingSources(path, Policies::Read());
  const SettingKey* wanted = options.words.size() == 2 ? &KeyNamed(options.words[1]) : nullptr;
  std::vector<std::pair<const SettingKey*, SettingSource>> keys;
  for (size_t i = 0; i < SettingKeys().size(); ++i)
    if (!wanted || &SettingKeys()[i] == wanted) keys.emplace_back(&SettingKeys()[i], allSources[i]);
  if (options.json) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    nlohmann::ordered_json sources = nlohmann::ordered_json::object();
    for (const auto& [key, source] : keys) {
      document[key->name] = JsonValue(settings, *key);
      sources[key->name] = SettingSourceName(source);
    }
    document["sources"] = std::move(sources);
    Print("%s\n", JsonDocumentText(document).c_str());
  } else if (options.words.size() == 2) {
    // The bare value, as scripts read it; the listing and --json tell where it comes from.
    Print("%s\n", SettingValue(settings, *keys.front().first).c_str());
  } else {
    for (const auto& [key, source] : keys)
      Print("%s=%s%s\n", key->name.c_str(), SettingValue(settings, *key).c_str(),
            PolicyNote(source).c_str());
  }
  return kExitOk;
}

// A key a policy holds is refused before anything is written.
void RefuseLockedKey(const SettingKey& key) {
  if (const std::optional<LockedSetting> lock = SettingLock(Policies::Read(), key.name))
    throw UsageError(key.name + ": " + SetByAdministratorText(lock->scope) +
                     "; it cannot be changed here, and the settings file is left as it is");
}

void Save(const ProgramSettings& settings, const std::string& path) {
  if (const uint32_t status = SaveSettings(settings, path))
    throw std::runtime_error("cannot write " + path + " (error " + std::to_string(status) + ")");
}

// The action stored, then its start-up entry made or removed; when the entry
// cannot be, the settings file is put back byte for byte.
void ApplyAutoAction(const ProgramSettings& before, ProgramSettings& after,
                     const SettingsOptions& options) {
  const std::string path = SettingsPathIn(options);
  // Switched on anew, the next log-on scans at once and sets the next date.
  if (after.AutoAction == kAutoScanAndRepair && before.AutoAction != kAutoScanAndRepair)
    after.autorun.clear();
  std::string original;
  const bool existed = ReadFileText(path, original) == 0;
  Save(after, path);
  StartupShortcut shortcut(options.startupFolder, Environment().programFolder + "\\hvmend.exe");
  if (const uint32_t status = MatchStartupEntry(shortcut, after.AutoAction)) {
    if (existed)
      (void)ReplaceFileText(path, original);
    else
      DeleteFileA(path.c_str());
    throw std::runtime_error("cannot " +
                             std::string(after.AutoAction == kAutoDisabled ? "remove " : "write ") +
                             shortcut.Path() + " (error " + std::to_string(status) + ")");
  }
}

int SetSetting(const SettingsOptions& options) {
  if (options.words.size() != 3) throw UsageError("settings set needs a key and a value");
  const SettingKey& key = KeyNamed(options.words[1]);
  RefuseLockedKey(key);
  ProgramSettings settings = LoadReadableSettings(SettingsPathIn(options));
  const ProgramSettings before = settings;
  if (const std::optional<std::string> refusal = SetSettingValue(settings, key, options.words[2]))
    throw UsageError(*refusal);
  if (key.name == "AutoAction")
    ApplyAutoAction(before, settings, options);
  else
    Save(settings, SettingsPathIn(options));
  if (options.json)
    Print("%s\n",
                JsonDocumentText({{"key", key.name}, {"value", JsonValue(settings, key)}}).c_str());
  else
    Print("%s=%s\n", key.name.c_str(), SettingValue(settings, key).c_str());
  return kExitOk;
}

}  // namespace

int RunSettingsVerb(const std::vector<std::string>& args) {
  const SettingsOptions options = ParseSettingsOptions(args);
  if (options.words.empty()) throw UsageError("settings needs 'get' or 'set'");
  if (options.words[0] == "get") return GetSettings(options);
  if (options.words[0] == "set") return SetSetting(options);
  throw UsageError("unknown settings command '" + options.words[0] + "'");
}

int RunAutostartVerb(const std::vector<std::string>& args) {
  const SettingsOptions options = ParseSettingsOptions(args);
  if (options.words.size() != 1) throw UsageError("autostart needs one of scan, monitor, off");
  const std::string& word = options.words[0];
  const int32_t action = word == "scan"      ? kAutoScanAndRepair
                         : word == "monitor" ? kAutoMonitor
                         : word == "off"     ? kAutoDisabled
                                             : -1;
  if (action < 0) throw UsageError("autostart takes scan, monitor or off, not '" + word + "'");
  RefuseLockedKey(*FindSettingKey("AutoAction"));
  ProgramSettings settings = LoadReadableSettings(SettingsPathIn(options));
  const ProgramSettings before = settings;
  settings.AutoAction = action;
  ApplyAutoAction(before, settings, options);
  StartupShortcut shortcut(options.startupFolder, Environment().programFolder + "\\hvmend.exe");
  if (options.json)
    Print("%s\n", JsonDocumentText({{"action", word},
                                          {"shortcut", shortcut.Path()},
                                          {"shortcutPresent", FileExists(shortcut.Path())}})
                            .c_str());
  else if (action == kAutoDisabled)
    Print("Automatic start-up is off; %s is not there\n", shortcut.Path().c_str());
  else
    Print("%s starts hvmend.exe %s at log-on\n", shortcut.Path().c_str(),
          StartWordFor(action).c_str());
  return kExitOk;
}

}  // namespace hvm
