#include "scripting/js_object.h"

namespace FB {

JSObject::JSObject(const BrowserHostPtr& host) : host_(host) {}

JSObject::~JSObject() = default;

}  // namespace FB
