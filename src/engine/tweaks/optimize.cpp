#include "engine/tweaks/optimize.h"

#include <algorithm>

#include "engine/core/registry.h"
#include "engine/settings/program_settings.h"

namespace hvm {
namespace {

using Result = TweakStepOutcome::Result;
using Math = OptimizeProgressMath;

const OptimizeStep& StepNumber(int step) {
  return OptimizeSteps()[size_t(step - 1)];
}

std::string OpenFailure(LONG status) {
  return "the key could not be opened or created (error " + std::to_string(status) + ")";
}

// The record splits its entries at ";" and "=", and the settings file keeps
// it on one line: a previous text holding any of these would come back from
// the record cut or changed, so Undo could not put it back.
bool Recordable(const std::string& previous) {
  return std::none_of(previous.begin(), previous.end(), [](char c) {
    return c == ';' || c == '=' || static_cast<unsigned char>(c) < 32;
  });
}

// Reads the previous value, writes the faster one, and only then counts the
// entry: a value left as it was needs no undoing.
TweakStepOutcome OptimizeOne(RegistrySession& registry, int step) {
  const OptimizeStep& s = StepNumber(step);
  TweakStepOutcome outcome{step};
  registry.SetRoot(s.root);
  if (!registry.OpenKey(s.key, true)) {
    outcome.result = Result::kKeyNotOpened;
    outcome.error = OpenFailure(registry.LastError());
    return outcome;
  }
  try {
    outcome.previous = registry.ValuePresent(s.value) ? registry.ReadText(s.value) : kAbsentValue;
    if (Recordable(outcome.previous)) {
      registry.WriteText(s.value, s.optimized);
    } else {
      outcome.result = Result::kFailed;
      outcome.error = "the previous value cannot be recorded";
    }
  } catch (const RegistryError& error) {
    outcome.result = Result::kFailed;
    outcome.error = error.what();
  }
  registry.CloseKey();
  return outcome;
}

void PutBack(RegistrySession& registry, const OptimizeStep& s, const std::string& previous) {
  if (previous == kAbsentValue) {
    // Already gone is as good as removed.
    if (registry.ValuePresent(s.value) && !registry.RemoveValue(s.value))
      throw RegistryError(RegistryError::Reason::SetFailed, s.value, registry.LastError());
    return;
  }
  // An empty previous text has a fallback; where there is none, the empty
  // text goes back as it was.
  const bool useFallback = previous.empty() && s.undoFallback;
  registry.WriteText(s.value, useFallback ? s.undoFallback : previous);
}

TweakStepOutcome UndoOne(RegistrySession& registry, int step, const std::string& record) {
  const OptimizeStep& s = StepNumber(step);
  TweakStepOutcome outcome{step};
  // Looked up before the key is opened, so that a step without an entry
  // creates no key.
  const std::optional<std::string> previous = LookUpRecord(record, s.record);
  if (!previous) {
    outcome.result = Result::kNotRecorded;
    return outcome;
  }
  outcome.previous = *previous;
  registry.SetRoot(s.root);
  if (!registry.OpenKey(s.key, true)) {
    outcome.result = Result::kKeyNotOpened;
    outcome.error = OpenFailure(registry.LastError());
    return outcome;
  }
  try {
    PutBack(registry, s, *previous);
  } catch (const RegistryError& error) {
    outcome.result = Result::kFailed;
    outcome.error = error.what();
  }
  registry.CloseKey();
  return outcome;
}

void AppendEntry(std::string& record, const char* name, const std::string& previous) {
  if (!record.empty()) record += ';';
  record += name;
  record += '=';
  record += previous;
}

}  // namespace

const std::array<OptimizeStep, 6>& OptimizeSteps() {
  static const std::array<OptimizeStep, 6> steps = {{
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "\\Control Panel\\Desktop", "MenuShowDelay", "MSD",
       "50", nullptr},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "\\Control Panel\\Desktop", "WaitToKillAppTimeout",
       "WKT", "1000", "20000"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE",
       "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", "AlwaysUnloadDLL", "AUD", "1",
       "0"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\SYSTEM\\CurrentControlSet\\Control",
       "WaitToKillServiceTimeout", "WKST", "2000", "5000"},
      // The quotes belong to the key's name.
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE",
       "\\SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction\\SUCCESS\"Y\"", "Enable", "BOF", "Y",
       "Y"},
      {HKEY_USERS, "HKEY_USERS", "\\.DEFAULT\\Control Panel\\Desktop", "AutoEndTasks", "AET", "1",
       "Y"},
  }};
  return steps;
}

std::string TweakStepOutcome::Setting() const {
  if (step < 1 || step > int(OptimizeSteps().size())) return {};
  const OptimizeStep& s = StepNumber(step);
  return std::string(s.rootName) + s.key + "\\" + s.value;
}

std::vector<const TweakStepOutcome*> UndoOutcome::Failures() const {
  std::vector<const TweakStepOutcome*> failed;
  for (const TweakStepOutcome& step : steps)
    if (step.result == Result::kFailed || step.result == Result::kKeyNotOpened)
      failed.push_back(&step);
  return failed;
}

std::optional<std::string> LookUpRecord(std::string_view record, std::string_view name) {
  size_t at = 0;
  while (at < record.size()) {
    const size_t equals = record.find('=', at);
    if (equals == std::string_view::npos) return std::nullopt;
    const size_t end = std::min(record.find(';', equals + 1), record.size());
    if (record.substr(at, equals - at) == name)
      return std::string(record.substr(equals + 1, end - equals - 1));
    at = end + 1;
  }
  return std::nullopt;
}

OptimizeOutcome Optimize(TweakProgress& progress) {
  OptimizeOutcome outcome;
  RegistrySession registry;
  progress.SetMaximum(Math::kMaximum);
  for (int tick = 1; tick <= Math::kTicks; ++tick) {
    progress.SetPosition(tick * Math::kPositionPerTick);
    if (const int step = Math::StepAt(tick)) {
      outcome.steps.push_back(OptimizeOne(registry, step));
      const TweakStepOutcome& done = outcome.steps.back();
      if (done.result == Result::kDone)
        AppendEntry(outcome.record, StepNumber(step).record, done.previous);
    }
    progress.Pause();
  }
  return outcome;
}

UndoOutcome Undo(const std::string& record, TweakProgress& progress) {
  UndoOutcome outcome;
  RegistrySession registry;
  progress.SetMaximum(Math::kMaximum);
  for (int tick = Math::kTicks; tick >= 1; --tick) {
    progress.SetPosition(tick * Math::kPositionPerTick);
    if (const int step = Math::StepAt(tick))
      outcome.steps.push_back(UndoOne(registry, step, record));
    progress.Pause();
  }
  // What failed stays recorded, in step order, so that Undo can be tried again.
  for (int step = 1; step <= int(OptimizeSteps().size()); ++step)
    for (const TweakStepOutcome* failed : outcome.Failures())
      if (failed->step == step)
        AppendEntry(outcome.remaining, StepNumber(step).record, failed->previous);
  return outcome;
}

bool IsOptimized(const ProgramSettings& settings) {
  return !settings.optimize.empty();
}

bool Optimizer::IsOptimized() const {
  return !Record().empty();
}

std::string Optimizer::Record() const {
  ProgramSettings settings;
  LoadSettings(settings, settingsPath_);
  return settings.optimize;
}

uint32_t Optimizer::SaveRecord(const std::string& record) const {
  // Read again after the run: another writer may have changed other settings.
  ProgramSettings settings;
  LoadSettings(settings, settingsPath_);
  settings.optimize = record;
  return SaveSettings(settings, settingsPath_);
}

OptimizeOutcome Optimizer::Apply(TweakProgress& progress, uint32_t* saveStatus) const {
  OptimizeOutcome outcome = Optimize(progress);
  const uint32_t status = SaveRecord(outcome.record);
  if (saveStatus) *saveStatus = status;
  return outcome;
}

UndoOutcome Optimizer::Undo(TweakProgress& progress, uint32_t* saveStatus) const {
  UndoOutcome outcome = hvm::Undo(Record(), progress);
  const uint32_t status = SaveRecord(outcome.remaining);
  if (saveStatus) *saveStatus = status;
  return outcome;
}

}  // namespace hvm
