#include <pthread.h>
#include <signal.h>

#include <cstdlib>

#include "process_stop.h"
#include "stop_signals.h"

namespace cstrip {

namespace {

// SIGPIPE too: a reader that has gone (cstrip ... | head) ends the runs as
// it would end the process, but with their temporary files removed.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
struct sigaction previous[std::size(kStopSignals)];

// Only the first request counts; a later signal still interrupts the main
// thread's wait, which is all that a run stuck in one needs.
void onStopSignal(int signal) {
  requestProcessStop(signal);
}

sigset_t stopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kStopSignals) sigaddset(&set, signal);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a read the signal interrupts returns
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
    ::sigaction(kStopSignals[i], nullptr, &previous[i]);
    // A signal the shell ignores (nohup, a background job's SIGINT) stays ignored.
    if (previous[i].sa_handler != SIG_IGN) ::sigaction(kStopSignals[i], &action, nullptr);
  }
}

StopSignals::~StopSignals() {
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
    ::sigaction(kStopSignals[i], &previous[i], nullptr);
  }
}

void endByStopSignal(int signal) {
  ::signal(signal, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
  std::_Exit(128 + signal);  // not reached: each stop signal ends the process by default
}

std::jthread startWorker(std::function<void(std::stop_token)> work) {
  // The new thread inherits the mask in force while it is created.
  const sigset_t blocked = stopSignalSet();
  sigset_t mask;
  ::pthread_sigmask(SIG_BLOCK, &blocked, &mask);
  struct Restore {
    sigset_t mask;
    ~Restore() { ::pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{mask};
  return std::jthread(std::move(work));
}

}  // namespace cstrip
