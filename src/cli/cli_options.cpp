#include "cli/cli_options.h"

#include <cctype>

#include "engine/core/environment.h"
#include "engine/settings/section_switches.h"
#include "engine/settings/setting_policies.h"

namespace hvm {

DataVerbOptions ParseDataVerbOptions(const std::vector<std::string>& args) {
  DataVerbOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      options.json = true;
    } else if (args[i] == "--data-dir") {
      if (i + 1 >= args.size()) throw UsageError("--data-dir needs a path");
      options.dataDir = args[++i];
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageError("unknown option '" + args[i] + "'");
    } else {
      options.words.push_back(args[i]);
    }
  }
  if (options.dataDir.empty()) options.dataDir = Environment().dataFolder;
  return options;
}

uint32_t TakeWaitOption(std::vector<std::string>& args) {
  constexpr unsigned long kDefaultSeconds = 60;
  constexpr unsigned long kMostSeconds = 24 * 60 * 60;
  unsigned long seconds = kDefaultSeconds;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--wait") continue;
    const std::string value = i + 1 < args.size() ? args[i + 1] : "";
    if (value.empty() || value.size() > 5 ||
        value.find_first_not_of("0123456789") != std::string::npos ||
        (seconds = std::stoul(value)) > kMostSeconds)
      throw UsageError("--wait needs a number of seconds up to " + std::to_string(kMostSeconds));
    args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
    --i;
  }
  return uint32_t(seconds * 1000);
}

std::set<int> ParseSectionList(const std::string& text) {
  std::set<int> sections;
  if (text == "none") return sections;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    bool digits = !item.empty() && item.size() <= 2;
    for (char c : item) digits = digits && std::isdigit(static_cast<unsigned char>(c));
    const int number = digits ? std::stoi(item) : 0;
    if (number < 1 || number > kSectionCount)
      throw UsageError(
          "--sections takes section numbers from 1 to 24 separated by commas, or none, not '" +
          item + "'");
    sections.insert(number);
    start = comma + 1;
  }
  return sections;
}

std::set<int> SectionsSwitchedOffByPolicy() {
  const Policies policies = Policies::Read();
  std::set<int> off;
  for (int section = kFirstSection; section <= kLastSection; ++section) {
    const std::optional<LockedSetting> lock = SettingLock(policies, SectionSwitchKey(section));
    if (lock && lock->value == "0") off.insert(section);
  }
  return off;
}

void RefuseSectionsSwitchedOffByPolicy(const ScanOptions& options) {
  if (!options.sections) return;
  for (int section : SectionsSwitchedOffByPolicy())
    if (options.sections->count(section))
      throw UsageError("section " + std::to_string(section) + " (" + SectionSwitchKey(section) +
                       ") is switched off: " + kSetByAdministrator);
}

ScanOptions ParseScanOptions(const std::vector<std::string>& args) {
  ScanOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "--read-only") {
      options.readOnly = true;
    } else if (arg == "--sections") {
      if (i + 1 >= args.size()) throw UsageError("--sections needs a list such as 1,4,23");
      options.sections = ParseSectionList(args[++i]);
    } else if (arg == "--data-dir") {
      if (i + 1 >= args.size()) throw UsageError("--data-dir needs a folder");
      options.dataDir = args[++i];
    } else if (arg.rfind("--sections=", 0) == 0) {
      options.sections = ParseSectionList(arg.substr(11));
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  return options;
}

}  // namespace hvm
