// Time as the engine sees it, so that tests can move it by hand.
#pragma once

#include <chrono>
#include <cstdint>

namespace hvm {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic scale.
  virtual uint64_t NowMs() = 0;
};

class SteadyClock : public Clock {
 public:
  uint64_t NowMs() override {
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
  }
};

}  // namespace hvm
