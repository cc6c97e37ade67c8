// Cost of a synchronous call from a worker thread to the main thread through
// the browser host, against the same hand-off done with a bare mutex and
// condition variable. In both, a dedicated thread plays the browser's main
// thread and sleeps until work arrives.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include <benchmark/benchmark.h>

#include "testing/fake_browser_host.h"

namespace {

void CrossThreadCallThroughHost(benchmark::State& state) {
  std::shared_ptr<FB::testing::FakeBrowserHost> host;
  std::atomic<bool> ready{false}, stop{false};
  std::thread mainThread([&] {
    host = FB::testing::FakeBrowserHost::create();
    ready = true;
    while (!stop) host->waitAndPump(std::chrono::milliseconds(5));
    host->shutdown();
  });
  while (!ready) std::this_thread::yield();
  int value = 0;
  for (auto _ : state) {
    value = host->callOnMainThread([&value] { return value + 1; });
  }
  benchmark::DoNotOptimize(value);
  stop = true;
  mainThread.join();
}
BENCHMARK(CrossThreadCallThroughHost)->UseRealTime();

// The baseline: a queue of callables under one mutex, a condition variable
// to wake the main thread and one per call to wake the caller.
void CrossThreadCallBareHandOff(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable queued;
  std::deque<std::function<void()>> queue;
  std::atomic<bool> stop{false};
  std::thread mainThread([&] {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stop) {
      queued.wait_for(lock, std::chrono::milliseconds(5), [&] { return !queue.empty(); });
      while (!queue.empty()) {
        auto task = std::move(queue.front());
        queue.pop_front();
        lock.unlock();
        task();
        lock.lock();
      }
    }
  });
  int value = 0;
  for (auto _ : state) {
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    int result = 0;
    {
      std::lock_guard<std::mutex> lock(mutex);
      queue.emplace_back([&] {
        result = value + 1;
        std::lock_guard<std::mutex> doneLock(doneMutex);
        done = true;
        doneSignal.notify_all();
      });
    }
    queued.notify_one();
    std::unique_lock<std::mutex> doneLock(doneMutex);
    doneSignal.wait(doneLock, [&] { return done; });
    value = result;
  }
  benchmark::DoNotOptimize(value);
  stop = true;
  queued.notify_one();
  mainThread.join();
}
BENCHMARK(CrossThreadCallBareHandOff)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
