// The browser host: main-thread marshalling from worker threads, shutdown,
// the delayed-call helper, console logging and retained objects.
#include "runtime/browser_host.h"

#include <atomic>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "scripting/jsapi_auto.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::testing::FakeBrowserHost;
using FB::testing::FakeScriptObject;

std::string scriptErrorOf(std::future<int>& result) {
  try {
    result.get();
  } catch (const FB::script_error& e) {
    return e.what();
  }
  return "<no script_error>";
}

TEST(CallOnMainThread, RunsInlineOnTheMainThread) {
  auto host = FakeBrowserHost::create();
  EXPECT_EQ(host->callOnMainThread([] { return 7; }), 7);
  EXPECT_EQ(host->queuedCount(), 0u);
  EXPECT_THROW(host->callOnMainThread([]() -> int { throw FB::invalid_member("x"); }), FB::invalid_member);
}

TEST(CallOnMainThread, WorkerReceivesTheMainThreadsResult) {
  auto host = FakeBrowserHost::create();
  const auto mainId = std::this_thread::get_id();
  auto result = std::async(std::launch::async, [&] {
    return host->callOnMainThread([&] { return std::this_thread::get_id() == mainId ? 42 : -1; });
  });
  ASSERT_TRUE(host->pumpUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(result.get(), 42);
  // A function without result.
  int touched = 0;
  auto done = std::async(std::launch::async, [&] { host->callOnMainThread([&] { touched = 1; }); });
  ASSERT_TRUE(host->pumpUntil([&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  done.get();
  EXPECT_EQ(touched, 1);
}

TEST(CallOnMainThread, ErrorsReachTheWorkerWithTheirMessage) {
  auto host = FakeBrowserHost::create();
  auto scriptFailure = std::async(std::launch::async, [&] {
    return host->callOnMainThread([]() -> int { throw FB::invalid_arguments("bad thing"); });
  });
  auto otherFailure = std::async(std::launch::async, [&] {
    return host->callOnMainThread([]() -> int { throw std::runtime_error("disk on fire"); });
  });
  auto unknownFailure = std::async(std::launch::async, [&] { return host->callOnMainThread([]() -> int { throw 5; }); });
  auto ready = [](std::future<int>& f) { return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
  ASSERT_TRUE(host->pumpUntil([&] { return ready(scriptFailure) && ready(otherFailure) && ready(unknownFailure); }));
  EXPECT_EQ(scriptErrorOf(scriptFailure), "bad thing");
  EXPECT_EQ(scriptErrorOf(otherFailure), "disk on fire");
  EXPECT_EQ(scriptErrorOf(unknownFailure), "Unknown exception");
}

// Shutdown runs the queued call of a waiting worker; the call writes into the
// worker's frame long after the flag is set. The worker must stay until the
// call has finished and then get its result; "Shutting down" is only for a
// call that never started.
TEST(CallOnMainThread, ShutdownLetsAStartedCallFinishAndRefusesLaterCalls) {
  auto host = FakeBrowserHost::create();
  std::atomic<int> ran{0};
  auto waiting = std::async(std::launch::async, [&]() -> std::string {
    std::string local(40, 'a');  // held on the heap, freed when the worker returns
    try {
      const int answer = host->callOnMainThread([&] {
        ++ran;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        local.assign(40, 'b');
        return 7;
      });
      return answer == 7 && local == std::string(40, 'b') ? "result" : "wrong result";
    } catch (const FB::script_error& e) {
      return e.what();
    }
  });
  while (host->queuedCount() == 0) std::this_thread::yield();
  host->shutdown();
  const std::string outcome = waiting.get();
  const int runs = ran.load();
  EXPECT_EQ(outcome, runs == 1 ? "result" : "Shutting down");
  host->pumpMainThread();  // the browser delivering the stale ticket changes nothing
  EXPECT_EQ(ran.load(), runs);

  auto late = std::async(std::launch::async, [&] { return host->callOnMainThread([] { return 1; }); });
  EXPECT_EQ(scriptErrorOf(late), "Could not marshal to main thread");
}

TEST(CallOnMainThread, RefusedPostIsReportedAndNothingLeaks) {
  auto host = FakeBrowserHost::create();
  host->setRefusePosts(true);
  auto refused = std::async(std::launch::async, [&] { return host->callOnMainThread([] { return 1; }); });
  EXPECT_EQ(scriptErrorOf(refused), "Could not marshal to main thread");
  EXPECT_EQ(host->callManager()->pendingCount(), 0u);
}

TEST(ScheduleOnMainThread, RunsOnceKeepsTargetAliveAndSwallowsScriptErrors) {
  auto host = FakeBrowserHost::create();
  auto target = std::make_shared<int>(0);
  std::weak_ptr<int> watch = target;
  host->scheduleOnMainThread(target, [raw = target.get()] { ++*raw; });
  host->scheduleOnMainThread(nullptr, [] { throw FB::script_error("ignored"); });
  host->scheduleOnMainThread(nullptr, [] { return FB::variant().convertTo<int>(); });
  target.reset();
  EXPECT_FALSE(watch.expired());
  EXPECT_EQ(host->pumpMainThread(), 3u);
  EXPECT_TRUE(watch.expired());
}

TEST(ScheduleOnMainThread, PendingCallsRunOnceAtShutdownAndNeverAfter) {
  auto host = FakeBrowserHost::create();
  int runs = 0;
  for (int i = 0; i < 3; ++i) host->scheduleOnMainThread(nullptr, [&] { ++runs; });
  host->shutdown();
  EXPECT_EQ(runs, 3);
  host->pumpMainThread();
  EXPECT_EQ(runs, 3);
  host->scheduleOnMainThread(nullptr, [&] { ++runs; });
  EXPECT_EQ(host->queuedCount(), 0u);
  EXPECT_FALSE(host->scheduleAsyncCall([](void*) {}, nullptr));
}

// Eight workers make cross-thread calls while the main thread pumps, then the
// host shuts down under them; repeated many times. Every call must end with a
// result or one of the two shutdown messages, and nothing may hang. Two more
// workers queue calls from inside a zone of a scriptable object, calls that
// need that object's zone lock when they run: shutdown runs such calls while
// a worker may hold the zone and be scheduling.
TEST(CallOnMainThreadStress, EightWorkersAndShutdownRepeated) {
  constexpr int kRounds = 200;
  constexpr int kWorkers = 8;
  constexpr int kZoneWorkers = 2;
  for (int round = 0; round < kRounds; ++round) {
    auto host = FakeBrowserHost::create();
    auto zoned = std::make_shared<FB::JSAPIAuto>("<zoned>");
    std::atomic<int> results{0}, shuttingDown{0}, couldNotMarshal{0}, other{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
      workers.emplace_back([&, w] {
        while (!stop) {
          try {
            if (host->callOnMainThread([w] { return w; }) == w) ++results;
          } catch (const FB::script_error& e) {
            std::string message = e.what();
            if (message == "Shutting down") {
              ++shuttingDown;
            } else if (message == "Could not marshal to main thread") {
              ++couldNotMarshal;
            } else {
              ++other;
            }
            if (host->isShutDown()) return;
          }
        }
      });
    }
    for (int w = 0; w < kZoneWorkers; ++w) {
      workers.emplace_back([&] {
        // A few calls in flight each, so the main thread's queue drains.
        auto inFlight = std::make_shared<std::atomic<int>>(0);
        while (!stop && !host->isShutDown()) {
          if (inFlight->load() >= 4) {
            std::this_thread::yield();
            continue;
          }
          FB::scoped_zonelock zone(*zoned, 0);
          ++*inFlight;
          host->scheduleOnMainThread(zoned, [zoned, inFlight] {
            zoned->callMethod("toString", {});
            --*inFlight;
          });
        }
      });
    }
    // Pump until a few calls went through (varying per round), then shut down.
    const int target = 5 + round % 20;
    host->pumpUntil([&] { return results.load() >= target; });
    host->shutdown();
    stop = true;
    for (auto& worker : workers) worker.join();
    EXPECT_GE(results.load(), target);
    EXPECT_EQ(other.load(), 0);
    EXPECT_EQ(host->callManager()->pendingCount(), 0u);
  }
}

TEST(ScriptHelper, KeyNameAndTemplate) {
  auto host = FakeBrowserHost::create();
  host->initScriptHelper(800);
  EXPECT_EQ(host->instanceKey(), "900");
  EXPECT_EQ(host->helperName(), "__FB_CALL_900");
  ASSERT_EQ(host->scripts().size(), 1u);
  EXPECT_EQ(host->scripts()[0],
            "window.__FB_CALL_900 = function(delay, f, args, fname) {   if (arguments.length == 3)       return "
            "setTimeout(function() { f.apply(null, args); }, delay);   else       return setTimeout(function() { "
            "f[fname].apply(f, args); }, delay);};");
}

TEST(InvokeDelayed, CallsTheFunctionOrItsMemberThroughThePageTimer) {
  auto host = FakeBrowserHost::create();
  std::vector<FB::VariantVector> seen;
  auto function = FakeScriptObject::function([&](const FB::VariantVector& args) {
    seen.push_back(args);
    return FB::variant();
  });
  auto object = FakeScriptObject::object(host);
  object->setFunction("go", [&](const FB::VariantVector& args) {
    seen.push_back(args);
    return FB::variant();
  });
  // No helper yet: the host installs one on first use.
  EXPECT_EQ(host->invokeDelayed(250, function, {1, "a"}, ""), 1);
  EXPECT_EQ(host->invokeDelayed(0, object, {2}, "go"), 2);
  auto timers = host->pendingTimers();
  ASSERT_EQ(timers.size(), 2u);
  EXPECT_EQ(timers[0].delayMs, 250);
  EXPECT_EQ(timers[0].methodName, "");
  EXPECT_EQ(timers[1].methodName, "go");
  EXPECT_TRUE(seen.empty());
  host->runTimers();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].size(), 2u);
  EXPECT_EQ(seen[1][0].convertTo<int>(), 2);
}

TEST(InvokeDelayed, ReinstallsAVanishedHelperAndAnswersMinusOneWithoutAWindow) {
  auto host = FakeBrowserHost::create();
  auto function = FakeScriptObject::function([](const FB::VariantVector&) { return FB::variant(); });
  EXPECT_EQ(host->invokeDelayed(0, function, {}, ""), 1);
  host->window()->remove(host->helperName());  // the page replaced its window's content
  EXPECT_EQ(host->invokeDelayed(0, function, {}, ""), 2);
  host->removeWindow();
  EXPECT_EQ(host->invokeDelayed(0, function, {}, ""), -1);
}

TEST(HtmlLog, WritesToTheConsoleOnTheMainThread) {
  auto host = FakeBrowserHost::create();
  std::thread([&] { host->htmlLog("from a worker"); }).join();
  EXPECT_TRUE(host->consoleLines().empty());
  host->pumpMainThread();
  EXPECT_EQ(host->consoleLines(), std::vector<std::string>{"from a worker"});
  host->setHtmlLogEnabled(false);
  host->htmlLog("silenced");
  EXPECT_EQ(host->queuedCount(), 0u);
}

TEST(HtmlLog, APageWithoutConsoleIsNotAnError) {
  auto host = FakeBrowserHost::create();
  host->window()->remove("console");
  host->htmlLog("nowhere");
  EXPECT_EQ(host->pumpMainThread(), 1u);
  host->window()->set("console", FB::variant(5));  // not an object: no log call, no failure
  host->htmlLog("still nowhere");
  EXPECT_EQ(host->pumpMainThread(), 1u);
  EXPECT_TRUE(host->consoleLines().empty());
}

class Retained : public FB::JSAPIAuto {
 public:
  explicit Retained(int* prepared) : prepared_(prepared) {}
  void prepareForShutdown() override { ++*prepared_; }

 private:
  int* prepared_;
};

TEST(RetainedObjects, ReleaseRemovesEveryEntryAndShutdownPreparesAndFrees) {
  auto host = FakeBrowserHost::create();
  int prepared = 0;
  auto a = std::make_shared<Retained>(&prepared);
  auto b = std::make_shared<Retained>(&prepared);
  host->retainObject(a);
  host->retainObject(a);
  host->retainObject(b);
  host->releaseObject(a);
  EXPECT_EQ(host->retainedObjectCount(), 1u);
  EXPECT_EQ(host->releasePendingCount(), 1);
  std::weak_ptr<FB::JSAPI> watch = b;
  b.reset();
  host->shutdown();
  EXPECT_EQ(prepared, 1);
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(host->isShutDown());
}

}  // namespace
