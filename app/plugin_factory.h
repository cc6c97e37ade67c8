// PluginFactory: the application's factory; every instance, whatever its
// MIME type, is a NorvellZephelBSPlugin. Main thread only.
#pragma once

#include "runtime/factory_base.h"

class PluginFactory : public FB::FactoryBase {
 public:
  FB::PluginCorePtr createPlugin(const std::string& mimeType) override;
};
