#include "io_thread.h"

#include <system_error>
#include <utility>

#include "stop_signals.h"

namespace cstrip {

IoThread::~IoThread() {
  waitFor(posted_);
}

IoThread::Ticket IoThread::post(std::function<void()> task) {
  if (!thread_.joinable()) {
    try {
      thread_ = startWorker([this](std::stop_token stop) { runEach(stop); });
    } catch (const std::system_error&) {
      task();
      return 0;
    }
  }
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  changed_.notify_all();
  return ++posted_;
}

void IoThread::waitFor(Ticket ticket) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return done_ >= ticket; });
}

void IoThread::runEach(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (changed_.wait(lock, stop, [&] { return !tasks_.empty(); })) {
    const std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    ++done_;
    changed_.notify_all();
  }
}

}  // namespace cstrip
