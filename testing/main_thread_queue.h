// FB::testing::MainThreadQueue: the browser's main-thread queue as the fake
// browsers model it. Any thread posts a function with its data; the test's
// main thread (the thread that made the queue) runs what is queued by
// pumping, as a browser's event loop would.
//
// post and queuedCount from any thread; the pumping operations on the main
// thread only (they throw std::logic_error elsewhere).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace FB::testing {

class MainThreadQueue {
 public:
  using Function = void (*)(void*);

  MainThreadQueue() : mainThread_(std::this_thread::get_id()) {}

  bool isMainThread() const { return std::this_thread::get_id() == mainThread_; }
  void post(Function function, void* data);
  // Runs everything queued, including what the runs queue; answers how many.
  std::size_t pump();
  // Pumps until `done` answers true or `limit` passes; answers `done`().
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  // Sleeps until something is queued (or `limit` passes), then pumps.
  std::size_t waitAndPump(std::chrono::milliseconds limit);
  std::size_t queuedCount() const;

 private:
  std::thread::id mainThread_;
  mutable std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::pair<Function, void*>> queue_;
};

}  // namespace FB::testing
