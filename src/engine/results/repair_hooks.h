// What a repair needs from parts of the program that join later: the restore
// point, the progress window, the repair report. Each comes with a null
// implementation that does nothing.
#pragma once

#include <cstdint>

namespace hvm {

struct RepairSummary {
  int found = 0;
  int repaired = 0;
  int skipped = 0;
  int ignored = 0;           // lines of the ignore file
  int notRemoved = 0;        // checked entries that were not repaired
  int snapshotFailures = 0;  // items left in place because their undo could not be written
  bool folderBusy = false;   // nothing done: another repair or restore held the data folder
};

class RestorePointMaker {
 public:
  virtual ~RestorePointMaker() = default;
  virtual void MakeRestorePoint() {}
  // The repair is over, done or failed: a restore point begun is ended, so
  // that System Restore does not wait for the end of the change.
  virtual void EndRestorePoint() {}
};

class RepairProgress {
 public:
  virtual ~RepairProgress() = default;
  // Shows the window for `count` items; returns the pause per item in ms.
  virtual int Start(int count) { return 0; }
  virtual void Advance() {}
  virtual void Finish() {}
  // Lets pending user-interface messages run.
  virtual void PumpMessages() {}
};

class RepairReport {
 public:
  virtual ~RepairReport() = default;
  virtual void Fill(const RepairSummary& summary) {}
};

// The millisecond tick counter and a short sleep, for RepairDelay.
class TickSource {
 public:
  virtual ~TickSource() = default;
  virtual uint32_t Ticks() = 0;
  virtual void SleepOne() = 0;
};

// The program clock's milliseconds and a real sleep of one.
TickSource& SystemTicks();

// Waits `ms` milliseconds while `progress` keeps the interface responsive. The
// 32-bit tick counter may wrap around during the wait.
void RepairDelay(uint32_t ms, TickSource& ticks, RepairProgress& progress);

}  // namespace hvm
