// FB::ActiveX::ComScriptHost: what the IDispatchEx bridge and the value
// conversions need from the page an object belongs to: wrappers for the
// plug-in's scriptable objects, proxies for the page's objects, new script
// arrays and objects made by the page, and the instance's last script
// error. The ActiveX browser host realises it; tests give a stand-in.
//
// Thread rules: the container's thread.
#pragma once

#include <oaidl.h>

#include <memory>

#include "scripting/jsapi.h"
#include "scripting/js_object.h"

namespace FB::ActiveX {

class ComScriptHost {
 public:
  virtual ~ComScriptHost() = default;

  // The one wrapper of `api` for script, with a reference for the caller;
  // `retain` keeps the API alive as long as the page holds the wrapper.
  virtual IDispatch* dispatchForApi(const JSAPIPtr& api, bool retain) = 0;
  // A proxy for a page object (a new FB::JSObject over `object`).
  virtual JSObjectPtr proxyForDispatch(IDispatch* object) = 0;
  // A new script array filled with `values`, or a new script object with
  // one property per entry; with a reference for the caller, or null when
  // the page cannot make one.
  virtual IDispatch* newScriptArray(const VariantVector& values) = 0;
  virtual IDispatch* newScriptObject(const VariantStringMap& values) = 0;
  // The message of the last script error any object of this instance met.
  virtual variant& lastException() = 0;
};

using ComScriptHostPtr = std::shared_ptr<ComScriptHost>;
using ComScriptHostWeakPtr = std::weak_ptr<ComScriptHost>;

}  // namespace FB::ActiveX
