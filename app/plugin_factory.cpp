#include "app/plugin_factory.h"

#include "app/norvell_zephel_bs_plugin.h"

FB::PluginCorePtr PluginFactory::createPlugin(const std::string&) {
  return std::make_shared<NorvellZephelBSPlugin>();
}

FB::FactoryBasePtr FB::createApplicationFactory() { return std::make_shared<PluginFactory>(); }
