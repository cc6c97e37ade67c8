#include "app/norvell_zephel_bs_plugin.h"

#include "app/norvell_zephel_bs_plugin_api.h"
#include "platform/platform.h"

NorvellZephelBSPlugin::NorvellZephelBSPlugin() = default;

NorvellZephelBSPlugin::~NorvellZephelBSPlugin() {
  clearRootObject();
  if (host()) host()->freeRetainedObjects();
}

bool NorvellZephelBSPlugin::handlePluginEvent(FB::PluginEvent* event, FB::PluginEventSource* source) {
  auto* window = dynamic_cast<FB::PluginWindow*>(source);
  if (!window) return false;
  if (dynamic_cast<FB::AttachedEvent*>(event)) return onWindowAttached(event, window);
  if (dynamic_cast<FB::DetachedEvent*>(event)) return onWindowDetached(event, window);
  // Mouse events arrive with the platform windows; until then none is sent.
  return false;
}

bool NorvellZephelBSPlugin::onMouseDown(FB::PluginEvent*, FB::PluginWindow*) { return false; }
bool NorvellZephelBSPlugin::onMouseUp(FB::PluginEvent*, FB::PluginWindow*) { return false; }
bool NorvellZephelBSPlugin::onMouseMove(FB::PluginEvent*, FB::PluginWindow*) { return false; }
bool NorvellZephelBSPlugin::onWindowAttached(FB::PluginEvent*, FB::PluginWindow*) { return false; }
bool NorvellZephelBSPlugin::onWindowDetached(FB::PluginEvent*, FB::PluginWindow*) { return false; }

void NorvellZephelBSPlugin::onShutdown() { FB::Platform::instance().endDialogs(); }

FB::JSAPIPtr NorvellZephelBSPlugin::createRootObject() {
  return std::make_shared<NorvellZephelBSPluginAPI>(sharedFromThis<NorvellZephelBSPlugin>(), host());
}
