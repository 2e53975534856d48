#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <mutex>

#include "process_stop.h"
#include "stop_signals.h"

namespace cstrip {

namespace {

// The thread that installed the handler, whose waits a stop interrupts, as
// a signal interrupts the main thread's system calls on POSIX. The handler
// runs on a thread of its own, possibly while the StopSignals goes away: the
// lock keeps the handle open while it is used.
std::mutex mainThreadLock;
HANDLE mainThread = nullptr;

// Ends the synchronous read or write the main thread is waiting in, if any:
// a pipe whose writer is slow, the console, a device. It then fails with
// ERROR_OPERATION_ABORTED, which the run takes for the stop.
void interruptMainThread() {
  const std::lock_guard lock(mainThreadLock);
  if (mainThread != nullptr) CancelSynchronousIo(mainThread);
}

BOOL WINAPI onControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      requestProcessStop(SIGINT);
      interruptMainThread();
      return TRUE;
    case CTRL_BREAK_EVENT:
      requestProcessStop(SIGBREAK);
      interruptMainThread();
      return TRUE;
    default:
      // The console is closing: the process ends when this returns, so the
      // runs get until then (or until the system's limit) to clean up; the
      // main thread ends the process itself once they have.
      requestProcessStop(SIGTERM);
      interruptMainThread();
      Sleep(INFINITE);
      return TRUE;
  }
}

}  // namespace

StopSignals::StopSignals() {
  {
    const std::lock_guard lock(mainThreadLock);
    HANDLE thread = nullptr;
    // GetCurrentThread() is a pseudo-handle, meaning whichever thread uses
    // it: the handler needs this thread's own.
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0,
                        FALSE, DUPLICATE_SAME_ACCESS)) {
      mainThread = thread;
    }
  }
  SetConsoleCtrlHandler(onControl, TRUE);
}

StopSignals::~StopSignals() {
  SetConsoleCtrlHandler(onControl, FALSE);
  const std::lock_guard lock(mainThreadLock);
  if (mainThread != nullptr) CloseHandle(mainThread);
  mainThread = nullptr;
}

void endByStopSignal(int signal) {
  std::_Exit(128 + signal);
}

std::jthread startWorker(std::function<void(std::stop_token)> work) {
  // Console control events run on a thread of their own, never on a worker.
  return std::jthread(std::move(work));
}

}  // namespace cstrip
