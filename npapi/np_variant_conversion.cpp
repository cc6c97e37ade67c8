#include "npapi/np_variant_conversion.h"

#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>

#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "npapi/npapi_browser_host.h"
#include "scripting/jsapi.h"
#include "scripting/js_object.h"
#include "scripting/script_error.h"

namespace FB::Npapi {
namespace {

using Converter = void (*)(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result);

void setVoid(NPVariant& result) {
  result.type = NPVariantType_Void;
  result.value.objectValue = nullptr;
}

void setNull(NPVariant& result) {
  result.type = NPVariantType_Null;
  result.value.objectValue = nullptr;
}

void setObject(NPVariant& result, NPObject* object) {
  if (!object) return setNull(result);
  result.type = NPVariantType_Object;
  result.value.objectValue = object;
}

// The text and its terminator in a block of the browser's.
void setText(const NpapiBrowserHostPtr& host, const std::string& text, NPVariant& result) {
  auto* buffer = static_cast<char*>(host->MemAlloc(browserAllocationSize(text.size() + 1)));
  if (!buffer) throw script_error("Not enough memory for the result");
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  result.type = NPVariantType_String;
  result.value.stringValue.UTF8Characters = buffer;
  result.value.stringValue.UTF8Length = static_cast<uint32_t>(text.size());
}

template <class T>
void fromInt32(const NpapiBrowserHostPtr&, const variant& value, NPVariant& result) {
  result.type = NPVariantType_Int32;
  result.value.intValue = static_cast<int32_t>(value.get<T>());
}

template <class T>
void fromDouble(const NpapiBrowserHostPtr&, const variant& value, NPVariant& result) {
  result.type = NPVariantType_Double;
  result.value.doubleValue = static_cast<double>(value.get<T>());
}

// Values a 32-bit script integer cannot hold travel as their decimal text.
void fromTextForm(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  setText(host, value.convertTo<std::string>(), result);
}

// A browser object proxy gives its own object; anything else of ours is
// kept alive by the host and handed out through a wrapper.
NPObject* browserObjectOf(const NpapiBrowserHostPtr& host, const JSAPIPtr& api) {
  if (auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(api)) return host->RetainObject(proxy->getNPObject());
  return nullptr;
}

void fromApi(const NpapiBrowserHostPtr& host, const JSAPIPtr& api, bool retain, NPVariant& result) {
  if (!api) return setNull(result);
  if (NPObject* object = browserObjectOf(host, api)) return setObject(result, object);
  setObject(result, host->wrapperForApi(api, retain));
}

void fromSharedApi(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  fromApi(host, value.get<JSAPIPtr>(), true, result);
}

void fromWeakApi(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  JSAPIPtr api = value.get<JSAPIWeakPtr>().lock();
  fromApi(host, api, false, result);
}

void fromObject(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  const JSObjectPtr& object = value.get<JSObjectPtr>();
  if (!object) return setNull(result);
  if (NPObject* browserObject = browserObjectOf(host, object)) return setObject(result, browserObject);
  host->retainObject(object);
  setObject(result, NPJavascriptObject::newObject(host, object, false));
}

// Lists and maps become new page arrays and objects made by the window.
void fromPageObject(const NpapiBrowserHostPtr& host, const JSObjectPtr& made, NPVariant& result) {
  auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(made);
  setObject(result, proxy ? host->RetainObject(proxy->getNPObject()) : nullptr);
}

void fromList(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  JSObjectPtr array = host->windowObject()->callMethod("Array", VariantVector{}).convertTo<JSObjectPtr>();
  if (!array) return setNull(result);
  for (const auto& element : value.get<VariantVector>()) array->callMethod("push", VariantVector{element});
  fromPageObject(host, array, result);
}

void fromMap(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  JSObjectPtr object = host->windowObject()->callMethod("Object", VariantVector{}).convertTo<JSObjectPtr>();
  if (!object) return setNull(result);
  for (const auto& [key, element] : value.get<VariantStringMap>()) object->writeProperty(key, element);
  fromPageObject(host, object, result);
}

// Keyed by the variant's type key: one pointer hash per conversion.
const std::unordered_map<const void*, Converter>& converters() {
  static const std::unordered_map<const void*, Converter> table = [] {
    std::unordered_map<const void*, Converter> t;
    t[variant::typeKeyOf<variant_detail::empty>()] = [](const NpapiBrowserHostPtr&, const variant&, NPVariant& r) { setVoid(r); };
    t[variant::typeKeyOf<variant_detail::null>()] = [](const NpapiBrowserHostPtr&, const variant&, NPVariant& r) { setNull(r); };
    t[variant::typeKeyOf<bool>()] = [](const NpapiBrowserHostPtr&, const variant& v, NPVariant& r) {
      r.type = NPVariantType_Bool;
      r.value.boolValue = v.get<bool>();
    };
    t[variant::typeKeyOf<char>()] = &fromInt32<char>;
    t[variant::typeKeyOf<unsigned char>()] = &fromInt32<unsigned char>;
    t[variant::typeKeyOf<short>()] = &fromInt32<short>;
    t[variant::typeKeyOf<unsigned short>()] = &fromInt32<unsigned short>;
    t[variant::typeKeyOf<int>()] = &fromInt32<int>;
    // Where long is 64 bits wide it is a 64-bit value and goes as text.
    t[variant::typeKeyOf<long>()] = sizeof(long) == 4 ? &fromInt32<long> : &fromTextForm;
    t[variant::typeKeyOf<float>()] = &fromDouble<float>;
    t[variant::typeKeyOf<double>()] = &fromDouble<double>;
    t[variant::typeKeyOf<unsigned int>()] = &fromTextForm;
    t[variant::typeKeyOf<unsigned long>()] = &fromTextForm;
    t[variant::typeKeyOf<long long>()] = &fromTextForm;
    t[variant::typeKeyOf<unsigned long long>()] = &fromTextForm;
    t[variant::typeKeyOf<std::string>()] = [](const NpapiBrowserHostPtr& h, const variant& v, NPVariant& r) {
      setText(h, v.get<std::string>(), r);
    };
    t[variant::typeKeyOf<std::wstring>()] = &fromTextForm;
    t[variant::typeKeyOf<VariantVector>()] = &fromList;
    t[variant::typeKeyOf<VariantStringMap>()] = &fromMap;
    t[variant::typeKeyOf<JSAPIPtr>()] = &fromSharedApi;
    t[variant::typeKeyOf<JSAPIWeakPtr>()] = &fromWeakApi;
    t[variant::typeKeyOf<JSObjectPtr>()] = &fromObject;
    return t;
  }();
  return table;
}

}  // namespace

uint32_t browserAllocationSize(std::size_t count, std::size_t elementSize) {
  constexpr std::uint64_t kLargest = std::numeric_limits<uint32_t>::max();
  if (elementSize != 0 && static_cast<std::uint64_t>(count) > kLargest / elementSize) {
    throw script_error("The result is too large for the browser");
  }
  return static_cast<uint32_t>(count * elementSize);
}

variant toVariant(const NpapiBrowserHostPtr& host, const NPVariant& value) {
  switch (value.type) {
    case NPVariantType_Void:
      return variant();
    case NPVariantType_Null:
      return variant(FBNull);
    case NPVariantType_Bool:
      return variant(value.value.boolValue);
    case NPVariantType_Int32:
      return variant(static_cast<int>(value.value.intValue));
    case NPVariantType_Double:
      return variant(value.value.doubleValue);
    case NPVariantType_String: {
      const NPString& text = value.value.stringValue;
      return variant(std::string(text.UTF8Characters ? text.UTF8Characters : "", text.UTF8Length));
    }
    case NPVariantType_Object:
      if (!value.value.objectValue) return variant(FBNull);
      return variant(JSObjectPtr(std::make_shared<NPObjectAPI>(value.value.objectValue, host)));
  }
  return variant();
}

void toNPVariant(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result) {
  const auto& table = converters();
  auto found = table.find(value.typeKey());
  if (found != table.end()) found->second(host, value, result);
}

}  // namespace FB::Npapi
