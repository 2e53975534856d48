#pragma once

#include <cstdint>
#include <optional>

#include "line_count.h"
#include "process_stop.h"
#include "pump_clock.h"
#include "window_operations.h"

// The window operations for a run's yields, the same in every toolkit: the
// count is kept and shown at the next pump, and the window processes its
// events once every PumpClock interval, at a yield or between buffers. A
// window supplies how to show the count and how to process its events.
class RunPump : public cstrip::WindowOperations {
 public:
  void showCount(cstrip::LineCount count) override { unshownCount_ = count; }
  bool yield() override {
    if (clock_.dueAtYield()) pump();
    return !stopRequested();
  }
  std::uint64_t yieldsToSkip() override { return clock_.yieldsToSkip(); }
  bool idle() override {
    if (clock_.dueBetweenBuffers()) pump();
    return !stopRequested();
  }
  // Freeing a large file an output replaces would hold the window still.
  cstrip::FileRules fileRules() override {
    cstrip::FileRules rules;
    rules.releaseReplacedAside = true;
    return rules;
  }

 protected:
  // A run starts: no count waiting, no stop asked, and the first yield pumps.
  void startRun() {
    stopRequested_ = false;
    unshownCount_.reset();
    clock_.start();
  }
  // Asks the run going on to stop at its next yield; a stop signal asks too.
  void requestStop() { stopRequested_ = true; }
  bool stopRequested() const { return stopRequested_ || cstrip::processStopSignal() != 0; }
  // Shows the count kept since the last pump, if any.
  void showLatestCount() {
    if (!unshownCount_) return;
    showCountNow(*unshownCount_);
    unshownCount_.reset();
  }

 private:
  virtual void showCountNow(cstrip::LineCount count) = 0;
  // Processes the window's pending events.
  virtual void processEvents() = 0;

  void pump() {
    showLatestCount();
    processEvents();
  }

  PumpClock clock_;
  bool stopRequested_ = false;
  std::optional<cstrip::LineCount> unshownCount_;
};
