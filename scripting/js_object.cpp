#include "scripting/js_object.h"

#include <stdexcept>

#include "runtime/browser_host.h"

namespace FB {

JSObject::JSObject(const BrowserHostPtr& host) : host_(host) {}

JSObject::~JSObject() = default;

void JSObject::callLater(const std::string& memberName, const VariantVector& args) {
  BrowserHostPtr owner = host();
  if (!owner) throw std::runtime_error("Cannot invoke asynchronously");
  auto self = std::static_pointer_cast<JSObject>(shared_from_this());
  owner->scheduleOnMainThread(self, [self, args, memberName] { self->invokeDelayedNow(args, memberName); });
}

void JSObject::invokeDelayedNow(const VariantVector& args, const std::string& memberName) {
  if (BrowserHostPtr owner = host()) {
    owner->invokeDelayed(0, std::static_pointer_cast<JSObject>(shared_from_this()), args, memberName);
  }
}

void JSObject::writePropertyAsync(const std::string& name, const variant& value) {
  BrowserHostPtr owner = host();
  if (!owner) throw std::runtime_error("Cannot invoke asynchronously");
  auto self = std::static_pointer_cast<JSObject>(shared_from_this());
  owner->scheduleOnMainThread(self, [self, name, value] { self->writeProperty(name, value); });
}

}  // namespace FB
