// The pending-call registry: every call runs exactly once, whether its
// ticket is dispatched or the manager shuts down first.
#include "runtime/async_call_manager.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Counter {
  std::vector<int>* order;
  int id;
  static void run(void* data) {
    auto* self = static_cast<Counter*>(data);
    self->order->push_back(self->id);
  }
};

TEST(AsyncCallManager, DispatchRunsOnceAndLateTicketsAreHarmless) {
  auto manager = std::make_unique<FB::AsyncCallManager>();
  std::vector<int> order;
  Counter a{&order, 1}, b{&order, 2};
  void* first = manager->makeCall(&Counter::run, &a);
  void* second = manager->makeCall(&Counter::run, &b);
  EXPECT_EQ(manager->pendingCount(), 2u);
  FB::AsyncCallManager::dispatch(second);
  EXPECT_EQ(order, std::vector<int>{2});
  manager->shutdown();  // the first still pending: runs now
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  FB::AsyncCallManager::dispatch(first);  // delivered after shutdown: nothing runs twice
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST(AsyncCallManager, ShutdownRunsPendingCallsInNumberOrder) {
  auto manager = std::make_unique<FB::AsyncCallManager>();
  std::vector<int> order;
  std::vector<Counter> counters;
  for (int i = 0; i < 5; ++i) counters.push_back(Counter{&order, i});
  std::vector<void*> tickets;
  for (auto& counter : counters) tickets.push_back(manager->makeCall(&Counter::run, &counter));
  manager->shutdown();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  manager.reset();  // tickets outlive their manager
  for (void* ticket : tickets) FB::AsyncCallManager::dispatch(ticket);
  EXPECT_EQ(order.size(), 5u);
}

TEST(AsyncCallManager, CancelledCallsNeverRun) {
  auto manager = std::make_unique<FB::AsyncCallManager>();
  std::vector<int> order;
  Counter a{&order, 1};
  manager->cancel(manager->makeCall(&Counter::run, &a));
  manager->shutdown();
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(manager->pendingCount(), 0u);
  EXPECT_EQ(manager->makeCall(&Counter::run, &a), nullptr);  // closed: not taken
}

TEST(AsyncCallManager, UndeliveredTicketsLeaveNothingBehind) {
  const std::size_t before = FB::AsyncCallManager::pendingCountInProcess();
  std::vector<int> order;
  Counter a{&order, 1};
  void* stale = nullptr;
  {
    FB::AsyncCallManager manager;
    stale = manager.makeCall(&Counter::run, &a);
    manager.makeCall(&Counter::run, &a);
    EXPECT_EQ(FB::AsyncCallManager::pendingCountInProcess(), before + 2);
  }
  EXPECT_EQ(FB::AsyncCallManager::pendingCountInProcess(), before);
  FB::AsyncCallManager::dispatch(stale);  // its manager is gone: nothing runs
  EXPECT_TRUE(order.empty());
}

}  // namespace
