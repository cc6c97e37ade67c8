#include "npapi/npapi_browser_host.h"

#include <cstring>
#include <stdexcept>

#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "npapi/np_variant_conversion.h"
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
  const NPNetscapeFuncs& in = *funcs;
  funcs_.size = in.size;
  funcs_.version = in.version;
  funcs_.geturl = in.geturl;
  funcs_.posturl = in.posturl;
  funcs_.requestread = in.requestread;
  funcs_.newstream = in.newstream;
  funcs_.write = in.write;
  funcs_.destroystream = in.destroystream;
  funcs_.status = in.status;
  funcs_.uagent = in.uagent;
  funcs_.memalloc = in.memalloc;
  funcs_.memfree = in.memfree;
  funcs_.memflush = in.memflush;
  funcs_.reloadplugins = in.reloadplugins;
  funcs_.geturlnotify = in.geturlnotify;
  funcs_.posturlnotify = in.posturlnotify;
  funcs_.getvalue = in.getvalue;
  funcs_.setvalue = in.setvalue;
  funcs_.invalidaterect = in.invalidaterect;
  funcs_.invalidateregion = in.invalidateregion;
  funcs_.forceredraw = in.forceredraw;
  funcs_.getstringidentifier = in.getstringidentifier;
  funcs_.getstringidentifiers = in.getstringidentifiers;
  funcs_.getintidentifier = in.getintidentifier;
  funcs_.identifierisstring = in.identifierisstring;
  funcs_.utf8fromidentifier = in.utf8fromidentifier;
  funcs_.intfromidentifier = in.intfromidentifier;
  funcs_.createobject = in.createobject;
  funcs_.retainobject = in.retainobject;
  funcs_.releaseobject = in.releaseobject;
  funcs_.invoke = in.invoke;
  funcs_.invokeDefault = in.invokeDefault;
  funcs_.evaluate = in.evaluate;
  funcs_.getproperty = in.getproperty;
  funcs_.setproperty = in.setproperty;
  funcs_.removeproperty = in.removeproperty;
  funcs_.hasproperty = in.hasproperty;
  funcs_.hasmethod = in.hasmethod;
  funcs_.releasevariantvalue = in.releasevariantvalue;
  funcs_.setexception = in.setexception;
  funcs_.construct = in.construct;
  if (in.version >= NPVERS_HAS_POPUPS_ENABLED_STATE) {
    funcs_.pushpopupsenabledstate = in.pushpopupsenabledstate;
    funcs_.poppopupsenabledstate = in.poppopupsenabledstate;
  }
  if (in.version >= NPVERS_HAS_NPOBJECT_ENUM) funcs_.enumerate = in.enumerate;
  if (in.version >= NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL) funcs_.pluginthreadasynccall = in.pluginthreadasynccall;
  if (in.version >= NPVERS_HAS_URL_AND_AUTH_INFO) {
    funcs_.getvalueforurl = in.getvalueforurl;
    funcs_.setvalueforurl = in.setvalueforurl;
    funcs_.getauthenticationinfo = in.getauthenticationinfo;
  }
  if (in.version >= 23) {
    funcs_.scheduletimer = in.scheduletimer;
    funcs_.unscheduletimer = in.unscheduletimer;
  }

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
  // The browser's objects that the proxies below hold can no longer be
  // released once the table is gone; release them first.
  releasePending();
  funcs_ = NPNetscapeFuncs{};
  BrowserHost::shutdown();
  dropDomProxies();
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
    it = it->second.expired() ? wrappers_.erase(it) : std::next(it);
  }
}

NPObject* NpapiBrowserHost::wrapperForApi(const JSAPIPtr& api) {
  if (!api) return nullptr;
  auto found = wrappers_.find(api.get());
  if (found != wrappers_.end()) {
    if (auto reference = found->second.lock()) {
      NPObject* wrapper = reference->get();
      RetainObject(wrapper);
      return wrapper;
    }
    wrappers_.erase(found);
  }
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  NPJavascriptObject* wrapper = NPJavascriptObject::newObject(self, api, true);
  if (!wrapper) return nullptr;
  wrappers_[api.get()] = wrapper->weakReference();
  return wrapper;
}

variant NpapiBrowserHost::toVariant(const NPVariant& value) {
  return Npapi::toVariant(std::static_pointer_cast<NpapiBrowserHost>(shared_from_this()), value);
}

void NpapiBrowserHost::toNPVariant(const variant& value, NPVariant& result) {
  Npapi::toNPVariant(std::static_pointer_cast<NpapiBrowserHost>(shared_from_this()), value, result);
}

}  // namespace FB::Npapi
