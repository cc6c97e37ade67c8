// NorvellZephelBSPlugin: the application's plug-in core, one per embedded
// instance. It draws nothing and handles no input; its one task is to make
// the instance's root scriptable object (NorvellZephelBSPluginAPI).
//
// Main thread only, like every plug-in core.
#pragma once

#include "runtime/plugin_core.h"

class NorvellZephelBSPlugin : public FB::PluginCore {
 public:
  NorvellZephelBSPlugin();
  ~NorvellZephelBSPlugin() override;

  bool handlePluginEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;
  virtual bool onMouseDown(FB::PluginEvent* event, FB::PluginWindow* window);
  virtual bool onMouseUp(FB::PluginEvent* event, FB::PluginWindow* window);
  virtual bool onMouseMove(FB::PluginEvent* event, FB::PluginWindow* window);
  virtual bool onWindowAttached(FB::PluginEvent* event, FB::PluginWindow* window);
  virtual bool onWindowDetached(FB::PluginEvent* event, FB::PluginWindow* window);

  void onReady() override {}
  // The instance is going away: a dialog still open for it is ended (on
  // Linux its helper program is killed and reaped).
  void onShutdown() override;
  FB::JSAPIPtr createRootObject() override;
  // Always windowed, whatever the page asks.
  bool isWindowless() override { return false; }
};
