// Test support for the NPAPI binding's tests: the test program's plug-in
// factory (it counts the global initialisation hooks) and the plug-in core
// it makes (it records what the binding tells it), plus an observer that
// records the stream events it hears.
//
// Main thread only, like the code under test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/factory_base.h"
#include "runtime/plugin_core.h"
#include "runtime/plugin_event_sink.h"

namespace FB::Npapi {

class TestCore : public PluginCore {
 public:
  JSAPIPtr createRootObject() override;
  void onReady() override { ++readyCalls; }
  void onShutdown() override { ++shutdownCalls; }
  void detachWindow() override {
    ++detachCalls;
    PluginCore::detachWindow();
  }
  bool handlePluginEvent(PluginEvent*, PluginEventSource*) override { return false; }

  int readyCalls = 0;
  int shutdownCalls = 0;
  int detachCalls = 0;
};

class TestFactory : public FactoryBase {
 public:
  PluginCorePtr createPlugin(const std::string& mimeType) override;
  void globalInitialize() override { ++initializeCalls; }
  void globalDeinitialize() override { ++deinitializeCalls; }
  void resetCounts() { initializeCalls = deinitializeCalls = 0; }

  int initializeCalls = 0;
  int deinitializeCalls = 0;
  std::shared_ptr<TestCore> lastCore;
};

// The process's factory, as the test factory.
TestFactory& testFactory();

// Records the stream events, one word each: "created", "opened",
// "failed", "data:<length>@<offset>:<progress>", "completed:<0|1>",
// "destroyed".
class StreamEventLog : public PluginEventSink {
 public:
  bool handlePluginEvent(PluginEvent* event, PluginEventSource* source) override;
  std::vector<std::string> events;
  std::string lastData;
};

}  // namespace FB::Npapi
