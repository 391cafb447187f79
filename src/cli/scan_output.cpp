#include "cli/scan_output.h"

#include <nlohmann/json.hpp>

#include "cli/console_output.h"
#include "cli/json_document.h"
#include "engine/core/environment.h"
#include "engine/scan/problem_explanations.h"
#include "engine/scan/scan_driver.h"

namespace hvm {

namespace {

// The reason in the words the results page uses: the rule, then what it tested.
std::string ReasonText(const ProblemReason& reason) {
  std::string text;
  if (!reason.rule.empty()) text += "      " + RuleSentence(reason.rule) + "\n";
  const std::string target = TargetLine(reason);
  if (!target.empty()) text += "      " + target + "\n";
  return text;
}

nlohmann::ordered_json ReasonJson(const ProblemReason& reason) {
  return {{"rule", reason.rule}, {"target", reason.target}};
}

}  // namespace

std::string FormatScanText(const ResultsStore& results, const SectionSwitches& switches,
                           bool verbose) {
  std::string text;
  for (const SectionInfo& section : SectionTable()) {
    const std::vector<ProblemEntry>& list = results.Section(section.number);
    if (!switches.Enabled(section.number) || list.empty()) continue;
    text += std::to_string(section.number) + ". " + std::string(section.label) + " (" +
            std::to_string(list.size()) + ")\n";
    for (const ProblemEntry& entry : list) {
      text += entry.Checked() ? "  [x] " : "  [ ] ";
      text += entry.line;
      if (entry.Kind() == kKindCaution) text += " (caution)";
      text += "\n";
      if (verbose) text += ReasonText(entry.reason);
    }
  }
  const std::vector<RemovedValue>& removed = results.RemovedAtOnce();
  if (!removed.empty()) {
    text += "Removed at once (" + std::to_string(removed.size()) +
            "), each written to its undo snapshot first:\n";
    for (const RemovedValue& value : removed) {
      text +=
          "  " + std::to_string(value.section) + ". " + value.line + " -> " + value.snapshot + "\n";
      if (verbose) text += ReasonText(value.reason);
    }
  }
  return text + TotalLabelText(results.TotalCount()) + "\n";
}

std::string FormatScanJson(const ResultsStore& results, const SectionSwitches& switches) {
  nlohmann::ordered_json sections = nlohmann::ordered_json::array();
  for (const SectionInfo& section : SectionTable()) {
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    for (const ProblemEntry& entry : results.Section(section.number)) {
      problems.push_back({{"line", entry.line},
                          {"checked", entry.Checked()},
                          {"caution", entry.Kind() == kKindCaution},
                          {"wholeKey", entry.WholeKey()},
                          {"reason", ReasonJson(entry.reason)}});
    }
    sections.push_back({{"number", section.number},
                        {"label", section.label},
                        {"enabled", switches.Enabled(section.number)},
                        {"problems", std::move(problems)}});
  }
  nlohmann::ordered_json removed = nlohmann::ordered_json::array();
  for (const RemovedValue& value : results.RemovedAtOnce())
    removed.push_back({{"section", value.section},
                       {"line", value.line},
                       {"reason", ReasonJson(value.reason)},
                       {"snapshot", value.snapshot}});
  return JsonDocumentText({{"computer", ComputerName()},
                           {"total", results.TotalCount()},
                           {"sections", sections},
                           {"removedAtOnce", removed}}) +
         "\n";
}

}  // namespace hvm
