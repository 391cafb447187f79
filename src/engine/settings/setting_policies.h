// Group Policy: what an administrator sets or locks for every user of a
// machine under the key kPolicyKeyPath of HKEY_LOCAL_MACHINE, or for one user
// under the same path of HKEY_CURRENT_USER. Value by value the machine's
// wins. A policy value wins over the settings file wherever the program reads
// a setting, and the file itself is never written with it: when the
// administrator lifts the policy, the user's own choice comes back.
// installer/policy/Hivemend.admx declares exactly these values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/settings/program_settings.h"

namespace hvm {

// Below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
inline constexpr char kPolicyKeyPath[] = "Software\\Policies\\BrightfoldSoftware\\Hivemend";
// What the window and the console say of a value a policy holds.
inline constexpr char kSetByAdministrator[] = "Set by your administrator";

// Values a policy holds beside the settings file's keys.
namespace policy_value {
inline constexpr char kUpdateCheck[] = "UpdateCheck";  // 0: no update check at all
inline constexpr char kUpdateServer[] = "UpdateServer";
inline constexpr char kAllowOptimize[] = "AllowOptimize";
inline constexpr char kAllowVistaTweaks[] = "AllowVistaTweaks";
}  // namespace policy_value

// One value the program reads under the policy key: a REG_DWORD within
// low..high, or a REG_SZ that is not empty. A value of another type or out of
// range is no policy, as if it were not there.
struct PolicyValueRule {
  std::string name;
  bool text = false;
  int32_t low = 0;
  int32_t high = 0;
};
// Every value, in the order the administrative template declares them: the
// settings keys AutoAction, AutoFreq, the 24 section switches,
// BackupBeforeScan, MonitorPrompt, UpdateFreq, then the four above.
const std::vector<PolicyValueRule>& PolicyValueRules();

enum class PolicyScope { kMachine, kUser };

// "machine policy" or "user policy".
const char* PolicyScopeText(PolicyScope scope);

class Policies {
 public:
  struct Value {
    std::string name;  // as the rule spells it
    int32_t number = 0;
    std::string text;
    PolicyScope scope = PolicyScope::kMachine;
  };

  // Both policy keys as they are now, through the registry session. A key
  // that is missing or cannot be read holds no policy.
  static Policies Read();

  // The value of that name (compared without regard to case, as the
  // registry does); nothing when no policy holds it.
  const Value* Find(std::string_view name) const;
  bool Empty() const { return values_.empty(); }

 private:
  std::vector<Value> values_;
};

// A settings key (as the file spells it) that a policy holds: the value as
// the file would write it, and where it comes from. UpdateCheck 0 holds
// UpdateFreq at 0 (never), whatever UpdateFreq says.
struct LockedSetting {
  std::string value;
  PolicyScope scope;
};
std::optional<LockedSetting> SettingLock(const Policies& policies, std::string_view settingKey);

// Puts every field a policy holds to its policy value; the others stay.
void ApplyPolicies(const Policies& policies, ProgramSettings& settings);

// The pages and the update check a policy may switch off; all allowed when
// no policy says otherwise.
bool OptimizeAllowed(const Policies& policies);
bool VistaTweaksAllowed(const Policies& policies);
bool UpdateCheckAllowed(const Policies& policies);
// The update server a policy names; nothing when none does.
std::optional<std::string> PolicyUpdateServer(const Policies& policies);

// Where the value LoadSettings gives for a key comes from.
enum class SettingSource { kDefault, kFile, kMachinePolicy, kUserPolicy };
// "default", "file", "machinePolicy" or "userPolicy", as the console's JSON
// says it.
const char* SettingSourceName(SettingSource source);
// The source of every key of SettingKeys(), in that order, for the settings
// file at `path` under `policies`. A file that cannot be read gives defaults.
std::vector<SettingSource> SettingSources(const std::string& path, const Policies& policies);

// "Set by your administrator (machine policy)", for messages.
std::string SetByAdministratorText(PolicyScope scope);

}  // namespace hvm
