#pragma once

#include <chrono>
#include <cstdint>

// Decides when a run's yield should really let the window show the count
// and process its events: once every interval, not at every line. Doing it
// for each of millions of lines would cost more than the conversion itself,
// and so would even reading the clock at every line. So the run is told how
// many yields it may leave out, a number that adapts to how fast the lines
// come, so that the clock is read about once a millisecond.
class PumpClock {
 public:
  static constexpr std::chrono::milliseconds kInterval{25};

  // Starts a run: the first yield pumps at once, so the first count shows.
  void start() {
    yieldsBetweenChecks_ = 1;
    lastCheck_ = Clock::now();
    lastPump_ = lastCheck_ - kInterval;
  }

  // At a yield the run made: true when the window should pump now.
  bool dueAtYield() {
    const auto now = Clock::now();
    const auto sinceCheck = now - lastCheck_;
    if (sinceCheck < std::chrono::microseconds(500) && yieldsBetweenChecks_ < kMostYields) {
      yieldsBetweenChecks_ *= 2;
    } else if (sinceCheck > std::chrono::milliseconds(2) && yieldsBetweenChecks_ > 1) {
      yieldsBetweenChecks_ /= 2;
    }
    lastCheck_ = now;
    return pumpIfIntervalPassed(now);
  }

  // Between two buffers of the input: true when the window should pump now.
  bool dueBetweenBuffers() { return pumpIfIntervalPassed(Clock::now()); }

  // How many yields the run may leave out before the next dueAtYield().
  std::uint64_t yieldsToSkip() const { return yieldsBetweenChecks_ - 1; }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::uint64_t kMostYields = 1 << 20;

  bool pumpIfIntervalPassed(Clock::time_point now) {
    if (now - lastPump_ < kInterval) return false;
    lastPump_ = now;
    return true;
  }

  std::uint64_t yieldsBetweenChecks_ = 1;
  Clock::time_point lastCheck_;
  Clock::time_point lastPump_;
};
