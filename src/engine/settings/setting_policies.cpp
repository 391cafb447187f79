#include "engine/settings/setting_policies.h"

#include <cstring>

#include "engine/core/registry.h"
#include "engine/core/text_case.h"
#include "engine/settings/file_text.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/section_switches.h"
#include "engine/settings/setting_keys.h"

namespace hvm {
namespace {

// Longer text than an address needs is no policy of ours.
constexpr uint32_t kTextCapacity = 2048;
constexpr int32_t kMostMonitorPrompt = 999999999;

std::vector<PolicyValueRule> MakeRules() {
  std::vector<PolicyValueRule> rules = {{"AutoAction", false, 0, 2}, {"AutoFreq", false, 0, 3}};
  for (const SectionSwitch& entry : kSectionSwitches) rules.push_back({entry.key, false, 0, 1});
  const std::vector<PolicyValueRule> rest = {
      {"BackupBeforeScan", false, 0, 1},
      {"MonitorPrompt", false, 0, kMostMonitorPrompt},
      {"UpdateFreq", false, 1, 365},
      {policy_value::kUpdateCheck, false, 0, 1},
      {policy_value::kUpdateServer, true},
      {policy_value::kAllowOptimize, false, 0, 1},
      {policy_value::kAllowVistaTweaks, false, 0, 1},
  };
  rules.insert(rules.end(), rest.begin(), rest.end());
  return rules;
}

const PolicyValueRule* RuleNamed(std::string_view name) {
  for (const PolicyValueRule& rule : PolicyValueRules())
    if (EqualsNoCase(rule.name, name)) return &rule;
  return nullptr;
}

// The value as its rule takes it; nothing for another type, a number out of
// range or empty text.
std::optional<Policies::Value> Accepted(const PolicyValueRule& rule, const RegListedValue& listed,
                                        PolicyScope scope) {
  if (!listed.complete) return std::nullopt;
  Policies::Value value{rule.name, 0, {}, scope};
  if (rule.text) {
    if (listed.type != REG_SZ && listed.type != REG_EXPAND_SZ) return std::nullopt;
    value.text = listed.data.substr(0, strnlen(listed.data.data(), listed.data.size()));
    if (value.text.empty()) return std::nullopt;
    return value;
  }
  if (listed.type != REG_DWORD || listed.data.size() != sizeof(uint32_t)) return std::nullopt;
  uint32_t number = 0;
  std::memcpy(&number, listed.data.data(), sizeof(number));
  value.number = int32_t(number);
  if (value.number < rule.low || value.number > rule.high) return std::nullopt;
  return value;
}

// One policy key's values that no earlier scope holds yet.
void ReadScope(HKEY root, PolicyScope scope, std::vector<Policies::Value>& values) {
  RegistrySession registry;
  registry.SetRoot(root);
  if (!registry.OpenKey(kPolicyKeyPath, false)) return;
  for (const RegListedValue& listed : registry.ListValues(kTextCapacity)) {
    const PolicyValueRule* rule = RuleNamed(listed.name);
    if (!rule) continue;
    bool held = false;
    for (const Policies::Value& earlier : values) held = held || earlier.name == rule->name;
    if (held) continue;
    if (std::optional<Policies::Value> value = Accepted(*rule, listed, scope))
      values.push_back(std::move(*value));
  }
}

bool Allowed(const Policies& policies, const char* name) {
  const Policies::Value* value = policies.Find(name);
  return !value || value->number != 0;
}

}  // namespace

const std::vector<PolicyValueRule>& PolicyValueRules() {
  static const std::vector<PolicyValueRule> rules = MakeRules();
  return rules;
}

const char* PolicyScopeText(PolicyScope scope) {
  return scope == PolicyScope::kMachine ? "machine policy" : "user policy";
}

Policies Policies::Read() {
  Policies policies;
  ReadScope(HKEY_LOCAL_MACHINE, PolicyScope::kMachine, policies.values_);
  ReadScope(HKEY_CURRENT_USER, PolicyScope::kUser, policies.values_);
  return policies;
}

const Policies::Value* Policies::Find(std::string_view name) const {
  for (const Value& value : values_)
    if (EqualsNoCase(value.name, name)) return &value;
  return nullptr;
}

std::optional<LockedSetting> SettingLock(const Policies& policies, std::string_view settingKey) {
  const SettingKey* key = FindSettingKey(settingKey);
  if (!key) return std::nullopt;
  if (key->name == "UpdateFreq") {
    const Policies::Value* check = policies.Find(policy_value::kUpdateCheck);
    if (check && check->number == 0) return LockedSetting{"0", check->scope};
  }
  // Only settings keys have rules of their own name; the other policy
  // values name no key.
  const Policies::Value* value = policies.Find(key->name);
  if (!value || !RuleNamed(key->name) || RuleNamed(key->name)->text) return std::nullopt;
  return LockedSetting{std::to_string(value->number), value->scope};
}

void ApplyPolicies(const Policies& policies, ProgramSettings& settings) {
  if (policies.Empty()) return;
  for (const SettingKey& key : SettingKeys())
    if (const std::optional<LockedSetting> lock = SettingLock(policies, key.name))
      // The rules' ranges lie within what the key takes, so this never refuses.
      (void)SetSettingValue(settings, key, lock->value);
}

bool OptimizeAllowed(const Policies& policies) {
  return Allowed(policies, policy_value::kAllowOptimize);
}

bool VistaTweaksAllowed(const Policies& policies) {
  return Allowed(policies, policy_value::kAllowVistaTweaks);
}

bool UpdateCheckAllowed(const Policies& policies) {
  return Allowed(policies, policy_value::kUpdateCheck);
}

std::optional<std::string> PolicyUpdateServer(const Policies& policies) {
  const Policies::Value* value = policies.Find(policy_value::kUpdateServer);
  if (!value) return std::nullopt;
  return value->text;
}

const char* SettingSourceName(SettingSource source) {
  switch (source) {
    case SettingSource::kDefault: return "default";
    case SettingSource::kFile: return "file";
    case SettingSource::kMachinePolicy: return "machinePolicy";
    case SettingSource::kUserPolicy: return "userPolicy";
  }
  return "default";
}

std::vector<SettingSource> SettingSources(const std::string& path, const Policies& policies) {
  std::string text;
  const IniFile file = ReadEditableText(path, text) == 0 ? IniFile::Parse(text) : IniFile();
  std::vector<SettingSource> sources;
  for (const SettingKey& key : SettingKeys()) {
    if (const std::optional<LockedSetting> lock = SettingLock(policies, key.name))
      sources.push_back(lock->scope == PolicyScope::kMachine ? SettingSource::kMachinePolicy
                                                             : SettingSource::kUserPolicy);
    else
      sources.push_back(file.Find(SettingsFileSection(key.name), key.name)
                            ? SettingSource::kFile
                            : SettingSource::kDefault);
  }
  return sources;
}

std::string SetByAdministratorText(PolicyScope scope) {
  return std::string(kSetByAdministrator) + " (" + PolicyScopeText(scope) + ")";
}

}  // namespace hvm
