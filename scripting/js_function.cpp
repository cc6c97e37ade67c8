#include "scripting/js_function.h"

#include <string_view>

#include "scripting/script_error.h"

namespace FB {

JSFunction::JSFunction(const JSAPIWeakPtr& owner, const std::string& methodName, int zone)
    : JSAPIAuto(methodName + "()"), owner_(owner), methodName_(methodName), zone_(zone) {
  methodObjectsAllowed_ = false;
  reservedNames_.clear();
}

bool JSFunction::hasMethodNamed(const std::string& name) const {
  if (name.empty() || std::string_view(name) == "call" || std::string_view(name) == "apply") return true;
  return JSAPIAuto::hasMethodNamed(name);
}

bool JSFunction::hasPropertyNamed(const std::string& name) const {
  if (std::string_view(name) == "call" || std::string_view(name) == "apply") return false;
  return JSAPIAuto::hasPropertyNamed(name);
}

variant JSFunction::callMethod(const std::string& name, const VariantVector& args) {
  if (name.empty()) return callOwner(args);
  if (std::string_view(name) == "call") {
    if (args.size() < 2) return callOwner(VariantVector());
    return callOwner(VariantVector(args.begin() + 1, args.end()));
  }
  if (std::string_view(name) == "apply") {
    if (args.size() < 2) return callOwner(VariantVector());
    VariantVector list;
    try {
      list = args[1].convertTo<VariantVector>();
    } catch (const bad_variant_cast& e) {
      throw invalid_arguments("Could not convert from " + e.fromType + " to " + e.toType);
    }
    return callOwner(list);
  }
  return JSAPIAuto::callMethod(name, args);
}

// The function's own lock is not held here: the owner's zone lock is the one
// that serialises the call. A gone owner is reported first, whether or not
// the function was invalidated too (as it is when its page goes).
variant JSFunction::callOwner(const VariantVector& args) {
  JSAPIPtr owner = owner_.lock();
  if (!owner) throw script_error("Invalid JSAPI object");
  if (!isValid()) throw object_invalidated();
  scoped_zonelock zone(*owner, zone_);
  return owner->callMethod(methodName_, args);
}

}  // namespace FB
