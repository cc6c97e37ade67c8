#include "app/norvell_zephel_bs_plugin_api.h"

#include "app/norvell_zephel_bs_plugin.h"

NorvellZephelBSPluginAPI::NorvellZephelBSPluginAPI(const std::shared_ptr<NorvellZephelBSPlugin>& plugin,
                                                   const FB::BrowserHostPtr& host)
    : PlugInAPI(host), plugin_(plugin) {}

NorvellZephelBSPluginAPI::~NorvellZephelBSPluginAPI() = default;
