// NorvellZephelBSPluginAPI: the root scriptable object of an instance. It is
// PlugInAPI plus, later, the members that manage secondary plug-ins; it
// refers to its plug-in object weakly.
//
// Main thread only (script calls).
#pragma once

#include <memory>

#include "app/plug_in_api.h"

class NorvellZephelBSPlugin;

class NorvellZephelBSPluginAPI : public PlugInAPI {
 public:
  NorvellZephelBSPluginAPI(const std::shared_ptr<NorvellZephelBSPlugin>& plugin, const FB::BrowserHostPtr& host);
  ~NorvellZephelBSPluginAPI() override;

  std::shared_ptr<NorvellZephelBSPlugin> plugin() const { return plugin_.lock(); }

 private:
  std::weak_ptr<NorvellZephelBSPlugin> plugin_;
};
