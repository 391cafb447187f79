// The results of a scan as the console prints them: plain text, or one JSON
// document listing all 24 sections.
#pragma once

#include <string>

#include "engine/core/results_store.h"
#include "engine/scan/sections.h"

namespace hvm {

// For each enabled section with problems a heading "N. Label (count)" and one
// row per problem ("  [x] " checked, "  [ ] " unchecked, " (caution)" after a
// caution entry), with `verbose` its reason below it: the rule in plain words
// and the target it tested, a line each; then the values removed at once, if any, with the snapshot
// each went to; then the total line.
std::string FormatScanText(const ResultsStore& results, const SectionSwitches& switches,
                           bool verbose = false);

// {"schemaVersion", "computer": this computer's name, "total": N, "sections": [{"number", "label",
// "enabled", "problems": [{"line", "checked", "caution", "wholeKey", "reason": {"rule",
// "target"}}]}], "removedAtOnce": [{"section", "line", "reason", "snapshot"}]}, sections in number
// order.
std::string FormatScanJson(const ResultsStore& results, const SectionSwitches& switches);

}  // namespace hvm
