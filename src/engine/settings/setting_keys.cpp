#include "engine/settings/setting_keys.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "engine/settings/due_dates.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/section_switches.h"
#include "engine/settings/window_placement.h"

namespace hvm {
namespace {

using Error = std::optional<std::string>;

struct KeyRule {
  SettingKey key;
  std::function<std::string(const ProgramSettings&)> get;
  // Validates and stores; the reason when the value is refused.
  std::function<Error(ProgramSettings&, std::string_view)> set;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// "yyyymmddhhnn" of a real local time, or empty for "never".
bool IsStampText(std::string_view text) {
  if (text.empty()) return true;
  if (text.size() != 12 || !AllDigits(text)) return false;
  const CivilDate date{Number(text.substr(0, 4)), Number(text.substr(4, 2)),
                       Number(text.substr(6, 2))};
  return IsValidDate(date) && Number(text.substr(8, 2)) < 24 && Number(text.substr(10, 2)) < 60;
}

KeyRule Switch(std::string name, bool ProgramSettings::*field) {
  return {{name, SettingKey::Kind::kSwitch},
          [field](const ProgramSettings& s) { return std::string(s.*field ? "1" : "0"); },
          [name, field](ProgramSettings& s, std::string_view value) -> Error {
            if (value != "0" && value != "1") return name + " takes 0 or 1";
            s.*field = value == "1";
            return std::nullopt;
          }};
}

KeyRule SectionKey(const SectionSwitch& entry) {
  const int section = entry.section;
  const std::string name = entry.key;
  return {
      {name, SettingKey::Kind::kSwitch},
      [section](const ProgramSettings& s) { return std::string(s.SectionOn(section) ? "1" : "0"); },
      [name, section](ProgramSettings& s, std::string_view value) -> Error {
        if (value != "0" && value != "1") return name + " takes 0 or 1";
        s.SetSection(section, value == "1");
        return std::nullopt;
      }};
}

KeyRule Whole(std::string name, int32_t ProgramSettings::*field, int32_t low, int32_t high,
              std::string meaning = {}) {
  return {{name, SettingKey::Kind::kNumber},
          [field](const ProgramSettings& s) { return std::to_string(s.*field); },
          [=](ProgramSettings& s, std::string_view value) -> Error {
            const std::optional<int32_t> number = ParseIniInteger(value);
            if (!number || *number < low || *number > high)
              return name + " takes a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + meaning;
            s.*field = *number;
            return std::nullopt;
          }};
}

KeyRule Text(std::string name, std::string ProgramSettings::*field,
             std::function<bool(std::string_view)> valid, std::string expected) {
  return {{name, SettingKey::Kind::kText},
          [field](const ProgramSettings& s) { return s.*field; },
          [=](ProgramSettings& s, std::string_view value) -> Error {
            if (!valid(value)) return name + " takes " + expected;
            s.*field = std::string(value);
            return std::nullopt;
          }};
}

KeyRule Refused(std::string name, std::string ProgramSettings::*field, std::string reason) {
  return {{name, SettingKey::Kind::kText},
          [field](const ProgramSettings& s) { return s.*field; },
          [=](ProgramSettings&, std::string_view) -> Error { return name + " " + reason; }};
}

bool IsDueText(std::string_view text) {
  return text.empty() || ParseDueDate(text).has_value();
}

bool IsPlacementText(std::string_view text) {
  return text.empty() || ParsePlacement(text).has_value();
}

constexpr int32_t kLargest = 2147483647;
constexpr char kDue[] = "a date as yyyymmdd, or an empty value for at once";
constexpr char kStamp[] = "a time as yyyymmddhhnn, or an empty value for never";
constexpr char kPlacement[] = "eleven whole numbers separated by commas, or an empty value";

std::vector<KeyRule> MakeRules() {
  using S = ProgramSettings;
  std::vector<KeyRule> rules = {Switch("FirstTimeScan", &S::FirstTimeScan),
                                Switch("CleanAfterScan", &S::CleanAfterScan),
                                Switch("CleanSafeAfterScan", &S::CleanSafeAfterScan)};
  for (const SectionSwitch& entry : kSectionSwitches) rules.push_back(SectionKey(entry));
  const std::vector<KeyRule> rest = {
      Whole("AutoAction", &S::AutoAction, 0, 2, " (0 Disabled, 1 Scan and Repair, 2 Monitor)"),
      Whole("AutoFreq", &S::AutoFreq, 0, 3, " (0 Daily, 1 Weekly, 2 Bi-Weekly, 3 Monthly)"),
      Whole("UpdateFreq", &S::UpdateFreq, 0, 365, " (days; 0 never)"),
      Whole("MonitorPrompt", &S::MonitorPrompt, 0, 999999999, " (captured events)"),
      Switch("DeleteAfterWeek", &S::DeleteAfterWeek),
      Switch("BackupBeforeScan", &S::BackupBeforeScan),
      Refused("optimize", &S::optimize, "is the optimize page's own record and is not set here"),
      Text("window", &S::window, IsPlacementText, kPlacement),
      Text("window_l", &S::window_l, IsPlacementText, kPlacement),
      Text("autorun", &S::autorun, IsDueText, kDue),
      Text("update", &S::update, IsDueText, kDue),
      Text("last_organize", &S::last_organize, IsStampText, kStamp),
      Text("last_backup", &S::last_backup, IsStampText, kStamp),
      Whole("total_error_found", &S::total_error_found, 0, kLargest),
      Whole("total_error_repaired", &S::total_error_repaired, 0, kLargest),
      Whole("last_err", &S::last_err, 0, kLargest),
      Whole("last_repair", &S::last_repair, 0, kLargest),
      Text("last_scan", &S::last_scan, IsStampText, kStamp),
  };
  rules.insert(rules.end(), rest.begin(), rest.end());
  return rules;
}

const std::vector<KeyRule>& Rules() {
  static const std::vector<KeyRule> rules = MakeRules();
  return rules;
}

const KeyRule* RuleOf(const SettingKey& key) {
  for (const KeyRule& rule : Rules())
    if (rule.key.name == key.name) return &rule;
  return nullptr;
}

}  // namespace

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = [] {
    std::vector<SettingKey> list;
    for (const KeyRule& rule : Rules()) list.push_back(rule.key);
    return list;
  }();
  return keys;
}

const SettingKey* FindSettingKey(std::string_view name) {
  for (const SettingKey& key : SettingKeys())
    if (EqualsNoCase(key.name, name)) return &key;
  return nullptr;
}

std::string SettingValue(const ProgramSettings& settings, const SettingKey& key) {
  const KeyRule* rule = RuleOf(key);
  return rule ? rule->get(settings) : std::string();
}

std::optional<std::string> SetSettingValue(ProgramSettings& settings, const SettingKey& key,
                                           std::string_view value) {
  const KeyRule* rule = RuleOf(key);
  if (!rule) return "unknown setting '" + key.name + "'";
  return rule->set(settings, value);
}

}  // namespace hvm
