// FB::AsyncCallManager: the registry of calls queued to the browser's main
// thread for one host. Each queued call is a numbered record; the browser
// receives an opaque ticket for it and hands it back to dispatch() on the
// main thread. A call runs at most once: either when its ticket is
// dispatched, or, if still pending then, when the manager shuts down.
//
// Tickets own their record, so a ticket that the browser delivers late
// (after shutdown, or after the manager is gone) is harmless.
//
// Thread rules: makeCall/cancel/shutdown from any thread (one recursive lock
// guards the pending set; it is never held while a call runs, dispatched or
// run at shutdown); dispatch on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>

namespace FB {

using AsyncFunction = void (*)(void* data);

class AsyncCallManager : public std::enable_shared_from_this<AsyncCallManager> {
 public:
  struct CallRecord {
    AsyncFunction function = nullptr;
    void* data = nullptr;
    std::uint64_t number = 0;
    bool called = false;
    std::weak_ptr<AsyncCallManager> manager;
  };
  using RecordPtr = std::shared_ptr<CallRecord>;

  AsyncCallManager() = default;
  AsyncCallManager(const AsyncCallManager&) = delete;
  AsyncCallManager& operator=(const AsyncCallManager&) = delete;

  // Registers a pending call and returns the ticket to hand to the browser
  // with dispatch() as the function to call.
  void* makeCall(AsyncFunction function, void* data);
  // Withdraws a ticket the browser refused; the call will never run.
  void cancel(void* ticket);
  // Runs every pending call now, on the calling thread, in number order,
  // without holding the lock.
  void shutdown();

  // The browser-facing entry: runs the ticket's call when still pending,
  // then frees the ticket.
  static void dispatch(void* ticket);

  std::size_t pendingCount() const;

 private:
  struct ByNumber {
    bool operator()(const RecordPtr& a, const RecordPtr& b) const { return a->number < b->number; }
  };

  // Removes the record from the pending set; true when it was pending.
  bool take(const RecordPtr& record);

  mutable std::recursive_mutex mutex_;
  std::uint64_t counter_ = 0;
  std::set<RecordPtr, ByNumber> pending_;
};

}  // namespace FB
