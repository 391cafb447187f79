#include "cli/cli_optimize.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "cli/data_files.h"
#include "cli/json_document.h"
#include "engine/core/environment.h"
#include "engine/settings/setting_policies.h"
#include "engine/tweaks/optimize.h"

namespace hvm {
namespace {

struct OptimizeOptions {
  std::string action;
  bool json = false;
  std::string dataDir;
};

OptimizeOptions ParseOptimizeOptions(const std::vector<std::string>& args) {
  const DataVerbOptions common = ParseDataVerbOptions(args);
  if (common.words.size() > 1)
    throw UsageError("optimize takes one action, not '" + common.words[1] + "' as well");
  OptimizeOptions options{common.words.empty() ? std::string() : common.words[0], common.json,
                          common.dataDir};
  if (options.action.empty()) throw UsageError("optimize needs 'apply', 'undo' or 'status'");
  if (options.action != "apply" && options.action != "undo" && options.action != "status")
    throw UsageError("optimize knows 'apply', 'undo' and 'status', not '" + options.action + "'");
  return options;
}

const char* ResultName(TweakStepOutcome::Result result) {
  switch (result) {
    case TweakStepOutcome::Result::kDone: return "done";
    case TweakStepOutcome::Result::kNotRecorded: return "not-recorded";
    case TweakStepOutcome::Result::kKeyNotOpened: return "key-not-opened";
    case TweakStepOutcome::Result::kFailed: return "failed";
  }
  return "";
}

// What was recorded for each step, in step order.
nlohmann::ordered_json RecordEntries(const std::string& record) {
  nlohmann::ordered_json entries = nlohmann::ordered_json::array();
  for (size_t step = 0; step < OptimizeSteps().size(); ++step) {
    const OptimizeStep& s = OptimizeSteps()[step];
    if (const std::optional<std::string> previous = LookUpRecord(record, s.record)) {
      TweakStepOutcome named{int(step) + 1};
      entries.push_back(
          {{"name", s.record}, {"setting", named.Setting()}, {"previous", *previous}});
    }
  }
  return entries;
}

nlohmann::ordered_json StepsJson(const std::vector<TweakStepOutcome>& steps) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const TweakStepOutcome& step : steps) {
    nlohmann::ordered_json item = {{"setting", step.Setting()},
                                   {"name", OptimizeSteps()[size_t(step.step - 1)].record},
                                   {"result", ResultName(step.result)}};
    if (step.result != TweakStepOutcome::Result::kNotRecorded) item["previous"] = step.previous;
    if (!step.error.empty()) item["error"] = step.error;
    list.push_back(item);
  }
  return list;
}

std::string StepsText(const std::vector<TweakStepOutcome>& steps, const char* doneWord) {
  std::string text;
  for (const TweakStepOutcome& step : steps) {
    const char* word = step.result == TweakStepOutcome::Result::kDone          ? doneWord
                       : step.result == TweakStepOutcome::Result::kNotRecorded ? "not recorded"
                                                                               : "FAILED";
    text += std::string(word) + "  " + step.Setting();
    if (step.result == TweakStepOutcome::Result::kDone)
      text += step.previous == kAbsentValue ? " (was not set)" : " (was \"" + step.previous + "\")";
    if (!step.error.empty()) text += ": " + step.error;
    text += "\n";
  }
  return text;
}

std::string Output(const OptimizeOptions& options, nlohmann::ordered_json document,
                   const std::string& text) {
  return options.json ? JsonDocumentText(document) + "\n" : text;
}

ConsoleResult StatusAction(const OptimizeOptions& options, const Optimizer& optimizer) {
  const std::string record = optimizer.Record();
  const nlohmann::ordered_json document = {
      {"optimized", !record.empty()}, {"record", record}, {"entries", RecordEntries(record)}};
  const std::string text = record.empty() ? "Not optimized.\n" : "Optimized: " + record + "\n";
  return {kExitOk, Output(options, document, text)};
}

ConsoleResult ApplyAction(const OptimizeOptions& options, const Optimizer& optimizer) {
  // Optimizing twice would record the fast values as the previous ones, and
  // the user's own values could never come back.
  if (optimizer.IsOptimized()) {
    const nlohmann::ordered_json document = {{"action", "apply"},
                                             {"changed", false},
                                             {"optimized", true},
                                             {"record", optimizer.Record()}};
    return {kExitOk, Output(options, document,
                            "Already optimized; nothing changed (run 'optimize undo' first).\n")};
  }
  TweakProgress quiet;
  uint32_t saveStatus = 0;
  const OptimizeOutcome outcome = optimizer.Apply(quiet, &saveStatus);
  if (saveStatus)
    throw std::runtime_error("the settings file could not be written (error " +
                             std::to_string(saveStatus) + "); the values changed are not recorded");
  bool allDone = true;
  for (const TweakStepOutcome& step : outcome.steps)
    allDone &= step.result == TweakStepOutcome::Result::kDone;
  const nlohmann::ordered_json document = {{"action", "apply"},
                                           {"changed", !outcome.record.empty()},
                                           {"optimized", !outcome.record.empty()},
                                           {"record", outcome.record},
                                           {"steps", StepsJson(outcome.steps)}};
  return {allDone ? kExitOk : kExitProblems,
          Output(options, document,
                 StepsText(outcome.steps, "set") + "Record: " + outcome.record + "\n")};
}

ConsoleResult UndoAction(const OptimizeOptions& options, const Optimizer& optimizer) {
  if (!optimizer.IsOptimized()) {
    const nlohmann::ordered_json document = {
        {"action", "undo"}, {"changed", false}, {"optimized", false}, {"remaining", ""}};
    return {kExitOk, Output(options, document, "Not optimized; nothing to undo.\n")};
  }
  TweakProgress quiet;
  uint32_t saveStatus = 0;
  const UndoOutcome outcome = optimizer.Undo(quiet, &saveStatus);
  if (saveStatus)
    throw std::runtime_error("the settings file could not be written (error " +
                             std::to_string(saveStatus) + ")");
  const nlohmann::ordered_json document = {{"action", "undo"},
                                           {"changed", true},
                                           {"optimized", !outcome.remaining.empty()},
                                           {"remaining", outcome.remaining},
                                           {"steps", StepsJson(outcome.steps)}};
  std::string text = StepsText(outcome.steps, "restored");
  if (!outcome.remaining.empty())
    text += "Still recorded, to undo again: " + outcome.remaining + "\n";
  return {outcome.remaining.empty() ? kExitOk : kExitProblems, Output(options, document, text)};
}

}  // namespace

ConsoleResult RunOptimizeCommand(const std::vector<std::string>& args) {
  const OptimizeOptions options = ParseOptimizeOptions(args);
  const std::string settingsPath = options.dataDir + "\\hvmend.ini";
  // The record of the previous values lives in the settings file: with no
  // file to read it from or keep it in, nothing may be changed or undone.
  static_cast<void>(LoadReadableSettings(settingsPath));
  const Optimizer optimizer(settingsPath);
  if (options.action == "status") return StatusAction(options, optimizer);
  if (options.action == "apply") {
    // Undo stays open: it only puts back what the system had.
    if (!OptimizeAllowed(Policies::Read()))
      throw UsageError(std::string("Optimize is switched off: ") + kSetByAdministrator +
                       "; nothing was changed");
    return ApplyAction(options, optimizer);
  }
  return UndoAction(options, optimizer);
}

int RunOptimizeVerb(const std::vector<std::string>& args) {
  const ConsoleResult result = RunOptimizeCommand(args);
  WriteText(stdout, result.out);
  return result.exitCode;
}

}  // namespace hvm
