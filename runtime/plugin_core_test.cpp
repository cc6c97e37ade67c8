// The plug-in core's life cycle: page parameters, the windowless query,
// windows, the root object and the delayed "onload" call; the factory and
// the module's name and description texts.
#include "runtime/plugin_core.h"

#include <gtest/gtest.h>

#include "runtime/browser_plugin.h"
#include "runtime/factory_base.h"
#include "runtime/plugin_description.h"
#include "scripting/jsapi_auto.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::variant;
using FB::VariantStringMap;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeScriptObject;

class TestCore : public FB::PluginCore {
 public:
  FB::JSAPIPtr createRootObject() override {
    ++rootsMade;
    return std::make_shared<FB::JSAPIAuto>("root");
  }
  void onReady() override { ++readyCalls; }
  bool handlePluginEvent(FB::PluginEvent* event, FB::PluginEventSource*) override {
    if (dynamic_cast<FB::AttachedEvent*>(event)) ++attached;
    if (dynamic_cast<FB::DetachedEvent*>(event)) ++detached;
    return false;
  }
  int rootsMade = 0, readyCalls = 0, attached = 0, detached = 0;
};

class TestWindow : public FB::PluginWindow {
 public:
  void invalidateWindow() override {}
  FB::WindowRect windowPosition() const override { return {}; }
};

struct Instance {
  std::shared_ptr<FakeBrowserHost> host = FakeBrowserHost::create();
  std::shared_ptr<TestCore> core = std::make_shared<TestCore>();
  Instance() { core->setHost(host); }
};

TEST(PluginCoreParams, OnNamesBecomePageFunctionsOthersStayAsGiven) {
  Instance instance;
  auto clicked = instance.host->window()->setFunction("clicked", [](const VariantVector&) { return variant(); });
  instance.core->setParams(VariantStringMap{{"onclick", "clicked"}, {"color", "red"}, {"Onload", "clicked"},
                                            {"onmissing", "nothing"}, {"onlist", VariantVector{1}}});
  const auto& params = instance.core->params();
  EXPECT_EQ(params.at("onclick").get<FB::JSObjectPtr>(), clicked);
  EXPECT_EQ(params.at("color").get<std::string>(), "red");
  EXPECT_EQ(params.at("Onload").get<std::string>(), "clicked");  // case matters: not a handler
  EXPECT_FALSE(params.at("onmissing").convertTo<FB::JSObjectPtr>());
  EXPECT_TRUE(params.at("onlist").holds<VariantVector>());  // not text: kept unchanged
  EXPECT_EQ(instance.core->getParam("color"), std::optional<std::string>("red"));
  EXPECT_FALSE(instance.core->getParam("size"));

  instance.core->setParams(VariantStringMap{{"color", "blue"}});
  EXPECT_EQ(instance.core->getParam("color"), std::optional<std::string>("blue"));
  EXPECT_TRUE(instance.core->params().count("onclick"));  // other names stay
}

TEST(PluginCoreParams, WindowlessIsDecidedOnce) {
  for (auto [text, expected] : std::vector<std::pair<std::string, bool>>{
           {"TRUE", true}, {"y", true}, {"no", false}, {"maybe", false}}) {
    Instance instance;
    instance.core->setParams(VariantStringMap{{"windowless", text}});
    EXPECT_EQ(instance.core->isWindowless(), expected) << text;
    instance.core->setParams(VariantStringMap{{"windowless", expected ? "false" : "true"}});
    EXPECT_EQ(instance.core->isWindowless(), expected) << text;
  }
  Instance absent;
  EXPECT_FALSE(absent.core->isWindowless());
  Instance list;
  list.core->setParams(VariantStringMap{{"windowless", VariantVector{}}});
  EXPECT_FALSE(list.core->isWindowless());
}

TEST(PluginCoreReady, OnloadIsCalledOnceAfter250msWithTheRootObject) {
  Instance instance;
  std::vector<VariantVector> calls;
  instance.host->window()->setFunction("loaded", [&](const VariantVector& args) {
    calls.push_back(args);
    return variant();
  });
  instance.core->setParams(VariantStringMap{{"onload", "loaded"}});
  EXPECT_TRUE(instance.core->markReady());
  EXPECT_EQ(instance.core->readyCalls, 1);
  auto timers = instance.host->pendingTimers();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].delayMs, 250);
  instance.host->runTimers();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].size(), 1u);
  EXPECT_EQ(calls[0][0].get<FB::JSAPIPtr>(), instance.core->rootScriptObject());
  EXPECT_EQ(instance.core->rootsMade, 1);
  const auto key = std::to_string(reinterpret_cast<std::uintptr_t>(instance.core.get()) +
                                  reinterpret_cast<std::uintptr_t>(instance.core.get()) / 8);
  EXPECT_EQ(instance.host->helperName(), "__FB_CALL_" + key);
}

TEST(PluginCoreReady, AMissingOnloadFunctionSchedulesNothing) {
  Instance instance;
  instance.core->setParams(VariantStringMap{{"onload", "notDefined"}});
  EXPECT_FALSE(instance.core->markReady());
  EXPECT_TRUE(instance.host->pendingTimers().empty());
  EXPECT_EQ(instance.core->readyCalls, 1);

  Instance withoutOnload;
  EXPECT_FALSE(withoutOnload.core->markReady());
  EXPECT_TRUE(withoutOnload.host->scripts().empty());  // no helper without onload
}

TEST(PluginCoreWindows, AttachingTwiceKeepsOneRegistrationAndASecondWindowDetachesTheFirst) {
  Instance instance;
  auto first = std::make_shared<TestWindow>();
  auto second = std::make_shared<TestWindow>();
  instance.core->attachWindow(first.get());
  instance.core->attachWindow(first.get());
  EXPECT_EQ(first->observerCount(), 1u);
  instance.core->attachWindow(second.get());
  EXPECT_EQ(first->observerCount(), 0u);
  EXPECT_EQ(second->observerCount(), 1u);
  EXPECT_EQ(instance.core->currentWindow(), second.get());
  instance.core->detachWindow();
  EXPECT_EQ(second->observerCount(), 0u);
  EXPECT_EQ(instance.core->currentWindow(), nullptr);
  EXPECT_EQ(instance.core->attached, 2);
  EXPECT_EQ(instance.core->detached, 2);
}

TEST(PluginCoreLife, CountsLiveCoresAndShutsItsHostDownWhenDestroyed) {
  const int before = FB::PluginCore::liveCoreCount();
  auto host = FakeBrowserHost::create();
  {
    auto core = std::make_shared<TestCore>();
    core->setHost(host);
    EXPECT_EQ(FB::PluginCore::liveCoreCount(), before + 1);
  }
  EXPECT_EQ(FB::PluginCore::liveCoreCount(), before);
  EXPECT_TRUE(host->isShutDown());
}

TEST(PluginDescription, NameAndDescriptionTexts) {
  EXPECT_EQ(FB::pluginName("application/x-norvellzephel32"), "Norvell Zephel 32 Bit");
  EXPECT_EQ(FB::pluginName(""), "Norvell Zephel 32 Bit");
  EXPECT_EQ(FB::pluginDescription("application/x-norvellzephel32"), "Norvell Zephel - 1.0.7");
  EXPECT_EQ(FB::pluginDescription(""), "");
  EXPECT_EQ(FB::pluginDescription("text/plain"), "");
  FB::setPlatformNames("NPAPI", "Windows");
  EXPECT_EQ(FB::platformBindingName(), "NPAPI");
  EXPECT_EQ(FB::platformOsName(), "Windows");
}

class TestFactory : public FB::FactoryBase {
 public:
  FB::PluginCorePtr createPlugin(const std::string& mimeType) override {
    lastMimeType = mimeType;
    return std::make_shared<TestCore>();
  }
  std::string lastMimeType;
};

class TestBinding : public FB::BrowserPlugin {
 public:
  using FB::BrowserPlugin::BrowserPlugin;
  void bindingReady() override {}
};

TEST(Factory, IsMadeOnceAndBindingsGetTheirCoreFromIt) {
  auto factory = FB::factoryInstance();
  EXPECT_EQ(factory, FB::factoryInstance());
  EXPECT_EQ(factory->logLevel(), 4);
  TestBinding binding("application/x-norvellzephel32");
  ASSERT_TRUE(binding.core());
  EXPECT_EQ(std::static_pointer_cast<TestFactory>(factory)->lastMimeType, "application/x-norvellzephel32");
  binding.setModulePath("/plugins/npNorvellZephel32.so");
  EXPECT_EQ(binding.core()->getModulePath(), "/plugins/npNorvellZephel32.so");
  FB::releaseFactoryInstance();
  EXPECT_NE(FB::factoryInstance(), factory);
  FB::releaseFactoryInstance();
}

}  // namespace

FB::FactoryBasePtr FB::createApplicationFactory() { return std::make_shared<TestFactory>(); }
