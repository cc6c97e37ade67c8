#include "scripting/jsapi_auto.h"

#include <algorithm>

#include "scripting/js_function.h"
#include "scripting/js_object.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace FB {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

const char* const kReservedNames[] = {"offsetWidth", "offsetHeight", "width",  "height",          "attributes",
                                      "nodeType",    "namespaceURI", "localName", "wrappedJSObject", "prototype",
                                      "style",       "id",           "constructor"};

invalid_arguments conversionFailure(const bad_variant_cast& e) {
  return invalid_arguments("Could not convert from " + e.fromType + " to " + e.toType);
}

}  // namespace

JSAPIAuto::JSAPIAuto(const std::string& description) : JSAPIAuto(0, description) {}

JSAPIAuto::JSAPIAuto(int baseZone, const std::string& description)
    : JSAPIImpl(baseZone), description_(description) {
  registerBuiltIns();
  for (const char* name : kReservedNames) reserveName(name);
}

JSAPIAuto::~JSAPIAuto() = default;

void JSAPIAuto::registerBuiltIns() {
  scoped_zonelock zone(*this, 0);
  addMethod("toString", makeMethod(this, &JSAPIAuto::descriptionText));
  addMethod("getAttribute", makeMethod(this, &JSAPIAuto::readAttribute));
  addMethod("setAttribute", makeMethod(this, &JSAPIAuto::writeAttribute));
  addProperty("value", makeProperty(this, &JSAPIAuto::descriptionText));
  addProperty("valid", makeProperty(this, &JSAPIAuto::isValidObject));
}

bool JSAPIAuto::isAccessible(const std::string& name) const {
  auto zone = zones_.find(name);
  return zone != zones_.end() && currentZoneLocked() >= zone->second;
}

bool JSAPIAuto::isAccessibleMethod(const std::string& name) const {
  auto method = methods_.find(name);
  return method != methods_.end() && method->second.zone && currentZoneLocked() >= *method->second.zone;
}

void JSAPIAuto::recordZone(const std::string& name) {
  const int zone = currentZoneLocked();
  zones_[name] = zone;
  auto method = methods_.find(name);
  if (method != methods_.end()) method->second.zone = zone;
  auto property = properties_.find(name);
  if (property != properties_.end()) property->second.zone = zone;
}

void JSAPIAuto::forgetZone(const std::string& name) {
  zones_.erase(name);
  auto method = methods_.find(name);
  if (method != methods_.end()) method->second.zone.reset();
  auto property = properties_.find(name);
  if (property != properties_.end()) property->second.zone.reset();
}

void JSAPIAuto::throwIfInvalid() const {
  if (!isValid()) throw object_invalidated();
}

void JSAPIAuto::collectMemberNames(std::vector<std::string>& names) const {
  Lock lock(zoneMutex());
  names.clear();
  const int current = currentZoneLocked();
  for (const auto& [name, zone] : zones_) {
    if (zone <= current) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
}

std::size_t JSAPIAuto::memberCount() const {
  Lock lock(zoneMutex());
  const int current = currentZoneLocked();
  std::size_t count = 0;
  for (const auto& entry : zones_) {
    if (entry.second <= current) ++count;
  }
  return count;
}

bool JSAPIAuto::hasMethodNamed(const std::string& name) const {
  Lock lock(zoneMutex());
  return isValid() && isAccessibleMethod(name);
}

bool JSAPIAuto::hasCallableMember(const std::string& name) const {
  Lock lock(zoneMutex());
  return isValid() && methodObjectsAllowed_ && isAccessibleMethod(name);
}

bool JSAPIAuto::hasPropertyNamed(const std::string& name) const {
  Lock lock(zoneMutex());
  if (!isValid()) return false;
  // A registered property is a property whatever its zone.
  if (properties_.count(name) != 0) return true;
  const bool method = isAccessibleMethod(name);
  if (dynamicAttributesAllowed_ && !method && reservedNames_.count(name) == 0) return true;
  if (methodObjectsAllowed_ && method) return true;
  return properties_.count(name) != 0 || attributes_.count(name) != 0;
}

bool JSAPIAuto::hasPropertyAt(std::size_t index) const {
  Lock lock(zoneMutex());
  if (!isValid()) return false;
  if (dynamicAttributesAllowed_) return true;
  return attributes_.count(std::to_string(index)) != 0;
}

JSAPIPtr JSAPIAuto::methodObject(const std::string& name) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  if (!isAccessibleMethod(name)) throw invalid_member(name);
  const int zone = currentZoneLocked();
  auto byName = methodObjects_.find(name);
  if (byName != methodObjects_.end()) {
    auto cached = byName->second.find(zone);
    if (cached != byName->second.end()) return cached->second;
  } else {
    byName = methodObjects_.emplace(name, std::map<int, std::shared_ptr<JSFunction>>()).first;
  }
  auto function = std::make_shared<JSFunction>(shared_from_this(), name, zone);
  byName->second.emplace(zone, function);
  return function;
}

variant JSAPIAuto::readProperty(const std::string& name) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  auto property = properties_.find(name);
  if (property != properties_.end() && property->second.zone && currentZoneLocked() >= *property->second.zone) {
    return property->second.functors.get();
  }
  if (!isAccessible(name)) {
    if (dynamicAttributesAllowed_) return variant();
    throw invalid_member(name);
  }
  if (hasCallableMember(name)) return methodObject(name);
  auto attribute = attributes_.find(name);
  if (attribute != attributes_.end()) return attribute->second.value;
  if (dynamicAttributesAllowed_) return variant();
  throw invalid_member(name);
}

void JSAPIAuto::writeProperty(const std::string& name, const variant& value) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  auto property = properties_.find(name);
  if (property != properties_.end()) {
    if (!property->second.zone || currentZoneLocked() < *property->second.zone) throw invalid_member(name);
    if (!property->second.functors.set) throw bad_function_call();
    try {
      property->second.functors.set(value);
    } catch (const bad_variant_cast& e) {
      throw conversionFailure(e);
    }
    return;
  }
  if (!dynamicAttributesAllowed_) {
    auto attribute = attributes_.find(name);
    if (attribute == attributes_.end() || attribute->second.readOnly) throw invalid_member(name);
  }
  addAttribute(name, value, false);
}

variant JSAPIAuto::readPropertyAt(std::size_t index) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  const std::string key = std::to_string(index);
  auto attribute = attributes_.find(key);
  if (attribute != attributes_.end() && isAccessible(key)) return attribute->second.value;
  if (dynamicAttributesAllowed_) return variant();
  throw invalid_member(key);
}

void JSAPIAuto::writePropertyAt(std::size_t index, const variant& value) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  const std::string key = std::to_string(index);
  if (!dynamicAttributesAllowed_) {
    auto attribute = attributes_.find(key);
    if (attribute == attributes_.end() || attribute->second.readOnly) throw invalid_member(key);
  }
  addAttribute(key, value, false);
}

void JSAPIAuto::deleteProperty(const std::string& name) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  if (!isAccessible(name)) throw invalid_member(name);
  if (propertyRemovalAllowed_ && properties_.count(name) != 0) {
    removeProperty(name);
    return;
  }
  auto attribute = attributes_.find(name);
  if (dynamicAttributesAllowed_ && attribute != attributes_.end() && !attribute->second.readOnly) {
    dropAttribute(name);
  }
}

void JSAPIAuto::deletePropertyAt(std::size_t index) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  const std::string key = std::to_string(index);
  auto attribute = attributes_.find(key);
  if (dynamicAttributesAllowed_ && attribute != attributes_.end() && !attribute->second.readOnly) {
    dropAttribute(key);
    return;
  }
  throw invalid_member(key);
}

variant JSAPIAuto::callMethod(const std::string& name, const VariantVector& args) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  auto method = methods_.find(name);
  if (method == methods_.end() || !method->second.zone || currentZoneLocked() < *method->second.zone) {
    throw invalid_member(name);
  }
  try {
    return method->second.call(args);
  } catch (const bad_variant_cast& e) {
    throw conversionFailure(e);
  }
}

variant JSAPIAuto::constructNew(const VariantVector&) {
  Lock lock(zoneMutex());
  throwIfInvalid();
  throw invalid_member("constructor");
}

void JSAPIAuto::deliverEvent(const std::string& name, const VariantVector& args) {
  JSAPIImpl::deliverEvent(name, args);
  try {
    variant attribute = readAttribute(name);
    if (attribute.holds<JSObjectPtr>()) {
      if (JSObjectPtr handler = attribute.get<JSObjectPtr>()) handler->callLater("", args);
    }
  } catch (...) {
    // A handler stored as an attribute is best effort.
  }
}

void JSAPIAuto::addAttribute(const std::string& name, const variant& value, bool readOnly) {
  Lock lock(zoneMutex());
  attributes_[name] = Attribute{value, readOnly};
  recordZone(name);
}

void JSAPIAuto::reserveName(const std::string& name) {
  Lock lock(zoneMutex());
  reservedNames_.insert(name);
}

void JSAPIAuto::removeMethod(const std::string& name) {
  Lock lock(zoneMutex());
  if (methods_.erase(name) != 0) forgetZone(name);
}

void JSAPIAuto::removeMethod(const std::wstring& name) { removeMethod(toUtf8(name)); }

void JSAPIAuto::addMethod(const std::string& name, CallMethodFunctor method) {
  Lock lock(zoneMutex());
  methods_[name].call = std::move(method);
  recordZone(name);
}

void JSAPIAuto::addMethod(const std::wstring& name, CallMethodFunctor method) {
  addMethod(toUtf8(name), std::move(method));
}

void JSAPIAuto::addProperty(const std::string& name, GetPropFunctor getter, SetPropFunctor setter) {
  Lock lock(zoneMutex());
  properties_[name].functors = PropertyFunctors{std::move(getter), std::move(setter)};
  recordZone(name);
}

void JSAPIAuto::addProperty(const std::wstring& name, GetPropFunctor getter, SetPropFunctor setter) {
  addProperty(toUtf8(name), std::move(getter), std::move(setter));
}

void JSAPIAuto::removeProperty(const std::string& name) {
  Lock lock(zoneMutex());
  if (properties_.erase(name) != 0) forgetZone(name);
}

void JSAPIAuto::removeProperty(const std::wstring& name) { removeProperty(toUtf8(name)); }

std::string JSAPIAuto::descriptionText() const { return description_; }

variant JSAPIAuto::readAttribute(const std::string& name) const {
  Lock lock(zoneMutex());
  auto attribute = attributes_.find(name);
  return attribute == attributes_.end() ? variant() : attribute->second.value;
}

void JSAPIAuto::writeAttribute(const std::string& name, const variant& value) {
  Lock lock(zoneMutex());
  auto attribute = attributes_.find(name);
  if (attribute != attributes_.end() && attribute->second.readOnly) {
    throw script_error("Cannot set read-only property " + name);
  }
  addAttribute(name, value, false);
}

void JSAPIAuto::dropAttribute(const std::string& name) {
  Lock lock(zoneMutex());
  auto attribute = attributes_.find(name);
  if (attribute == attributes_.end()) return;
  if (attribute->second.readOnly) throw script_error("Cannot remove read-only property " + name);
  attributes_.erase(attribute);
  forgetZone(name);
}

void JSAPIAuto::dropAllAttributes() {
  decltype(attributes_) dropped;
  {
    Lock lock(zoneMutex());
    dropped.swap(attributes_);
    for (const auto& [name, attribute] : dropped) forgetZone(name);
  }
  // The values go outside the lock: a page object's proxy releases it
  // through the browser.
}

}  // namespace FB
