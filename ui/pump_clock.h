#pragma once

#include <time.h>

#include <cstdint>

// Decides when a run's yield should really let the window process events.
// Showing the count and pumping events cost tens of microseconds, so doing it
// for each of millions of lines would dominate the run; once every interval
// keeps the window responsive at no visible cost. The coarse clock costs a
// few nanoseconds to read, so it may be asked at every line.
class PumpClock {
 public:
  static constexpr std::int64_t kIntervalMs = 25;

  // True when the last pump is at least the interval ago; the first call
  // after start() is true at once, so the first count shows immediately.
  bool due() {
    const std::int64_t now = nowMs();
    if (now - lastPumpMs_ < kIntervalMs) return false;
    lastPumpMs_ = now;
    return true;
  }
  void start() { lastPumpMs_ = nowMs() - kIntervalMs; }

 private:
  static std::int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
  }

  std::int64_t lastPumpMs_ = 0;
};
