#pragma once

#include <atomic>

namespace cstrip {

// A request that every run of the process stop, made by a signal handler or
// a console's control handler: a run stops at its next buffer, and a system
// call the signal interrupts is not made again but fails with EINTR.
// Both functions are async-signal-safe.
inline std::atomic<int> gProcessStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Asks every run to stop, for the signal `signal`; the first request stays.
inline void requestProcessStop(int signal) noexcept {
  int none = 0;
  gProcessStopSignal.compare_exchange_strong(none, signal);
}

// The signal that asked the runs to stop, or 0.
inline int processStopSignal() noexcept {
  return gProcessStopSignal.load();
}

}  // namespace cstrip
