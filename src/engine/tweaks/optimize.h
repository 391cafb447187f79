// Optimize: six system settings set to faster values, each previous value
// remembered in the settings value "optimize" (the record) so that Undo can
// put it back. The record is the whole state: empty means not optimized.
//
// Record text: "NAME=previous" entries in step order joined by ";", the
// previous value "-1" when the value did not exist, e.g.
// "MSD=400;WKT=-1;AUD=0;WKST=20000;BOF=-1;AET=0".
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hvm {

struct ProgramSettings;

struct OptimizeStep {
  HKEY root;
  const char* rootName;  // long name, for messages
  const char* key;       // as passed to OpenKey, creation allowed
  const char* value;
  const char* record;     // the entry's name in the record text
  const char* optimized;  // what Optimize writes
  // What Undo writes when the record holds an empty previous text.
  const char* undoFallback;
};

// The six steps in their order.
const std::array<OptimizeStep, 6>& OptimizeSteps();

// The previous value of a step whose value did not exist.
inline constexpr char kAbsentValue[] = "-1";

// Where the progress of a run goes, and how it is paced. The desktop page
// moves its bar and lets the window's messages run; the console and tests
// only count.
class TweakProgress {
 public:
  virtual ~TweakProgress() = default;
  virtual void SetMaximum(int maximum) {}
  // Also the moment to let pending window messages run.
  virtual void SetPosition(int position) {}
  // Between ticks: the desktop waits a moment so that the bar can be followed.
  virtual void Pause() {}
};

// The bar's range, the ticks of a run and the tick of each step.
struct OptimizeProgressMath {
  static constexpr int kMaximum = 3000;
  static constexpr int kTicks = 60;
  static constexpr int kTicksPerStep = 10;
  static constexpr int kPositionPerTick = 50;
  // The step (1..6) run at `tick`, or 0 for a tick without one.
  static constexpr int StepAt(int tick) {
    return tick % kTicksPerStep == 0 ? tick / kTicksPerStep : 0;
  }
};

// The previous value recorded under `name`: the pairs are read from the
// start, each a name up to the next "=" and a value up to the next ";"; the
// first pair of that name wins. Nothing when the name is not there.
[[nodiscard]] std::optional<std::string> LookUpRecord(std::string_view record,
                                                      std::string_view name);

// One step of a run and how it went.
struct TweakStepOutcome {
  enum class Result {
    kDone,          // Optimize changed the value / Undo put it back
    kNotRecorded,   // Undo: the record holds no entry for it, nothing changed
    kKeyNotOpened,  // the key could neither be opened nor created
    kFailed,        // the registry refused a read or write, or (Optimize) the
                    // previous value could not be recorded and was left alone
  };
  int step = 0;  // 1..6
  Result result = Result::kDone;
  std::string previous;  // Optimize: what was recorded; Undo: what was put back
  std::string error;     // the registry layer's text or the open's status
  // "HKEY_CURRENT_USER\Control Panel\Desktop\MenuShowDelay".
  std::string Setting() const;
};

struct OptimizeOutcome {
  std::string record;  // entries of the steps that changed their value
  std::vector<TweakStepOutcome> steps;
};

struct UndoOutcome {
  // The entries still to be undone (those whose step failed), in step order;
  // empty when everything recorded was put back.
  std::string remaining;
  std::vector<TweakStepOutcome> steps;
  std::vector<const TweakStepOutcome*> Failures() const;
};

// Runs the six steps with the progress arithmetic of the page: 60 ticks of
// 50, a step at every tenth. Never raises for a registry error; a step whose
// value cannot be read or written records nothing, since nothing changed, and
// neither does one whose previous text holds ";", "=" or a control character
// (the record could not give it back): that value is left as it is.
OptimizeOutcome Optimize(TweakProgress& progress);
// Undoes the recorded steps in the order 6 to 1, ticks from 60 down. A step
// that fails keeps its entry in `remaining`, so that a second Undo can finish.
[[nodiscard]] UndoOutcome Undo(const std::string& record, TweakProgress& progress);

// Whether the record says the system is optimized.
bool IsOptimized(const ProgramSettings& settings);

// The same with the settings file at `settingsPath`: each action reads the
// file afresh and writes the record back into it.
class Optimizer {
 public:
  explicit Optimizer(std::string settingsPath) : settingsPath_(std::move(settingsPath)) {}
  bool IsOptimized() const;
  std::string Record() const;
  // Each writes the record into the settings file after the run; `saveStatus`
  // receives the Win32 status of that write (0 when it worked).
  OptimizeOutcome Apply(TweakProgress& progress, uint32_t* saveStatus = nullptr) const;
  [[nodiscard]] UndoOutcome Undo(TweakProgress& progress, uint32_t* saveStatus = nullptr) const;

 private:
  uint32_t SaveRecord(const std::string& record) const;
  std::string settingsPath_;
};

}  // namespace hvm
