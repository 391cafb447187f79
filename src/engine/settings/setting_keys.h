// The keys of the settings record one by one, for the console's "settings"
// verb: each with its value as the file writes it and the values it takes.
// Pure text: no Windows header.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/settings/program_settings.h"

namespace hvm {

struct SettingKey {
  enum class Kind { kSwitch, kNumber, kText };
  std::string name;  // as the file spells it
  Kind kind;
};

// Every key of [scan] and [settings] in the order the file writes them.
const std::vector<SettingKey>& SettingKeys();
// The key of that name, compared without regard to case as the file does.
const SettingKey* FindSettingKey(std::string_view name);

// The value as the file writes it.
std::string SettingValue(const ProgramSettings& settings, const SettingKey& key);
// Stores `value` when the key takes it; otherwise leaves `settings` as it was
// and returns why not.
std::optional<std::string> SetSettingValue(ProgramSettings& settings, const SettingKey& key,
                                           std::string_view value);

}  // namespace hvm
