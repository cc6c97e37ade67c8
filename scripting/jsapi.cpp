#include "scripting/jsapi.h"

#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace FB {

JSAPI::~JSAPI() = default;

void JSAPI::addEventHandler(const std::wstring& name, const JSObjectPtr& handler) {
  addEventHandler(toUtf8(name), handler);
}
void JSAPI::addEventHandler(const std::string&, const JSObjectPtr&) { throw script_error("Not implemented"); }
void JSAPI::removeEventHandler(const std::wstring& name, const JSObjectPtr& handler) {
  removeEventHandler(toUtf8(name), handler);
}
void JSAPI::removeEventHandler(const std::string&, const JSObjectPtr&) {
  throw script_error("Not implemented");
}
void JSAPI::addEventSink(const JSObjectPtr&) { throw script_error("Not implemented"); }
void JSAPI::removeEventSink(const JSObjectPtr&) { throw script_error("Not implemented"); }

std::vector<std::string> JSAPI::memberNames() const {
  std::vector<std::string> names;
  collectMemberNames(names);
  return names;
}

std::vector<std::wstring> JSAPI::memberNamesWide() const {
  std::vector<std::wstring> names;
  collectMemberNames(names);
  return names;
}

void JSAPI::collectMemberNames(std::vector<std::wstring>& names) const {
  std::vector<std::string> narrow;
  collectMemberNames(narrow);
  names.clear();
  names.reserve(narrow.size());
  for (const auto& name : narrow) names.push_back(toWide(name));
}

bool JSAPI::hasMethodNamed(const std::wstring& name) const { return hasMethodNamed(toUtf8(name)); }
bool JSAPI::hasCallableMember(const std::string&) const { return false; }
bool JSAPI::hasCallableMember(const std::wstring& name) const { return hasCallableMember(toUtf8(name)); }
bool JSAPI::hasPropertyNamed(const std::wstring& name) const { return hasPropertyNamed(toUtf8(name)); }
JSAPIPtr JSAPI::methodObject(const std::string&) { return nullptr; }
JSAPIPtr JSAPI::methodObject(const std::wstring& name) { return methodObject(toUtf8(name)); }
variant JSAPI::readProperty(const std::wstring& name) { return readProperty(toUtf8(name)); }
void JSAPI::writeProperty(const std::wstring& name, const variant& value) { writeProperty(toUtf8(name), value); }
void JSAPI::deleteProperty(const std::wstring& name) { deleteProperty(toUtf8(name)); }
variant JSAPI::callMethod(const std::wstring& name, const VariantVector& args) {
  return callMethod(toUtf8(name), args);
}

}  // namespace FB
