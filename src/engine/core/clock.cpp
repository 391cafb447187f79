#include "engine/core/clock.h"

#include <windows.h>

#include <chrono>

namespace hvm {

uint64_t SystemClock::NowMs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

LocalTime SystemClock::LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

uint64_t SystemClock::FileTimeNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

Clock& ProgramClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace hvm
