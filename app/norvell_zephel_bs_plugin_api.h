// NorvellZephelBSPluginAPI: the root scriptable object of an instance. It is
// PlugInAPI plus the members that manage secondary plug-ins: "version",
// "updatePlugin" (download and install a package), "registerPlugin",
// "unregisterPlugin", "initialize" (load the plug-in list) and
// "unInitialize" (drop it). It owns the instance's plug-in list and refers
// to its plug-in object weakly.
//
// Main thread only: script calls run under the object's zone lock; package
// downloads report on the main thread, where the host delivers stream
// events.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "app/plug_in_api.h"
#include "manager/package_installation.h"
#include "manager/plugin_manifest.h"
#include "scripting/js_object.h"

class NorvellZephelBSPlugin;

class NorvellZephelBSPluginAPI : public PlugInAPI {
 public:
  NorvellZephelBSPluginAPI(const std::shared_ptr<NorvellZephelBSPlugin>& plugin, const FB::BrowserHostPtr& host);
  ~NorvellZephelBSPluginAPI() override;

  std::shared_ptr<NorvellZephelBSPlugin> plugin() const { return plugin_.lock(); }

  // "version": the product version ("1.0.7").
  std::string get_version();
  // "updatePlugin" (norvell_zephel_bs_plugin_api_update.cpp): calls
  // onComplete with true at once when an installed plug-in satisfies the
  // descriptor; otherwise downloads its package (onProgress hears each
  // chunk's size), installs it and then calls onComplete with the outcome.
  // A package address that is not trusted (manager/package_address.h)
  // calls onComplete with false at once and changes nothing.
  void updatePlugin(const std::string& descriptor, const FB::JSObjectPtr& onComplete,
                    const FB::JSObjectPtr& onProgress);
  // "registerPlugin" / "unregisterPlugin": see manager/plugin_registration.h.
  bool registerPlugin(const std::string& descriptor);
  bool unregisterPlugin(const std::string& descriptor);
  // "initialize": appends the manifest file's records to the list.
  void initialize();
  // "unInitialize": empties the list; files stay.
  void unInitialize();

  Norvell::PluginManifest& manifest() { return *manifest_; }
  // Replaces the zip reader that installs downloaded packages. For tests.
  void setPackageExtractorForTesting(Norvell::PackageExtractor extractor) { extractPackage_ = std::move(extractor); }

 private:
  // The page's address (location.href); raises when the page has no window.
  std::string pageAddress();

  std::weak_ptr<NorvellZephelBSPlugin> plugin_;
  // Shared with pending downloads, which may end after this object.
  std::shared_ptr<Norvell::PluginManifest> manifest_;
  Norvell::PackageExtractor extractPackage_;
};
