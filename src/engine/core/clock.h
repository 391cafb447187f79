// The one clock of the program: every reading of the time, monotonic or of
// the day, goes through it, so that a test can fix or move the time by hand.
#pragma once

#include <cstdint>

#include "engine/core/civil_date.h"

namespace hvm {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic scale.
  virtual uint64_t NowMs() = 0;
  // The local date and time of day.
  virtual LocalTime LocalNow() = 0;
  // The time in UTC as a file time (100 ns units since 1 January 1601), to
  // compare with the times the file system keeps.
  virtual uint64_t FileTimeNow() = 0;
};

// The machine's own clock.
class SystemClock : public Clock {
 public:
  uint64_t NowMs() override;
  LocalTime LocalNow() override;
  uint64_t FileTimeNow() override;
};

// The machine's clock, for everything that is not handed another one.
Clock& ProgramClock();

// Today's local date by `clock`.
inline CivilDate LocalToday(Clock& clock = ProgramClock()) {
  return clock.LocalNow().Date();
}

}  // namespace hvm
