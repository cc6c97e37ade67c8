// FB::JSObject: the plug-in's handle on a script object owned by the browser
// (a callback function, an array, the page window). It is read, written and
// called through the FB::JSAPI operations; the browser bindings implement it.
// It refers to the host of its page weakly and never keeps the page alive.
//
// Thread rules: the bindings decide; operations that reach script run on the
// browser's main thread.
#pragma once

#include <cstdint>
#include <memory>

#include "scripting/jsapi.h"

namespace FB {

class BrowserHost;
using BrowserHostPtr = std::shared_ptr<BrowserHost>;
using BrowserHostWeakPtr = std::weak_ptr<BrowserHost>;

class JSObject : public JSAPI {
 public:
  explicit JSObject(const BrowserHostPtr& host);
  ~JSObject() override;

  // Identity of the underlying browser object (equal for proxies of one
  // object) and of the page instance the object belongs to.
  virtual std::uintptr_t eventId() const { return 0; }
  virtual std::uintptr_t eventContext() const { return 0; }
  virtual bool supportsBatchCalls() const { return false; }
  virtual void callHandlersBatch(const std::string& eventName, const VariantVector& args,
                                 const std::vector<JSObjectPtr>& handlers,
                                 const std::vector<JSObjectPtr>& sinks) {
    (void)eventName, (void)args, (void)handlers, (void)sinks;
  }
  virtual bool isValidObject() const = 0;
  // Calls the object itself (empty name) or its member on the main thread,
  // from a zero-delay page timer. Throws std::runtime_error "Cannot invoke
  // asynchronously" when the page's host is gone.
  virtual void callLater(const std::string& memberName, const VariantVector& args);
  virtual void invokeDelayedNow(const VariantVector& args, const std::string& memberName);
  // Writes the property on the main thread; same failure as callLater.
  virtual void writePropertyAsync(const std::string& name, const variant& value);
  // The plug-in scriptable object this browser object stands for, if any.
  virtual JSAPIPtr wrappedObject() const = 0;

  BrowserHostPtr host() const { return host_.lock(); }

 private:
  BrowserHostWeakPtr host_;
};

}  // namespace FB
