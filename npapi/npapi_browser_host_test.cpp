// NpapiBrowserHost against the fake browser: the page objects it finds,
// scripts, URLs, proxies, main-thread posting and the delayed-call helper.
#include "npapi/npapi_browser_host.h"

#include <atomic>
#include <stdexcept>

#include "npapi/np_object_api.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/scripting_test_fixture.h"

namespace nz_npapi_test {
namespace {

using NpapiHost = NpapiTest;

std::string runtimeErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "<no error>";
}

TEST_F(NpapiHost, FindsWindowElementAndDocumentAndHoldsOneReferenceEach) {
  auto window = std::dynamic_pointer_cast<FB::Npapi::NPObjectAPI>(host->windowObject());
  auto element = std::dynamic_pointer_cast<FB::Npapi::NPObjectAPI>(host->pluginElement());
  auto document = std::dynamic_pointer_cast<FB::Npapi::NPObjectAPI>(host->documentObject());
  ASSERT_TRUE(window && element && document);
  EXPECT_EQ(window->getNPObject(), browser->window());
  EXPECT_EQ(element->getNPObject(), browser->element());
  EXPECT_EQ(document->getNPObject(), browser->document());
  // The browser's own reference plus the host's (the page's "document"
  // property holds one more on the document).
  EXPECT_EQ(browser->referenceCount(browser->window()), 2u);
  EXPECT_EQ(browser->referenceCount(browser->element()), 2u);
  EXPECT_EQ(browser->referenceCount(browser->document()), 3u);
}

TEST_F(NpapiHost, PageWithoutWindowFailsBeforeCallingTheBrowser) {
  host->shutdown();
  browser->setOffersWindow(false);
  host = std::make_shared<FB::Npapi::NpapiBrowserHost>(browser->instance());
  host->setBrowserFuncs(browser->funcs());
  EXPECT_EQ(runtimeErrorOf([&] { host->windowObject(); }), "Cannot find HTML window");
  EXPECT_EQ(runtimeErrorOf([&] { host->pluginElement(); }), "Cannot find HTML window");
  EXPECT_EQ(runtimeErrorOf([&] { host->documentObject(); }), "Cannot find HTML document");
  EXPECT_EQ(runtimeErrorOf([&] { host->runScript(std::string("1")); }), "Cannot find HTML window");
  EXPECT_TRUE(browser->scripts().empty());
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiHost, RunScriptEvaluatesInTheWindowAndReportsFailure) {
  host->runScript(std::string("var x = 1;"));
  EXPECT_EQ(browser->scripts(), std::vector<std::string>{"var x = 1;"});
  browser->setEvaluateFails(true);
  try {
    host->runScript(std::string("broken("));
    ADD_FAILURE() << "no error";
  } catch (const FB::script_error& e) {
    EXPECT_STREQ(e.what(), "Error executing JavaScript code");
  }
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiHost, OpenUrlWrapsTheRequestInPopupsEnabledState) {
  host->openUrl("https://example.com/", "_blank");
  EXPECT_EQ(browser->calls(), (std::vector<std::string>{"PushPopupsEnabledState 1", "GetURL https://example.com/ _blank",
                                                        "PopPopupsEnabledState"}));
}

TEST_F(NpapiHost, BrowserProxyAnswers) {
  FB::ProxySettings settings{{"old", "entry"}};
  browser->setProxyAnswer(NPERR_NO_ERROR, "DIRECT");
  EXPECT_FALSE(host->proxyForUrl("https://example.com/", settings));
  EXPECT_EQ(settings.size(), 1u);

  browser->setProxyAnswer(NPERR_NO_ERROR, "PROXY cache.example:3128");
  EXPECT_TRUE(host->proxyForUrl("https://example.com/x", settings));
  EXPECT_EQ(settings, (FB::ProxySettings{{"type", "https"}, {"hostname", "cache.example"}, {"port", "3128"}}));

  browser->setProxyAnswer(NPERR_NO_ERROR, "SOCKS socks.example:1080");
  EXPECT_TRUE(host->proxyForUrl("http://example.com/", settings));
  EXPECT_EQ(settings, (FB::ProxySettings{{"type", "socks"}, {"hostname", "socks.example"}, {"port", "1080"}}));

  browser->setProxyAnswer(NPERR_GENERIC_ERROR, "");
  EXPECT_FALSE(host->proxyForUrl("http://example.com/", settings));
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiHost, MainThreadCallsGoThroughTheBrowserQueueUntilShutdown) {
  int ran = 0;
  host->scheduleOnMainThread(nullptr, [&] { ++ran; });
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(browser->pump(), 1u);
  EXPECT_EQ(ran, 1);

  std::atomic<int> fromWorker{0};  // the main thread polls it while the worker writes it
  std::thread worker([&] { fromWorker = host->callOnMainThread([] { return 42; }); });
  EXPECT_TRUE(browser->pumpUntil([&] { return fromWorker == 42; }));
  worker.join();

  host->shutdown();
  EXPECT_FALSE(host->postToMainThread([](void*) {}, nullptr));
  EXPECT_EQ(browser->queuedCount(), 0u);
}

TEST_F(NpapiHost, OlderTableLeavesLaterEntriesOut) {
  host->shutdown();
  browser.reset();
  start(18);
  EXPECT_EQ(host->browserFuncs().pluginthreadasynccall, nullptr);
  EXPECT_NE(host->browserFuncs().enumerate, nullptr);
  EXPECT_EQ(host->browserFuncs().getvalueforurl, nullptr);
  // Without the entry the post is accepted but cannot reach the queue.
  EXPECT_TRUE(host->postToMainThread([](void*) {}, nullptr));
  EXPECT_EQ(browser->queuedCount(), 0u);
}

TEST_F(NpapiHost, ShutdownZeroesTheTableAndDropsThePage) {
  host->shutdown();
  EXPECT_EQ(host->browserFuncs().getproperty, nullptr);
  EXPECT_EQ(runtimeErrorOf([&] { host->windowObject(); }), "Cannot find HTML window");
}

TEST_F(NpapiHost, ObjectsDroppedAfterShutdownAreReleasedThroughTheLiveModule) {
  auto module = FB::Npapi::NpapiPluginModule::acquire();
  module->setBrowserFuncs(*browser->funcs());
  host->shutdown();
  host = std::make_shared<FB::Npapi::NpapiBrowserHost>(module.get(), browser->instance());
  host->setBrowserFuncs(browser->funcs());
  NpValue page = browser->newObject();
  auto proxy = std::make_shared<FB::Npapi::NPObjectAPI>(page.objectValue(), host);
  host->shutdown();
  proxy.reset();
  EXPECT_EQ(browser->referenceCount(page.objectValue()), 1u);
  module.reset();
  FB::Npapi::NpapiPluginModule::release();
}

TEST_F(NpapiHost, InvokeDelayedInstallsTheHelperAndSetsATimer) {
  std::vector<NpValues> calls;
  NpValue function = browser->newFunction([&](const NpValues& args) {
    calls.push_back(args);
    return NpValue();
  });
  NPVariant incoming = function.toNPVariant();
  FB::JSObjectPtr target = host->toVariant(incoming).convertTo<FB::JSObjectPtr>();
  browser->releaseVariant(&incoming);

  const int id = host->invokeDelayed(25, target, {"a", 2}, "");
  EXPECT_GT(id, 0);
  ASSERT_EQ(browser->scripts().size(), 1u);  // the helper, once
  auto timers = browser->pendingTimers();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].delayMs, 25);
  EXPECT_EQ(timers[0].function.objectValue(), function.objectValue());
  EXPECT_TRUE(calls.empty());
  browser->runTimers();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].size(), 2u);
  EXPECT_EQ(calls[0][0].stringValue(), "a");
  EXPECT_EQ(calls[0][1].intValue(), 2);

  host->invokeDelayed(0, target, {}, "");
  EXPECT_EQ(browser->scripts().size(), 1u);  // found on the window this time
}

TEST_F(NpapiHost, HtmlLogReachesThePageConsole) {
  host->htmlLog("logged line");
  browser->pump();
  EXPECT_EQ(browser->consoleLines(), std::vector<std::string>{"logged line"});
}

}  // namespace
}  // namespace nz_npapi_test
