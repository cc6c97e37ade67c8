// "updatePlugin": answers from the installed plug-ins, or downloads the
// package through the browser and installs it when the download ends.
#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "app/norvell_zephel_bs_plugin_api.h"
#include "app/norvell_zephel_bs_stream_helper.h"
#include "app/trusted_site.h"
#include "manager/installed_plugin_lookup.h"
#include "manager/package_address.h"
#include "manager/package_installation.h"
#include "manager/plugin_entry_json.h"
#include "runtime/diagnostic_log.h"
#include "runtime/dom/window.h"
#include "scripting/script_error.h"
#include "scripting/uri.h"

namespace {

// The end of a package download: installs it, then tells the page.
// Runs from the host's stream delivery, so nothing may escape it.
void onPackageDownloaded(const std::shared_ptr<Norvell::PluginManifest>& manifest,
                         const std::shared_ptr<Norvell::PluginEntry>& entry, const FB::JSObjectPtr& onComplete,
                         const Norvell::PackageExtractor& extract, bool success,
                         const FB::SimpleStreamHelper::ByteArray& data, std::size_t size) {
  const bool installed = Norvell::finishPackageDownload(*manifest, entry, success && data, data.get(),
                                                        data ? size : 0, extract);
  if (!onComplete) return;
  try {
    onComplete->callMethod("", FB::VariantVector{installed});
  } catch (const std::exception& e) {
    FB::diagnostic("NorvellZephelBSPluginAPI",
                   [&] { return std::string("The completion function failed: ") + e.what(); });
  }
}

}  // namespace

std::string NorvellZephelBSPluginAPI::pageAddress() {
  const FB::BrowserHostPtr& browser = host();
  std::shared_ptr<FB::DOM::Window> window = browser ? browser->wrapWindow(browser->windowObject()) : nullptr;
  if (!window) throw FB::script_error("Cannot find HTML window");
  return window->location();
}

void NorvellZephelBSPluginAPI::updatePlugin(const std::string& descriptor, const FB::JSObjectPtr& onComplete,
                                            const FB::JSObjectPtr& onProgress) {
  Norvell::PluginEntry request;
  Norvell::parseDescriptor(descriptor, request);
  if (Norvell::findSatisfyingEntry(*manifest_, request)) {
    if (onComplete) onComplete->callMethod("", FB::VariantVector{true});
    return;
  }
  // A package from anywhere but the maker's servers is refused before
  // anything is recorded or written: an injected script must not install
  // native code from its own server.
  const std::optional<std::string> trusted = Norvell::trustedPackageAddress(
      request.ZipPackageURL, request.Siteversion, [this] { return pageAddress(); },
      [](const std::string& url) { return Norvell::isTrustedPageUrl(url); });
  if (!trusted) {
    if (onComplete) onComplete->callMethod("", FB::VariantVector{false});
    return;
  }
  request.ZipPackageURL = *trusted;
  request.PluginVersion.clear();  // the package tells the real one
  // Parsed before the record is added: an address that cannot be parsed
  // fails the call and leaves the list as it was.
  const FB::URI address(request.ZipPackageURL);

  std::shared_ptr<Norvell::PluginEntry> entry = manifest_->addEntryCopy(request);
  entry->downloading = true;
  auto completion = [manifest = manifest_, entry, onComplete, extract = extractPackage_](
                        bool success, const FB::SimpleStreamHelper::HeaderFields&,
                        const FB::SimpleStreamHelper::ByteArray& data, std::size_t size) {
    onPackageDownloaded(manifest, entry, onComplete, extract, success, data, size);
  };
  try {
    // The download keeps itself alive until its stream ends.
    Norvell::NorvellZephelBSStreamHelper::startDownload(onProgress, host(), address, completion);
  } catch (...) {
    // No download will ever report for this record.
    if (entry->downloading) Norvell::finishPackageDownload(*manifest_, entry, false, nullptr, 0, nullptr);
    throw;
  }
}
