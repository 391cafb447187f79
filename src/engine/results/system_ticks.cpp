#include <windows.h>

#include "engine/core/clock.h"
#include "engine/results/repair_hooks.h"

namespace hvm {
namespace {

class ClockTicks : public TickSource {
 public:
  // Only differences of the low 32 bits are ever taken, so the cut is harmless.
  uint32_t Ticks() override { return uint32_t(ProgramClock().NowMs()); }
  void SleepOne() override { Sleep(1); }
};

}  // namespace

TickSource& SystemTicks() {
  static ClockTicks ticks;
  return ticks;
}

}  // namespace hvm
