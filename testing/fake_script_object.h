// FB::testing::FakeScriptObject: an in-memory stand-in for a script object
// owned by the browser, for the runtime's and the application's tests. It
// holds named properties (any FB::variant, including other fake objects),
// may itself be callable (a C++ function stands for the script function),
// and records every call made on it.
//
// Script semantics it models:
//  - callMethod("", args) calls the object itself; callMethod(name, args)
//    calls the function object stored in property `name`;
//  - readPropertyAt(i) reads the property named by the decimal index, so a
//    list is an object with "length" and "0", "1", ...;
//  - a missing property reads as undefined (an empty variant).
//
// Thread rules: meant for the test's main thread; an internal mutex keeps
// concurrent use from worker threads memory-safe.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scripting/js_object.h"

namespace FB::testing {

class FakeScriptObject : public JSObject {
 public:
  using Function = std::function<variant(const VariantVector& args)>;

  // A recorded call; plug-in objects among the arguments are held weakly.
  struct Call {
    std::string member;  // empty for a call of the object itself
    VariantVector args;
  };

  explicit FakeScriptObject(const BrowserHostPtr& host = nullptr, Function function = nullptr);

  static std::shared_ptr<FakeScriptObject> object(const BrowserHostPtr& host = nullptr);
  static std::shared_ptr<FakeScriptObject> function(Function function, const BrowserHostPtr& host = nullptr);
  // A script array holding `items`.
  static std::shared_ptr<FakeScriptObject> array(const VariantVector& items, const BrowserHostPtr& host = nullptr);

  // Test-side access.
  void set(const std::string& name, const variant& value);
  variant get(const std::string& name) const;
  bool has(const std::string& name) const;
  void remove(const std::string& name);
  // Stores a function object under `name`; returns it.
  std::shared_ptr<FakeScriptObject> setFunction(const std::string& name, Function function);
  std::vector<Call> calls() const;
  bool isCallable() const { return static_cast<bool>(function_); }
  void setWrappedObject(const JSAPIPtr& object);
  void setBatchCapable(bool capable) { batchCapable_ = capable; }
  // Fails every later operation with a script error, as a page that went away.
  void setFailing(const std::string& message) { failure_ = message; }

  struct BatchCall {
    std::string eventName;
    VariantVector args;
    std::vector<std::weak_ptr<JSObject>> handlers;
    std::vector<std::weak_ptr<JSObject>> sinks;
  };
  std::vector<BatchCall> batchCalls() const;

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
  using JSAPI::callMethod;
  using JSAPI::deleteProperty;
  using JSAPI::hasMethodNamed;
  using JSAPI::hasPropertyNamed;
  using JSAPI::readProperty;
  using JSAPI::writeProperty;

  // FB::JSObject
  std::uintptr_t eventId() const override { return reinterpret_cast<std::uintptr_t>(this); }
  std::uintptr_t eventContext() const override;
  bool supportsBatchCalls() const override { return batchCapable_; }
  void callHandlersBatch(const std::string& eventName, const VariantVector& args,
                         const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) override;
  bool isValidObject() const override;
  JSAPIPtr wrappedObject() const override;

 private:
  void throwIfFailing() const;

  mutable std::recursive_mutex mutex_;
  std::map<std::string, variant> properties_;
  Function function_;
  std::vector<Call> calls_;
  std::vector<BatchCall> batchCalls_;
  std::weak_ptr<JSAPI> wrapped_;
  bool hadHost_;
  bool batchCapable_ = false;
  std::string failure_;
};

using FakeScriptObjectPtr = std::shared_ptr<FakeScriptObject>;

}  // namespace FB::testing
