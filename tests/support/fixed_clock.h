// A clock for tests: it says what the test set, and moves only when the test
// moves it.
#pragma once

#include "engine/core/clock.h"

namespace hvm::test {

class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalTime local = {}) : local(local) {}
  uint64_t NowMs() override { return ms; }
  LocalTime LocalNow() override { return local; }
  uint64_t FileTimeNow() override { return fileTime; }

  LocalTime local;
  uint64_t ms = 0;
  uint64_t fileTime = 0;
};

}  // namespace hvm::test
