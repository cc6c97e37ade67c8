// FB::ActiveX::IDispatchAPI: the plug-in's handle on a page-owned IDispatch
// (a page function, an array, the window, an event sink). It owns one
// reference to the object, released on the container's thread.
//
// On the container's thread an operation calls the object directly, or,
// when the object is one of the plug-in's own bridges, the wrapped API.
// From any other thread the operation is carried to the container's thread
// through the host and waits there for the answer (errors included).
// Names resolve through IDispatchEx::GetDispID when offered, else
// GetIDsOfNames; calls use the user's default locale.
//
// Event delivery is batched: one trip to the container's thread calls every
// handler and, on every sink (an advised event interface, say), the method
// named like the event.
//
// Thread rules: any thread.
#pragma once

#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "scripting/js_object.h"

namespace FB::ActiveX {

class ActiveXBrowserHost;
using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

class IDispatchAPI : public JSObject {
 public:
  // Adds one reference to `object` (which must not be null).
  IDispatchAPI(IDispatch* object, const ActiveXBrowserHostPtr& host);
  ~IDispatchAPI() override;

  IDispatch* getIDispatch() const { return object_; }
  bool wrapsPluginObject() const { return isPluginObject_; }

  using JSAPI::callMethod;
  using JSAPI::collectMemberNames;
  using JSAPI::deleteProperty;
  using JSAPI::hasMethodNamed;
  using JSAPI::hasPropertyNamed;
  using JSAPI::readProperty;
  using JSAPI::writeProperty;

  // FB::JSAPI
  void markInvalid() override {}
  void collectMemberNames(std::vector<std::string>& names) const override;
  std::size_t memberCount() const override;
  bool hasMethodNamed(const std::string& name) const override;
  bool hasPropertyAt(std::size_t index) const override;
  bool hasPropertyNamed(const std::string& name) const override;
  variant readPropertyAt(std::size_t index) override;
  variant readProperty(const std::string& name) override;
  void writePropertyAt(std::size_t index, const variant& value) override;
  void writeProperty(const std::string& name, const variant& value) override;
  void deletePropertyAt(std::size_t index) override;
  void deleteProperty(const std::string& name) override;
  variant callMethod(const std::string& name, const VariantVector& args) override;
  variant constructNew(const VariantVector& args) override;

  // FB::JSObject
  std::uintptr_t eventId() const override { return reinterpret_cast<std::uintptr_t>(identity_); }
  std::uintptr_t eventContext() const override;
  bool supportsBatchCalls() const override { return true; }
  void callHandlersBatch(const std::string& eventName, const VariantVector& args,
                         const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) override;
  bool isValidObject() const override;
  JSAPIPtr wrappedObject() const override { return isPluginObject_ ? wrapped_.lock() : nullptr; }

 private:
  ActiveXBrowserHostPtr liveHost() const { return host_.lock(); }
  JSAPIPtr directTarget() const;
  // Runs `operation` on the container's thread.
  template <class F>
  auto onContainerThread(F&& operation) const;
  DISPID resolve(const std::wstring& name) const;
  HRESULT call(DISPID id, WORD flags, const VariantVector& args, variant* result) const;

  std::weak_ptr<ActiveXBrowserHost> host_;
  IDispatch* object_;
  IUnknown* identity_ = nullptr;  // the object's IUnknown, for identity only (no reference held)
  bool isPluginObject_ = false;
  JSAPIWeakPtr wrapped_;
};

using IDispatchAPIPtr = std::shared_ptr<IDispatchAPI>;

}  // namespace FB::ActiveX
