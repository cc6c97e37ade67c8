#include "runtime/async_call_manager.h"

#include <map>
#include <mutex>
#include <vector>

namespace FB {
namespace {

struct CallRecord {
  AsyncFunction function;
  void* data;
  AsyncCallManager* manager;
};

// Every pending call of the process by number. A number is reused only
// after 2^32 calls on 32-bit builds (never on 64-bit), so a stale ticket
// cannot name a newer call.
struct CallTable {
  std::mutex mutex;
  std::uintptr_t counter = 0;
  std::map<std::uintptr_t, CallRecord> records;
};

CallTable& table() {
  static CallTable* instance = new CallTable;  // outlives static destructors
  return *instance;
}

using Lock = std::lock_guard<std::mutex>;

std::uintptr_t numberOf(void* ticket) { return reinterpret_cast<std::uintptr_t>(ticket); }

}  // namespace

AsyncCallManager::~AsyncCallManager() {
  // Calls never run (the host did not shut down) are dropped; their tickets
  // find nothing.
  CallTable& calls = table();
  Lock lock(calls.mutex);
  for (std::uintptr_t number : pending_) calls.records.erase(number);
}

void* AsyncCallManager::makeCall(AsyncFunction function, void* data) {
  CallTable& calls = table();
  Lock lock(calls.mutex);
  if (closed_) return nullptr;
  // Tickets are pointer-sized: on 32-bit the numbers wrap after 2^32 calls,
  // so zero and any number still pending are skipped.
  std::uintptr_t number = ++calls.counter;
  while (number == 0 || calls.records.count(number)) number = ++calls.counter;
  calls.records.emplace(number, CallRecord{function, data, this});
  pending_.insert(number);
  return reinterpret_cast<void*>(number);
}

void AsyncCallManager::cancel(void* ticket) {
  CallTable& calls = table();
  Lock lock(calls.mutex);
  const std::uintptr_t number = numberOf(ticket);
  if (pending_.erase(number)) calls.records.erase(number);
}

void AsyncCallManager::dispatch(void* ticket) {
  CallRecord record{};
  {
    CallTable& calls = table();
    Lock lock(calls.mutex);
    auto found = calls.records.find(numberOf(ticket));
    if (found == calls.records.end()) return;  // run at shutdown, cancelled or never ours
    record = found->second;
    record.manager->pending_.erase(found->first);
    calls.records.erase(found);
  }
  record.function(record.data);
}

void AsyncCallManager::shutdown() {
  std::vector<CallRecord> toRun;
  {
    CallTable& calls = table();
    Lock lock(calls.mutex);
    closed_ = true;
    for (std::uintptr_t number : pending_) {  // ascending: number order
      auto found = calls.records.find(number);
      toRun.push_back(found->second);
      calls.records.erase(found);
    }
    pending_.clear();
  }
  // Taken out of the table, these run nowhere else; they run without the
  // lock, which threads that queue calls wait for.
  for (const auto& record : toRun) record.function(record.data);
}

std::size_t AsyncCallManager::pendingCount() const {
  Lock lock(table().mutex);
  return pending_.size();
}

std::size_t AsyncCallManager::pendingCountInProcess() {
  Lock lock(table().mutex);
  return table().records.size();
}

}  // namespace FB
