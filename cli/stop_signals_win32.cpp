#include <windows.h>

#include <csignal>

#include "process_stop.h"
#include "stop_signals.h"

namespace cstrip::cli {

namespace {

BOOL WINAPI onControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      requestProcessStop(SIGINT);
      return TRUE;
    case CTRL_BREAK_EVENT:
      requestProcessStop(SIGBREAK);
      return TRUE;
    default:
      // The console is closing: the process ends when this returns, so the
      // runs get until then (or until the system's limit) to clean up.
      requestProcessStop(SIGTERM);
      Sleep(INFINITE);
      return TRUE;
  }
}

}  // namespace

StopSignals::StopSignals() {
  SetConsoleCtrlHandler(onControl, TRUE);
}

StopSignals::~StopSignals() {
  SetConsoleCtrlHandler(onControl, FALSE);
}

std::jthread startWorker(std::function<void(std::stop_token)> work) {
  return std::jthread(std::move(work));
}

}  // namespace cstrip::cli
