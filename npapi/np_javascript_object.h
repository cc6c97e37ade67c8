// FB::Npapi::NPJavascriptObject: the NPObject that page script sees for a
// scriptable object of the plug-in (FB::JSAPI). The browser holds the
// embedded NPObject header and drives the object through the NPClass
// operations; each operation forwards to the wrapped API, converting values
// both ways, and turns script errors into NPN_SetException.
//
// Besides the API's members it answers "addEventListener",
// "removeEventListener" and "getLastException" itself; the last exception is
// the instance's own (NpapiBrowserHost::lastException).
//
// Thread rules: the browser's main thread only (NPAPI calls the class
// operations there); no locking of its own. No exception leaves a class
// operation.
#pragma once

#include <memory>
#include <string>

#include "npapi/npapi_abi.h"
#include "npapi/shareable_reference.h"
#include "scripting/js_function.h"
#include "scripting/jsapi.h"

namespace FB::Npapi {

class NpapiBrowserHost;
using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;

class NPJavascriptObject : public NPObject {
 public:
  // A new wrapper bound to `api`, created through the browser; the caller
  // owns its one reference. Null when the browser refuses.
  static NPJavascriptObject* newObject(const NpapiBrowserHostPtr& host, const JSAPIWeakPtr& api, bool autoRelease);
  // The class record given to NPN_CreateObject.
  static NPClass* npClass();
  // Whether `object` is one of these wrappers (by its class record).
  static bool isWrapper(const NPObject* object);
  static NPJavascriptObject* fromNPObject(NPObject* object) { return static_cast<NPJavascriptObject*>(object); }

  void setApi(const JSAPIWeakPtr& api, const std::weak_ptr<NpapiBrowserHost>& host);
  JSAPIWeakPtr api() const { return api_; }
  bool isValid() const { return valid_; }
  bool autoRelease() const { return autoRelease_; }
  void setAutoRelease(bool autoRelease) { autoRelease_ = autoRelease; }
  std::weak_ptr<ShareableReference<NPJavascriptObject>> weakReference() const { return self_; }
  // The instance is going: the built-in function objects are detached and
  // lose their attributes, which may hold this very wrapper (page script can
  // store the object in an attribute of its own function, a cycle the
  // browser's reference count cannot break). Main thread, while the browser
  // can still release objects.
  void dropBuiltInFunctions();

  // The built-in function objects. Calling one (directly, or through its
  // "call" and "apply" members) runs callSelf; each names its wrapper plainly.
  class BuiltInFunction : public JSFunction {
   public:
    BuiltInFunction(NPJavascriptObject* owner, const std::string& methodName);
    using JSFunction::callMethod;
    variant callMethod(const std::string& name, const VariantVector& args) override;
    // Forgets the wrapper, which is going away; later calls fail.
    void detach() { owner_ = nullptr; }

   protected:
    virtual variant callSelf(const VariantVector& args) = 0;
    NPJavascriptObject* owner_;
  };
  class NPO_addEventListener : public BuiltInFunction {
   public:
    explicit NPO_addEventListener(NPJavascriptObject* owner) : BuiltInFunction(owner, "attachEvent") {}

   protected:
    variant callSelf(const VariantVector& args) override;
  };
  class NPO_removeEventListener : public BuiltInFunction {
   public:
    explicit NPO_removeEventListener(NPJavascriptObject* owner) : BuiltInFunction(owner, "detachEvent") {}

   protected:
    variant callSelf(const VariantVector& args) override;
  };
  class NPO_getLastException : public BuiltInFunction {
   public:
    explicit NPO_getLastException(NPJavascriptObject* owner) : BuiltInFunction(owner, "getLastException") {}

   protected:
    variant callSelf(const VariantVector& args) override;
  };

 private:
  NPJavascriptObject();
  ~NPJavascriptObject();

  struct Ops;
  friend struct Ops;

  // The built-in function objects, made on first use: most wrappers never
  // hand them out, and a wrapper is made for every object that reaches script.
  JSAPIPtr addEventListenerFunction();
  JSAPIPtr removeEventListenerFunction();
  JSAPIPtr getLastExceptionFunction();

  JSAPIPtr liveApi() const;
  NpapiBrowserHostPtr liveHost();
  bool ready() const;
  void invalidate();

  JSAPIWeakPtr api_;
  std::weak_ptr<NpapiBrowserHost> host_;
  bool valid_ = true;
  bool autoRelease_ = false;
  std::shared_ptr<ShareableReference<NPJavascriptObject>> self_;
  std::shared_ptr<NPO_addEventListener> addEventListener_;
  std::shared_ptr<NPO_removeEventListener> removeEventListener_;
  std::shared_ptr<NPO_getLastException> getLastException_;
};

}  // namespace FB::Npapi
