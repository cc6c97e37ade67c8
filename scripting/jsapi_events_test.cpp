// Events of scriptable objects: handler and sink tables, batched and single
// delivery through the page, attribute handlers, DOM-style event objects and
// proxies.
#include <gtest/gtest.h>

#include "scripting/jsapi_auto.h"
#include "scripting/script_error.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::variant;
using FB::VariantStringMap;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeScriptObject;
using FB::testing::FakeScriptObjectPtr;

struct Page {
  std::shared_ptr<FakeBrowserHost> host = FakeBrowserHost::create();
  std::vector<std::pair<std::string, VariantVector>> calls;

  FakeScriptObjectPtr handler(const std::string& label) {
    return FakeScriptObject::function(
        [this, label](const VariantVector& args) {
          calls.emplace_back(label, args);
          return variant();
        },
        host);
  }
  // Runs the queued main-thread steps, then the page timers they set.
  void settle() {
    host->pumpMainThread();
    host->runTimers();
  }
};

TEST(Events, AHandlerIsRegisteredOnceAndRemovedOnce) {
  Page page;
  auto object = std::make_shared<FB::JSAPIAuto>();
  auto h = page.handler("h");
  object->addEventHandler("onready", h);
  object->addEventHandler(L"onready", h);
  object->raiseEvent("onready", {1});
  page.settle();
  ASSERT_EQ(page.calls.size(), 1u);
  EXPECT_EQ(page.calls[0].second[0].convertTo<int>(), 1);

  object->removeEventHandler("onready", h);
  object->raiseEvent("onready", {2});
  page.settle();
  EXPECT_EQ(page.calls.size(), 1u);
  EXPECT_THROW(object->addEventHandler("onready", nullptr), FB::invalid_arguments);
  EXPECT_THROW(object->removeEventSink(nullptr), FB::invalid_arguments);
}

TEST(Events, ABatchCapableContextGetsOneCallWithAllHandlersAndSinks) {
  Page page;
  auto object = std::make_shared<FB::JSAPIAuto>();
  auto first = page.handler("first");
  auto second = page.handler("second");
  auto sink = FakeScriptObject::object(page.host);
  first->setBatchCapable(true);
  object->addEventHandler("onprogress", first);
  object->addEventHandler("onprogress", second);
  object->addEventSink(sink);
  object->raiseEvent("onprogress", {50});
  page.settle();
  auto batches = first->batchCalls();
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(batches[0].eventName, "onprogress");
  EXPECT_EQ(batches[0].handlers.size(), 2u);
  ASSERT_EQ(batches[0].sinks.size(), 1u);
  EXPECT_TRUE(page.calls.empty());  // nothing went singly
  EXPECT_TRUE(sink->calls().empty());
  // A handler that received the batch does not keep itself alive.
  std::weak_ptr<FakeScriptObject> gone = first;
  first.reset();
  object.reset();
  EXPECT_TRUE(gone.expired());
}

TEST(Events, SinksAreCalledByEventNameWhenNoBatchTookTheirContext) {
  Page page;
  auto object = std::make_shared<FB::JSAPIAuto>();
  auto sink = FakeScriptObject::object(page.host);
  std::vector<VariantVector> seen;
  sink->setFunction("oncomplete", [&](const VariantVector& args) {
    seen.push_back(args);
    return variant();
  });
  object->addEventSink(sink);
  object->addEventSink(sink);  // replaces, never doubles
  object->raiseEvent("oncomplete", {true});
  page.settle();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0][0].convertTo<bool>());
  object->removeEventSink(sink);
  object->raiseEvent("oncomplete", {true});
  page.settle();
  EXPECT_EQ(seen.size(), 1u);
}

TEST(Events, AnAttributeHandlerIsCalledBesideAttachedOnes) {
  Page page;
  auto object = std::make_shared<FB::JSAPIAuto>();
  object->writeProperty("onready", FB::JSObjectPtr(page.handler("attribute")));
  object->addEventHandler("onready", page.handler("attached"));
  object->raiseEvent("onready", {});
  page.settle();
  ASSERT_EQ(page.calls.size(), 2u);
  EXPECT_EQ(page.calls[0].first, "attached");
  EXPECT_EQ(page.calls[1].first, "attribute");
}

TEST(Events, DomEventObjectKeepsItsStandardEntries) {
  Page page;
  auto object = std::make_shared<FB::JSAPIAuto>();
  object->addEventHandler("onready", page.handler("h"));
  object->raiseDomEvent("onready", VariantStringMap{{"type", "x"}, {"detail", 5}});
  page.settle();
  ASSERT_EQ(page.calls.size(), 1u);
  ASSERT_EQ(page.calls[0].second.size(), 1u);
  auto event = page.calls[0].second[0].convertTo<VariantStringMap>();
  EXPECT_EQ(event["type"].get<std::string>(), "onready");
  EXPECT_EQ(event["detail"].get<int>(), 5);
  EXPECT_TRUE(event["arguments"].get<VariantVector>().empty());
  EXPECT_EQ(event["eventPhase"].get<int>(), 2);
  EXPECT_EQ(event["namespaceURI"].get<std::string>(), "onready");
  EXPECT_EQ(event["target"].get<FB::JSAPIPtr>(), object);
  // The object, its handler and the delivered event do not keep each other.
  std::weak_ptr<FB::JSAPIAuto> gone = object;
  object.reset();
  page.calls.clear();
  event.clear();
  EXPECT_TRUE(gone.expired());
}

TEST(Events, AnInvalidatedObjectRaisesNothing) {
  Page page;
  auto object = std::make_shared<FB::JSAPIAuto>();
  object->addEventHandler("onready", page.handler("h"));
  object->markInvalid();
  object->raiseEvent("onready", {});
  object->raiseDomEvent("onready", VariantVector{});
  page.settle();
  EXPECT_TRUE(page.calls.empty());
}

TEST(Events, HandlersOfAGonePageAreSkipped) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  FakeScriptObjectPtr orphan;
  {
    Page page;
    orphan = page.handler("orphan");
    object->addEventHandler("onready", orphan);
  }
  EXPECT_NO_THROW(object->raiseEvent("onready", {}));
  try {
    orphan->callLater("", {});
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot invoke asynchronously");
  }
}

class Recorder : public FB::JSAPIAuto {
 public:
  void raiseEvent(const std::string& name, const VariantVector& args) override {
    raised.emplace_back(name, args);
    FB::JSAPIAuto::raiseEvent(name, args);
  }
  std::vector<std::pair<std::string, VariantVector>> raised;
};

TEST(Events, ProxiesReceiveEventsWithTheObjectReplacedEverywhere) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  auto proxy = std::make_shared<Recorder>();
  object->addProxy(proxy);
  FB::JSAPIPtr self = object;
  object->raiseEvent("onchange", {self, VariantVector{self, 1}, VariantStringMap{{"who", self}}});
  ASSERT_EQ(proxy->raised.size(), 1u);
  const VariantVector& args = proxy->raised[0].second;
  FB::JSAPIPtr asProxy = proxy;
  EXPECT_EQ(args[0].get<FB::JSAPIPtr>(), asProxy);
  EXPECT_EQ(args[1].get<VariantVector>()[0].get<FB::JSAPIPtr>(), asProxy);
  EXPECT_EQ(args[1].get<VariantVector>()[1].get<int>(), 1);
  EXPECT_EQ(args[2].get<VariantStringMap>().at("who").get<FB::JSAPIPtr>(), asProxy);

  std::weak_ptr<Recorder> watch = proxy;
  object->removeProxy(proxy);
  object->raiseEvent("onchange", {});
  EXPECT_EQ(proxy->raised.size(), 1u);
  object->addProxy(proxy);
  proxy->raised.clear();  // the recorded arguments refer to the proxy itself
  asProxy.reset();
  proxy.reset();
  EXPECT_NO_THROW(object->raiseEvent("onchange", {}));  // a dead proxy just drops out
  EXPECT_TRUE(watch.expired());
}

TEST(Events, WritePropertyAsyncWritesOnTheMainThread) {
  Page page;
  auto target = FakeScriptObject::object(page.host);
  std::thread([&] { target->writePropertyAsync("status", "done"); }).join();
  EXPECT_FALSE(target->has("status"));
  page.host->pumpMainThread();
  EXPECT_EQ(target->get("status").get<std::string>(), "done");
}

}  // namespace
