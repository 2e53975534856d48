#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace cstrip {

// While it lives, SIGINT, SIGTERM, SIGHUP and SIGPIPE (on Windows, Ctrl+C,
// Ctrl+Break and closing the console) ask every run to stop (see
// requestProcessStop) instead of ending the process at once, so that each
// run removes its temporary file first. Each signal also interrupts what the
// main thread waits for, such as a read from a terminal. A signal the
// process ignores (nohup, a background job's SIGINT) stays ignored.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
};

// Ends the process as the stop signal `signal` would have, once the runs
// have stopped: on POSIX by raising it again with its default action, so
// that a shell or make sees the signal and the exit status is 128 + its
// number; on Windows by exiting with 128 + its number. Nothing buffered is
// written out, which could wait on a reader that has stopped reading.
[[noreturn]] void endByStopSignal(int signal);

// Starts `work` on a new thread that leaves the stop signals to the main
// thread. Throws std::system_error when the system gives no more threads.
std::jthread startWorker(std::function<void(std::stop_token)> work);

}  // namespace cstrip
