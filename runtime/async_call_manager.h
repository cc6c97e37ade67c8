// FB::AsyncCallManager: the registry of calls queued to the browser's main
// thread for one host. Each queued call is a numbered record; the browser
// receives the record's number as an opaque ticket and hands it back to
// dispatch() on the main thread. A call runs at most once: either when its
// ticket is dispatched, or, if still pending then, when the manager shuts
// down. After shutdown the manager takes no new calls.
//
// A ticket is only a number, looked up in one process-wide table: there is
// nothing to free when the browser never delivers it, and a ticket delivered
// late (after shutdown, or after the manager is gone) finds nothing to run.
//
// Thread rules: makeCall/cancel/shutdown from any thread (the table's lock is
// never held while a call runs, dispatched or run at shutdown); dispatch on
// the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <set>

namespace FB {

using AsyncFunction = void (*)(void* data);

class AsyncCallManager {
 public:
  AsyncCallManager() = default;
  ~AsyncCallManager();
  AsyncCallManager(const AsyncCallManager&) = delete;
  AsyncCallManager& operator=(const AsyncCallManager&) = delete;

  // Registers a pending call and returns the ticket to hand to the browser
  // with dispatch() as the function to call; null once the manager is shut
  // down (the call is not taken).
  void* makeCall(AsyncFunction function, void* data);
  // Withdraws a ticket the browser refused; the call will never run.
  void cancel(void* ticket);
  // Refuses new calls, then runs every pending call now, on the calling
  // thread, in number order, without holding the lock.
  void shutdown();

  // The browser-facing entry: runs the ticket's call when still pending.
  static void dispatch(void* ticket);

  std::size_t pendingCount() const;
  // Calls pending in every manager of the process.
  static std::size_t pendingCountInProcess();

 private:
  bool closed_ = false;
  std::set<std::uintptr_t> pending_;  // numbers of this manager's records
};

}  // namespace FB
