#include "testing/main_thread_queue.h"

#include <stdexcept>

namespace FB::testing {

void MainThreadQueue::post(Function function, void* data) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.emplace_back(function, data);
  }
  queued_.notify_one();
}

std::size_t MainThreadQueue::pump() {
  if (!isMainThread()) throw std::logic_error("the main-thread queue was pumped off the main thread");
  std::size_t ran = 0;
  for (;;) {
    std::pair<Function, void*> next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) return ran;
      next = queue_.front();
      queue_.pop_front();
    }
    next.first(next.second);
    ++ran;
  }
}

bool MainThreadQueue::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (pump() == 0) {
      if (std::chrono::steady_clock::now() > deadline) return done();
      std::unique_lock<std::mutex> lock(mutex_);
      queued_.wait_for(lock, std::chrono::microseconds(200), [this] { return !queue_.empty(); });
    }
  }
  return true;
}

std::size_t MainThreadQueue::waitAndPump(std::chrono::milliseconds limit) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    queued_.wait_for(lock, limit, [this] { return !queue_.empty(); });
  }
  return pump();
}

std::size_t MainThreadQueue::queuedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

}  // namespace FB::testing
