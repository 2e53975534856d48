#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace cstrip::cli {

// While it lives, SIGINT, SIGTERM and SIGHUP (on Windows, Ctrl+C, Ctrl+Break
// and closing the console) ask every run to stop (see requestProcessStop)
// instead of ending the process, so that the runs remove their temporary
// files. They interrupt what the main thread waits for, such as a read from
// a terminal. On POSIX a second signal ends the process as the signal
// would, for when a run cannot stop.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
};

// Starts `work` on a new thread that leaves the stop signals to the main
// thread. Throws std::system_error when the system gives no more threads.
std::jthread startWorker(std::function<void(std::stop_token)> work);

}  // namespace cstrip::cli
