#include "npapi/npapi_test_support.h"

#include <cstdio>

#include "runtime/stream_events.h"
#include "scripting/jsapi_auto.h"

namespace FB::Npapi {

JSAPIPtr TestCore::createRootObject() { return std::make_shared<JSAPIAuto>("root"); }

PluginCorePtr TestFactory::createPlugin(const std::string&) {
  lastCore = std::make_shared<TestCore>();
  return lastCore;
}

TestFactory& testFactory() { return static_cast<TestFactory&>(*factoryInstance()); }

bool StreamEventLog::handlePluginEvent(PluginEvent* event, PluginEventSource*) {
  if (dynamic_cast<StreamCreatedEvent*>(event)) events.push_back("created");
  if (dynamic_cast<StreamOpenedEvent*>(event)) events.push_back("opened");
  if (dynamic_cast<StreamFailedOpenEvent*>(event)) events.push_back("failed");
  if (auto* data = dynamic_cast<StreamDataArrivedEvent*>(event)) {
    char progress[32];
    std::snprintf(progress, sizeof progress, "%g", static_cast<double>(data->progress()));
    events.push_back("data:" + std::to_string(data->length()) + "@" + std::to_string(data->offset()) + ":" +
                     progress);
    lastData.assign(reinterpret_cast<const char*>(data->data()), data->length());
  }
  if (auto* completed = dynamic_cast<StreamCompletedEvent*>(event)) {
    events.push_back(completed->success() ? "completed:1" : "completed:0");
  }
  if (dynamic_cast<StreamDestroyedEvent*>(event)) events.push_back("destroyed");
  return false;
}

}  // namespace FB::Npapi

FB::FactoryBasePtr FB::createApplicationFactory() { return std::make_shared<FB::Npapi::TestFactory>(); }
