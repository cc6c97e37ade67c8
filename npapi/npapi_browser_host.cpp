#include "npapi/npapi_browser_host.h"

#include <cstring>
#include <stdexcept>

#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "npapi/np_variant_conversion.h"
#include "npapi/npapi_plugin_module.h"
#include "runtime/diagnostic_log.h"

namespace FB::Npapi {

NpapiBrowserHost::NpapiBrowserHost(NpapiPluginModule* module, NPP instance) : module_(module), instance_(instance) {}

NpapiBrowserHost::NpapiBrowserHost(NPP instance) : NpapiBrowserHost(nullptr, instance) {}

NpapiBrowserHost::~NpapiBrowserHost() = default;

// The table is copied by the browser's version: entries that came with a
// later version than the browser's stay null, and the Java entries are never
// taken.
void NpapiBrowserHost::setBrowserFuncs(const NPNetscapeFuncs* funcs) {
  funcs_ = NPNetscapeFuncs{};
  if (!funcs) return;
  // The module's copy already follows the browser's version; copying it
  // again by the same rule keeps a table given directly (tests) honest too.
  copyBrowserFuncs(*funcs, funcs_);

  // The page's window and the plug-in element; each NPN_GetValue answer
  // carries one reference, which the proxy replaces with its own.
  NPObject* window = nullptr;
  NPObject* element = nullptr;
  if (GetValue(NPNVWindowNPObject, &window) != NPERR_NO_ERROR) window = nullptr;
  if (GetValue(NPNVPluginElementNPObject, &element) != NPERR_NO_ERROR) element = nullptr;
  try {
    if (window) window_ = proxyFor(window);
    if (element) element_ = proxyFor(element);
  } catch (const std::exception&) {
    window_.reset();
    element_.reset();
  }
  if (window) ReleaseObject(window);
  if (element) ReleaseObject(element);

  if (window_) {
    try {
      variant document = window_->readProperty("document");
      if (document.holds<JSObjectPtr>()) {
        document_ = std::dynamic_pointer_cast<NPObjectAPI>(document.get<JSObjectPtr>());
      }
    } catch (const std::exception&) {
      document_.reset();
    }
  }
}

NPObjectAPIPtr NpapiBrowserHost::proxyFor(NPObject* object) {
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  return std::make_shared<NPObjectAPI>(object, self);
}

JSObjectPtr NpapiBrowserHost::windowObject() {
  if (!window_) throw std::runtime_error("Cannot find HTML window");
  return window_;
}

JSObjectPtr NpapiBrowserHost::pluginElement() {
  if (!element_) throw std::runtime_error("Cannot find HTML window");
  return element_;
}

JSObjectPtr NpapiBrowserHost::documentObject() {
  if (!document_) throw std::runtime_error("Cannot find HTML document");
  return document_;
}

void NpapiBrowserHost::openUrl(const std::string& url, const std::string& target) {
  PushPopupsEnabledState(true);
  GetURL(url.c_str(), target.c_str());
  PopPopupsEnabledState();
}

void NpapiBrowserHost::runScript(const std::string& script) {
  NPVariant text;
  text.type = NPVariantType_Void;
  text.value.objectValue = nullptr;
  toNPVariant(variant(script), text);
  if (!window_) {
    ReleaseVariantValue(&text);
    throw std::runtime_error("Cannot find HTML window");
  }
  NPVariant result;
  result.type = NPVariantType_Void;
  result.value.objectValue = nullptr;
  const bool ran = Evaluate(window_->getNPObject(), &text.value.stringValue, &result);
  ReleaseVariantValue(&text);
  if (!ran) throw script_error("Error executing JavaScript code");
  ReleaseVariantValue(&result);
}

void NpapiBrowserHost::shutdown() {
  // Each wrapper's functions lose their attributes, which may hold
  // wrappers (this one or others): each is looked up only when its turn
  // comes, as an earlier one may have let it go.
  std::vector<std::weak_ptr<ShareableReference<NPJavascriptObject>>> wrappers;
  for (const auto& [api, entry] : wrappers_) wrappers.push_back(entry.wrapper);
  for (const auto& weak : wrappers) {
    if (auto wrapper = weak.lock()) wrapper->get()->dropBuiltInFunctions();
  }
  // The browser's objects that the proxies below hold can no longer be
  // released once the table is gone; release them first.
  releasePending();
  funcs_ = NPNetscapeFuncs{};
  BrowserHost::shutdown();
  dropDomProxies();
  releaseStartedStreams();
}

void NpapiBrowserHost::dropDomProxies() {
  window_.reset();
  element_.reset();
  document_.reset();
}

bool NpapiBrowserHost::postToMainThread(AsyncFunction function, void* data) {
  if (isShutDown()) return false;
  PluginThreadAsyncCall(function, data);
  return true;
}

void NpapiBrowserHost::releaseLater(NPObject* object) {
  {
    std::lock_guard<std::mutex> lock(releaseLock_);
    pendingReleases_.push_back(object);
  }
  if (isMainThread()) releasePending();
}

// Main thread only: from anywhere else the queue waits for the main thread.
void NpapiBrowserHost::releasePending() {
  if (!isMainThread()) return;
  for (;;) {
    NPObject* object = nullptr;
    {
      std::lock_guard<std::mutex> lock(releaseLock_);
      if (pendingReleases_.empty()) break;
      object = pendingReleases_.front();
      pendingReleases_.pop_front();
    }
    ReleaseObject(object);
  }
  for (auto it = wrappers_.begin(); it != wrappers_.end();) {
    it = it->second.wrapper.expired() ? wrappers_.erase(it) : std::next(it);
  }
}

NPObject* NpapiBrowserHost::wrapperForApi(const JSAPIPtr& api, bool retain) {
  if (!api) return nullptr;
  auto found = wrappers_.find(api.get());
  if (found != wrappers_.end()) {
    if (auto reference = found->second.wrapper.lock()) {
      NPObject* wrapper = reference->get();
      RetainObject(wrapper);
      if (retain && !found->second.retained) {
        retainObject(api);
        found->second.retained = true;
      }
      return wrapper;
    }
    wrappers_.erase(found);
  }
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  NPJavascriptObject* wrapper = NPJavascriptObject::newObject(self, api, true);
  if (!wrapper) return nullptr;
  if (retain) retainObject(api);
  wrappers_[api.get()] = WrapperEntry{wrapper->weakReference(), retain};
  return wrapper;
}

variant NpapiBrowserHost::toVariant(const NPVariant& value) {
  return Npapi::toVariant(std::static_pointer_cast<NpapiBrowserHost>(shared_from_this()), value);
}

void NpapiBrowserHost::toNPVariant(const variant& value, NPVariant& result) {
  Npapi::toNPVariant(std::static_pointer_cast<NpapiBrowserHost>(shared_from_this()), value, result);
}

}  // namespace FB::Npapi
