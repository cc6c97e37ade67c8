// FB::Npapi::NPObjectAPI: the plug-in's handle on a browser-owned NPObject
// (a page function, array, the window). It owns one reference to the object,
// released on the main thread when the handle dies.
//
// Operations made on the main thread call the browser directly, or, when the
// object is one of the plug-in's own wrappers, the wrapped API. Operations
// made on any other thread are carried to the main thread and wait there for
// the answer (errors included).
//
// Thread rules: any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "npapi/npapi_abi.h"
#include "scripting/js_object.h"

namespace FB::Npapi {

class NpapiBrowserHost;
using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;

class NPObjectAPI : public JSObject {
 public:
  // Adds one reference to `object` (which must not be null).
  NPObjectAPI(NPObject* object, const NpapiBrowserHostPtr& host);
  ~NPObjectAPI() override;

  NPObject* getNPObject() const { return object_; }
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
  std::uintptr_t eventId() const override { return reinterpret_cast<std::uintptr_t>(object_); }
  std::uintptr_t eventContext() const override;
  bool supportsBatchCalls() const override { return true; }
  void callHandlersBatch(const std::string& eventName, const VariantVector& args,
                         const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) override;
  bool isValidObject() const override;
  JSAPIPtr wrappedObject() const override { return isPluginObject_ ? wrapped_.lock() : nullptr; }

 private:
  NpapiBrowserHostPtr liveHost() const { return host_.lock(); }
  // The wrapped API when this call should go to it directly.
  JSAPIPtr directTarget() const;
  void deliverHandlers(const NpapiBrowserHostPtr& host, const std::string& eventName, const VariantVector& args,
                       const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks);

  std::weak_ptr<NpapiBrowserHost> host_;
  NPObject* object_;
  bool isPluginObject_ = false;
  JSAPIWeakPtr wrapped_;
};

using NPObjectAPIPtr = std::shared_ptr<NPObjectAPI>;

}  // namespace FB::Npapi
