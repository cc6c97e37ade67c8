#include "runtime/async_call_manager.h"

#include <vector>

namespace FB {
namespace {

using Ticket = AsyncCallManager::RecordPtr;
using Lock = std::lock_guard<std::recursive_mutex>;

// Clears the record's function and runs it; a record runs at most once.
void runRecord(AsyncCallManager::CallRecord& record) {
  AsyncFunction function = record.function;
  if (!function) return;
  record.function = nullptr;
  record.called = true;
  function(record.data);
}

}  // namespace

void* AsyncCallManager::makeCall(AsyncFunction function, void* data) {
  auto record = std::make_shared<CallRecord>();
  record->function = function;
  record->data = data;
  record->manager = weak_from_this();
  {
    Lock lock(mutex_);
    record->number = ++counter_;
    pending_.insert(record);
  }
  return new Ticket(std::move(record));
}

void AsyncCallManager::cancel(void* ticket) {
  std::unique_ptr<Ticket> owned(static_cast<Ticket*>(ticket));
  take(*owned);
}

bool AsyncCallManager::take(const RecordPtr& record) {
  Lock lock(mutex_);
  return pending_.erase(record) != 0;
}

void AsyncCallManager::dispatch(void* ticket) {
  std::unique_ptr<Ticket> owned(static_cast<Ticket*>(ticket));
  const RecordPtr& record = *owned;
  auto manager = record->manager.lock();
  if (!manager || !manager->take(record)) return;  // already run at shutdown
  runRecord(*record);
}

void AsyncCallManager::shutdown() {
  std::vector<RecordPtr> toRun;
  {
    Lock lock(mutex_);
    toRun.assign(pending_.begin(), pending_.end());
    pending_.clear();
  }
  // Taken out of the pending set, these run nowhere else; they run without
  // the lock, which threads that queue calls wait for.
  for (const auto& record : toRun) runRecord(*record);
}

std::size_t AsyncCallManager::pendingCount() const {
  Lock lock(mutex_);
  return pending_.size();
}

}  // namespace FB
