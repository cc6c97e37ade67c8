// Test doubles shared by the ActiveX tests: the process's factory (it
// counts the global hooks, which the COM exports drive) and the plug-in
// core it makes, whose root object is a small scriptable sample and which
// records the window events it receives.
// Test thread only.
#pragma once

#include <string>
#include <vector>

#include "runtime/event_recorder_test_support.h"
#include "runtime/factory_base.h"
#include "runtime/plugin_core.h"
#include "scripting/jsapi_auto.h"

namespace FB::ActiveX::testing {

// The root object of a test core: "version" and "echo", no trust rules.
class TestRoot : public JSAPIAuto {
 public:
  TestRoot();
  std::string version() { return "9.9"; }
  variant echo(const variant& value) { return value; }
};

class TestCore : public PluginCore {
 public:
  // Records every window event as a short line; handles none.
  bool handlePluginEvent(PluginEvent* event, PluginEventSource*) override {
    events.push_back(nz_runtime_test::describeEvent(event));
    return false;
  }
  JSAPIPtr createRootObject() override { return std::make_shared<TestRoot>(); }
  bool markReady() override {
    ++readyCalls;
    return PluginCore::markReady();
  }
  int readyCalls = 0;
  std::vector<std::string> events;
};

class TestFactory : public FactoryBase {
 public:
  PluginCorePtr createPlugin(const std::string& mimeType) override;
  void globalInitialize() override { ++initializeCalls; }
  void globalDeinitialize() override { ++deinitializeCalls; }

  int initializeCalls = 0;
  int deinitializeCalls = 0;
  std::weak_ptr<TestCore> lastCore;
};

// The process's factory, as the tests' TestFactory.
TestFactory& testFactory();

}  // namespace FB::ActiveX::testing
