#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace cstrip {

// A thread of a run's own for the system's copies of its files: its
// input's reads ahead and its output's writes behind, so that they overlap
// the conversion on the run's thread. Tasks run one at a time in the order
// they were handed over; the thread starts with the first. What a task
// leaves for the run to read is safe to read once waitFor() has returned.
class IoThread {
 public:
  // A task's place in the order, for waitFor(); 0 stands for none.
  using Ticket = std::uint64_t;

  IoThread() = default;
  // Waits for the tasks handed over, then ends the thread.
  ~IoThread();
  IoThread(const IoThread&) = delete;
  IoThread& operator=(const IoThread&) = delete;

  // Hands `task` over to run after the others; it must not throw. Where the
  // system gives no thread, runs it at once instead.
  Ticket post(std::function<void()> task);
  // Returns once the task with `ticket`, and so every one before it, has run.
  void waitFor(Ticket ticket);

 private:
  void runEach(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any changed_;
  // Guarded by mutex_:
  std::deque<std::function<void()>> tasks_;
  Ticket posted_ = 0;
  Ticket done_ = 0;
  std::jthread thread_;  // last: stopped and joined before the rest goes
};

}  // namespace cstrip
