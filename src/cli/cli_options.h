// Command-line options of the console verbs.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/scan/sections.h"

namespace hvm {

// A usage error: the message goes to stderr and the exit code is 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ScanOptions {
  bool json = false;
  bool quiet = false;
  bool verbose = false;   // --verbose: each problem's reason under its line
  bool readOnly = false;  // --read-only: remove nothing, list what would go as problems
  // repair --from: the scan removes nothing at once, so that only what was
  // reviewed goes; the repair writes its snapshot and statistics as usual.
  bool recheck = false;
  std::optional<std::set<int>> sections;  // --sections 1,4,23
  std::string dataDir;                    // --data-dir; "" is the program's data folder
};

// The options most verbs share: --json, --data-dir DIR (the environment's data
// folder when not given), and the words that are not options. Throws
// UsageError for any other option.
struct DataVerbOptions {
  bool json = false;
  std::string dataDir;
  std::vector<std::string> words;
};
DataVerbOptions ParseDataVerbOptions(const std::vector<std::string>& args);

// Takes "--wait SECONDS" out of `args`: how long a repair or restore waits
// for another one of the same data folder to end, in milliseconds (60
// seconds when not given). Throws UsageError for a bad number.
uint32_t TakeWaitOption(std::vector<std::string>& args);

// Parses the options of `scan`; throws UsageError on anything else.
ScanOptions ParseScanOptions(const std::vector<std::string>& args);

// "1,4,23" -> {1, 4, 23}; throws UsageError for anything but section numbers.
std::set<int> ParseSectionList(const std::string& text);

// The sections a policy switches off (setting_policies.h), as they are now.
std::set<int> SectionsSwitchedOffByPolicy();
// Throws UsageError when `options` names a section a policy switches off.
void RefuseSectionsSwitchedOffByPolicy(const ScanOptions& options);

// The sections named on the command line, and no others.
class ChosenSectionSwitches : public SectionSwitches {
 public:
  explicit ChosenSectionSwitches(std::set<int> sections) : sections_(std::move(sections)) {}
  bool Enabled(int section) const override { return sections_.count(section) > 0; }

 private:
  std::set<int> sections_;
};

}  // namespace hvm
