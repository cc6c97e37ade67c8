// NPObjectAPI: the plug-in's handle on page objects, used on the main thread
// and from workers, and its deferred release.
#include "npapi/np_object_api.h"

#include <atomic>
#include <thread>

#include "npapi/scripting_test_fixture.h"

namespace nz_npapi_test {
namespace {

using NpapiObjectProxy = NpapiTest;

std::string scriptErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FB::script_error& e) {
    return e.what();
  }
  return "<no error>";
}

TEST_F(NpapiObjectProxy, ReadsWritesCallsAndEnumeratesPageObjects) {
  FB::JSObjectPtr window = host->windowObject();
  FB::JSObjectPtr location = window->readProperty("location").convertTo<FB::JSObjectPtr>();
  EXPECT_EQ(location->readProperty("href").convertTo<std::string>(), FakeNpapiBrowser::kDefaultPageUrl);
  EXPECT_TRUE(window->hasPropertyNamed("console"));
  EXPECT_FALSE(window->hasPropertyNamed("nothing"));

  FB::JSObjectPtr console = window->readProperty("console").convertTo<FB::JSObjectPtr>();
  EXPECT_TRUE(console->hasMethodNamed("log"));
  console->callMethod("log", {"hello"});
  EXPECT_EQ(browser->consoleLines(), std::vector<std::string>{"hello"});

  location->writeProperty("extra", 3);
  EXPECT_EQ(location->readProperty("extra").convertTo<int>(), 3);
  location->deleteProperty("extra");
  EXPECT_EQ(location->memberNames(), std::vector<std::string>{"href"});
  EXPECT_EQ(location->memberCount(), 1u);

  FB::JSObjectPtr array = window->callMethod("Array", {}).convertTo<FB::JSObjectPtr>();
  array->callMethod("push", {"first"});
  EXPECT_TRUE(array->hasPropertyAt(0));
  EXPECT_EQ(array->readPropertyAt(0).convertTo<std::string>(), "first");
  array->writePropertyAt(1, 2);
  EXPECT_EQ(array->readProperty("length").convertTo<int>(), 2);
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiObjectProxy, FailedBrowserCallsNameTheMember) {
  browser->setMissingPropertiesFail(true);
  FB::JSObjectPtr window = host->windowObject();
  EXPECT_EQ(scriptErrorOf([&] { window->readProperty("missingName"); }), "missingName");
  EXPECT_EQ(scriptErrorOf([&] { window->callMethod("noSuchMethod", {}); }), "noSuchMethod");
  EXPECT_EQ(scriptErrorOf([&] { window->callMethod("", {}); }), "");
  EXPECT_EQ(scriptErrorOf([&] { window->constructNew({}); }), "constructor");
}

TEST_F(NpapiObjectProxy, WorkerCallsAreCarriedToTheMainThread) {
  FB::JSObjectPtr window = host->windowObject();
  browser->setMissingPropertiesFail(true);
  std::atomic<bool> done{false};
  std::string href;
  std::string error;
  std::thread worker([&] {
    try {
      FB::JSObjectPtr location = window->readProperty("location").convertTo<FB::JSObjectPtr>();
      href = location->readProperty("href").convertTo<std::string>();
      window->readProperty("absent");
    } catch (const FB::script_error& e) {
      error = e.what();
    }
    done = true;
  });
  EXPECT_TRUE(browser->pumpUntil([&] { return done.load(); }));
  worker.join();
  browser->pump();
  EXPECT_EQ(href, FakeNpapiBrowser::kDefaultPageUrl);
  EXPECT_EQ(error, "absent");
  // offThreadCalls() is checked in TearDown: the worker never touched the browser.
}

TEST_F(NpapiObjectProxy, ProxyDroppedOnAWorkerReleasesOnTheMainThread) {
  NpValue page = browser->newObject();
  auto proxy = std::make_shared<FB::Npapi::NPObjectAPI>(page.objectValue(), host);
  EXPECT_EQ(browser->referenceCount(page.objectValue()), 2u);
  std::thread worker([moved = std::move(proxy)]() mutable { moved.reset(); });
  worker.join();
  EXPECT_EQ(browser->referenceCount(page.objectValue()), 2u);
  host->releasePending();
  EXPECT_EQ(browser->referenceCount(page.objectValue()), 1u);
}

TEST_F(NpapiObjectProxy, ProxyOfAGoneHostAnswersNeutrally) {
  NpValue page = browser->newObject();
  auto proxy = std::make_shared<FB::Npapi::NPObjectAPI>(page.objectValue(), host);
  host->shutdown();
  host.reset();
  EXPECT_FALSE(proxy->isValidObject());
  EXPECT_FALSE(proxy->hasPropertyNamed("x"));
  EXPECT_TRUE(proxy->readProperty("x").isEmpty());
  EXPECT_TRUE(proxy->callMethod("x", {}).isEmpty());
  EXPECT_THROW(proxy->callHandlersBatch("onload", {}, {}, {}), FB::script_error);
}

// Listing members replaces the caller's list, also when there is nothing to
// list: a browser without enumeration, or a host that is gone.
TEST_F(NpapiObjectProxy, MemberListingClearsTheCallersListWhenTheBrowserCannotEnumerate) {
  host->shutdown();
  browser.reset();
  start(17);  // a browser table from before enumeration
  std::vector<std::string> names{"stale"};
  host->windowObject()->collectMemberNames(names);
  EXPECT_TRUE(names.empty());

  NpValue page = browser->newObject();
  auto proxy = std::make_shared<FB::Npapi::NPObjectAPI>(page.objectValue(), host);
  host->shutdown();
  host.reset();
  names = {"stale"};
  proxy->collectMemberNames(names);
  EXPECT_TRUE(names.empty());
}

TEST_F(NpapiObjectProxy, HandlerBatchCallsOwnObjectsAtOnceAndPageHandlersFromTimers) {
  auto own = std::make_shared<Sample>();
  NpValue ownObject = wrap(own);
  NpValue ownFunction = browser->get(ownObject.objectValue(), "record");
  NPVariant incoming = ownFunction.toNPVariant();
  FB::JSObjectPtr ownHandler = host->toVariant(incoming).convertTo<FB::JSObjectPtr>();
  browser->releaseVariant(&incoming);

  std::vector<NpValues> pageCalls;
  NpValue pageFunction = browser->newFunction([&](const NpValues& args) {
    pageCalls.push_back(args);
    return NpValue();
  });
  incoming = pageFunction.toNPVariant();
  FB::JSObjectPtr pageHandler = host->toVariant(incoming).convertTo<FB::JSObjectPtr>();
  browser->releaseVariant(&incoming);

  NpValue sink = browser->newObject();
  std::vector<NpValues> sinkCalls;
  browser->set(sink.objectValue(), "onfire", browser->newFunction([&](const NpValues& args) {
    sinkCalls.push_back(args);
    return NpValue();
  }));
  incoming = sink.toNPVariant();
  FB::JSObjectPtr sinkObject = host->toVariant(incoming).convertTo<FB::JSObjectPtr>();
  browser->releaseVariant(&incoming);

  pageHandler->callHandlersBatch("onfire", {"payload"}, {ownHandler, pageHandler}, {sinkObject});
  ASSERT_EQ(browser->pendingTimers().size(), 2u);
  EXPECT_EQ(browser->pendingTimers()[0].delayMs, 0);
  EXPECT_EQ(browser->pendingTimers()[1].methodName, "onfire");
  EXPECT_TRUE(pageCalls.empty());
  ASSERT_EQ(own->recorded.size(), 1u);
  EXPECT_EQ(own->recorded[0].convertTo<std::string>(), "payload");
  browser->runTimers();
  ASSERT_EQ(pageCalls.size(), 1u);
  EXPECT_EQ(pageCalls[0][0].stringValue(), "payload");
  ASSERT_EQ(sinkCalls.size(), 1u);
  EXPECT_EQ(sinkCalls[0][0].stringValue(), "payload");
}

}  // namespace
}  // namespace nz_npapi_test
