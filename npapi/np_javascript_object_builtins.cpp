// The function objects that every NPJavascriptObject answers for
// "addEventListener", "removeEventListener" and "getLastException".
#include "npapi/np_javascript_object.h"

#include <string_view>

#include "npapi/npapi_browser_host.h"
#include "scripting/script_error.h"

namespace FB::Npapi {
namespace {

struct ListenerCall {
  JSAPIPtr api;
  std::string eventName;
  JSObjectPtr handler;
};

}  // namespace

NPJavascriptObject::BuiltInFunction::BuiltInFunction(NPJavascriptObject* owner, const std::string& methodName)
    : JSFunction(JSAPIWeakPtr(), methodName, 0), owner_(owner) {}

variant NPJavascriptObject::BuiltInFunction::callMethod(const std::string& name, const VariantVector& args) {
  if (name.empty()) return callSelf(args);
  if (std::string_view(name) == "call") return callSelf(args.size() < 2 ? VariantVector() : VariantVector(args.begin() + 1, args.end()));
  if (std::string_view(name) == "apply") {
    if (args.size() < 2) return callSelf(VariantVector());
    try {
      return callSelf(args[1].convertTo<VariantVector>());
    } catch (const bad_variant_cast& e) {
      throw invalid_arguments("Could not convert from " + e.fromType + " to " + e.toType);
    }
  }
  return JSFunction::callMethod(name, args);
}

// Checks the wrapper and the arguments shared by the add and remove calls.
static ListenerCall listenerCall(NPJavascriptObject* owner, const VariantVector& args) {
  if (!owner || !owner->isValid()) throw invalid_arguments();
  ListenerCall call;
  call.api = owner->api().lock();
  if (!call.api) throw invalid_arguments();
  if (args.size() < 2 || args.size() > 3) throw invalid_arguments();
  try {
    call.eventName = "on" + args[0].convertTo<std::string>();
    call.handler = args[1].convertTo<JSObjectPtr>();
  } catch (const bad_variant_cast& e) {
    throw invalid_arguments(e.what());
  }
  return call;
}

variant NPJavascriptObject::NPO_addEventListener::callSelf(const VariantVector& args) {
  if (owner_ && owner_->host_.expired()) throw invalid_arguments();
  ListenerCall call = listenerCall(owner_, args);
  call.api->addEventHandler(call.eventName, call.handler);
  return variant();
}

variant NPJavascriptObject::NPO_removeEventListener::callSelf(const VariantVector& args) {
  if (owner_ && owner_->host_.expired()) throw invalid_arguments();
  ListenerCall call = listenerCall(owner_, args);
  call.api->removeEventHandler(call.eventName, call.handler);
  return variant();
}

// The instance's own last exception; empty once the wrapper or its
// instance is gone.
variant NPJavascriptObject::NPO_getLastException::callSelf(const VariantVector&) {
  NpapiBrowserHostPtr host = owner_ ? owner_->host_.lock() : nullptr;
  return host ? host->lastException() : variant();
}

}  // namespace FB::Npapi
