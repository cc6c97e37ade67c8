// Tests of FB::PluginEventSource: delivery order, stop on the first sink that
// handles an event, attach/detach notices, and changes to the observer list
// while an event is being delivered.
#include "runtime/plugin_event_source.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using FB::PluginEvent;
using FB::PluginEventSink;
using FB::PluginEventSource;

class PingEvent : public PluginEvent {};

std::string kindOf(PluginEvent* event) {
  if (dynamic_cast<FB::AttachedEvent*>(event)) return "attached";
  if (dynamic_cast<FB::DetachedEvent*>(event)) return "detached";
  return "ping";
}

class RecordingSink : public PluginEventSink {
 public:
  RecordingSink(std::string name, std::vector<std::string>* log, bool handles = false)
      : name_(std::move(name)), log_(log), handles_(handles) {}

  bool handlePluginEvent(PluginEvent* event, PluginEventSource* source) override {
    lastSource = source;
    log_->push_back(name_ + ":" + kindOf(event));
    if (onPing && kindOf(event) == "ping") onPing();
    return handles_;
  }

  std::function<void()> onPing;
  PluginEventSource* lastSource = nullptr;

 private:
  std::string name_;
  std::vector<std::string>* log_;
  bool handles_;
};

using Log = std::vector<std::string>;

TEST(PluginEventSourceTest, OffersEventsInOrderAndStopsAtTheFirstSinkThatHandlesThem) {
  Log log;
  auto source = std::make_shared<PluginEventSource>();
  auto a = std::make_shared<RecordingSink>("a", &log);
  auto b = std::make_shared<RecordingSink>("b", &log, true);
  auto c = std::make_shared<RecordingSink>("c", &log);
  source->addObserver(a);
  source->addObserver(b);
  source->addObserver(c);
  log.clear();

  PingEvent ping;
  EXPECT_TRUE(source->sendEvent(&ping));
  EXPECT_EQ(log, (Log{"a:ping", "b:ping"}));
  EXPECT_EQ(a->lastSource, source.get());

  source->removeObserver(b);
  log.clear();
  EXPECT_FALSE(source->sendEvent(&ping));
  EXPECT_EQ(log, (Log{"a:ping", "c:ping"}));
}

TEST(PluginEventSourceTest, AttachedAndDetachedGoToThatObserverAlone) {
  Log log;
  auto source = std::make_shared<PluginEventSource>();
  auto a = std::make_shared<RecordingSink>("a", &log);
  auto b = std::make_shared<RecordingSink>("b", &log);
  source->addObserver(a);
  source->addObserver(b);
  source->removeObserver(a);
  EXPECT_EQ(log, (Log{"a:attached", "b:attached", "a:detached"}));
  EXPECT_EQ(source->observerCount(), 1u);

  log.clear();
  PingEvent ping;
  source->sendEvent(&ping);
  EXPECT_EQ(log, (Log{"b:ping"}));
}

TEST(PluginEventSourceTest, PlainPointerFormsWorkThroughTheSinksSharedReference) {
  Log log;
  auto source = std::make_shared<PluginEventSource>();
  auto a = std::make_shared<RecordingSink>("a", &log);
  source->addObserver(a.get());
  source->removeObserver(a.get());
  EXPECT_EQ(log, (Log{"a:attached", "a:detached"}));
  EXPECT_EQ(source->observerCount(), 0u);

  RecordingSink unshared("u", &log);
  EXPECT_THROW(source->addObserver(&unshared), std::bad_weak_ptr);
  // Removal by a sink without shared owner (as from its destructor) just
  // drops entries and sends nothing.
  log.clear();
  source->removeObserver(&unshared);
  EXPECT_TRUE(log.empty());
}

TEST(PluginEventSourceTest, SinksThatAreGoneAreSkipped) {
  Log log;
  auto source = std::make_shared<PluginEventSource>();
  auto a = std::make_shared<RecordingSink>("a", &log, true);
  auto b = std::make_shared<RecordingSink>("b", &log);
  source->addObserver(a);
  source->addObserver(b);
  a.reset();
  log.clear();
  PingEvent ping;
  EXPECT_FALSE(source->sendEvent(&ping));
  EXPECT_EQ(log, (Log{"b:ping"}));
  EXPECT_EQ(source->observerCount(), 1u);
}

TEST(PluginEventSourceTest, ListChangesDuringDeliveryTakeEffectAtTheNextEvent) {
  Log log;
  auto source = std::make_shared<PluginEventSource>();
  auto a = std::make_shared<RecordingSink>("a", &log);
  auto b = std::make_shared<RecordingSink>("b", &log);
  auto c = std::make_shared<RecordingSink>("c", &log);
  source->addObserver(a);
  source->addObserver(b);
  bool changed = false;
  a->onPing = [&] {
    if (changed) return;
    changed = true;
    source->removeObserver(a);
    source->addObserver(c);
  };
  log.clear();
  PingEvent ping;
  source->sendEvent(&ping);
  EXPECT_EQ(log, (Log{"a:ping", "a:detached", "c:attached", "b:ping"}));
  log.clear();
  source->sendEvent(&ping);
  EXPECT_EQ(log, (Log{"b:ping", "c:ping"}));
}

TEST(PluginEventSourceTest, SourceOutlivesADeliveryThatDropsItsLastOtherHolder) {
  Log log;
  auto source = std::make_shared<PluginEventSource>();
  std::weak_ptr<PluginEventSource> watch = source;
  EXPECT_EQ(source->selfReference(), source);
  auto a = std::make_shared<RecordingSink>("a", &log);
  auto b = std::make_shared<RecordingSink>("b", &log);
  source->addObserver(a);
  source->addObserver(b);
  PluginEventSource* raw = source.get();
  a->onPing = [&] { source.reset(); };
  log.clear();
  PingEvent ping;
  raw->sendEvent(&ping);
  EXPECT_EQ(log, (Log{"a:ping", "b:ping"}));
  EXPECT_EQ(b->lastSource, raw);
  EXPECT_TRUE(watch.expired());
}

class CountingSink : public PluginEventSink {
 public:
  bool handlePluginEvent(PluginEvent* event, PluginEventSource*) override {
    if (dynamic_cast<FB::AttachedEvent*>(event)) {
      ++attached;
    } else {
      ++pings;
    }
    return false;
  }
  std::atomic<int> attached{0};
  std::atomic<int> pings{0};
};

TEST(PluginEventSourceTest, ObserversMayBeAddedAndEventsSentFromSeveralThreads) {
  auto source = std::make_shared<PluginEventSource>();
  constexpr int kPerThread = 200;
  std::vector<std::shared_ptr<CountingSink>> sinks[2];
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        sinks[t].push_back(std::make_shared<CountingSink>());
        source->addObserver(sinks[t].back());
        PingEvent ping;
        source->sendEvent(&ping);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(source->observerCount(), 2u * kPerThread);
  for (const auto& group : sinks) {
    for (const auto& sink : group) {
      EXPECT_EQ(sink->attached.load(), 1);
      // At least the ping its own thread sent right after adding it.
      EXPECT_GE(sink->pings.load(), 1);
    }
  }
}

}  // namespace
