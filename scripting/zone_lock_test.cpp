// The zone lock serialises threads calling into one object: a member
// function never runs twice at once, and a thread inside a zone keeps every
// other thread out until it leaves.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "scripting/jsapi_auto.h"

namespace {

class Busy : public FB::JSAPIAuto {
 public:
  Busy() { addMethod("work", FB::makeMethod(this, &Busy::work)); }

  int work() {
    if (inside_.fetch_add(1) != 0) overlaps_.fetch_add(1);
    int seen = total_;  // a read-modify-write that loses updates without the lock
    std::this_thread::yield();
    total_ = seen + 1;
    inside_.fetch_sub(1);
    return total_;
  }

  std::atomic<int> overlaps_{0};
  int total_ = 0;

 private:
  std::atomic<int> inside_{0};
};

TEST(ZoneLock, TwoThreadsCallingOneObjectAreSerialised) {
  auto object = std::make_shared<Busy>();
  constexpr int kCalls = 20000;
  auto hammer = [&] {
    for (int i = 0; i < kCalls; ++i) object->callMethod("work", {});
  };
  std::thread a(hammer), b(hammer);
  a.join();
  b.join();
  EXPECT_EQ(object->overlaps_.load(), 0);
  EXPECT_EQ(object->total_, 2 * kCalls);
}

TEST(ZoneLock, AThreadInsideAZoneExcludesOthersUntilItLeaves) {
  auto object = std::make_shared<Busy>();
  object->enterZone(1);
  std::atomic<bool> started{false};
  auto other = std::async(std::launch::async, [&] {
    started = true;
    return object->callMethod("work", {}).get<int>();
  });
  while (!started) std::this_thread::yield();
  // The other thread cannot get in while this one holds the zone.
  EXPECT_EQ(other.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  EXPECT_EQ(object->currentZone(), 1);
  object->leaveZone();
  EXPECT_EQ(other.get(), 1);
}

TEST(ZoneLock, IsRecursiveForTheOwningThread) {
  auto object = std::make_shared<Busy>();
  FB::scoped_zonelock outer(*object, 1);
  FB::scoped_zonelock inner(*object, 2);
  EXPECT_EQ(object->callMethod("work", {}).get<int>(), 1);
  EXPECT_EQ(object->currentZone(), 2);
}

}  // namespace
