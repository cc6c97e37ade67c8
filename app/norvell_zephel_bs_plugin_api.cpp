#include "app/norvell_zephel_bs_plugin_api.h"

#include "app/norvell_zephel_bs_plugin.h"
#include "manager/package_extraction.h"
#include "manager/plugin_registration.h"
#include "nz_version.h"

NorvellZephelBSPluginAPI::NorvellZephelBSPluginAPI(const std::shared_ptr<NorvellZephelBSPlugin>& plugin,
                                                   const FB::BrowserHostPtr& host)
    : PlugInAPI(host),
      plugin_(plugin),
      manifest_(std::make_shared<Norvell::PluginManifest>()),
      extractPackage_(Norvell::extractPackage) {
  addProperty("version", FB::makeProperty(this, &NorvellZephelBSPluginAPI::get_version));
  addMethod("updatePlugin", FB::makeMethod(this, &NorvellZephelBSPluginAPI::updatePlugin));
  addMethod("registerPlugin", FB::makeMethod(this, &NorvellZephelBSPluginAPI::registerPlugin));
  addMethod("unregisterPlugin", FB::makeMethod(this, &NorvellZephelBSPluginAPI::unregisterPlugin));
  addMethod("initialize", FB::makeMethod(this, &NorvellZephelBSPluginAPI::initialize));
  addMethod("unInitialize", FB::makeMethod(this, &NorvellZephelBSPluginAPI::unInitialize));
}

NorvellZephelBSPluginAPI::~NorvellZephelBSPluginAPI() = default;

std::string NorvellZephelBSPluginAPI::get_version() { return NZ_VERSION_TEXT; }

bool NorvellZephelBSPluginAPI::registerPlugin(const std::string& descriptor) {
  return Norvell::registerPlugin(*manifest_, descriptor);
}

bool NorvellZephelBSPluginAPI::unregisterPlugin(const std::string& descriptor) {
  return Norvell::unregisterPlugin(*manifest_, descriptor);
}

void NorvellZephelBSPluginAPI::initialize() { manifest_->loadManifest(); }

void NorvellZephelBSPluginAPI::unInitialize() { manifest_->entries().clear(); }
