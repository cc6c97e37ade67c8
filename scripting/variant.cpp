#include "scripting/variant.h"

#include <algorithm>
#include <cctype>
#include <cwctype>

#include "scripting/js_object.h"
#include "scripting/jsapi.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"
#include "scripting/type_names.h"

namespace FB {

bad_variant_cast::bad_variant_cast(const std::type_info& from, const std::type_info& to)
    : fromType(readableTypeName(from)), toType(readableTypeName(to)) {}

bad_variant_cast::bad_variant_cast(std::string from, std::string to)
    : fromType(std::move(from)), toType(std::move(to)) {}

namespace variant_detail {
namespace {

template <class Stream, class S>
bool streamIf(const variant& value, Stream& out) {
  if (!value.holds<S>()) return false;
  out << value.get<S>();
  return true;
}

template <class Stream, class... S>
bool streamAny(const variant& value, Stream& out) {
  return (streamIf<Stream, S>(value, out) || ...);
}

template <class Text>
Text streamed(const variant& value, auto& stream, const std::type_info& target) {
  if (stream.fail()) throw bad_variant_cast(value.typeOf(), target);
  return stream.str();
}

bool isTrueWord(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text == "y" || text == "1" || text == "yes" || text == "true" || text == "t";
}

bool isTrueWord(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) {
    if (static_cast<unsigned long>(c) > 0x7f) return false;  // no true word has a non-ASCII character
    narrow.push_back(static_cast<char>(c));
  }
  return isTrueWord(std::move(narrow));
}

JSObjectPtr browserObjectForCollection(const variant& value) {
  JSObjectPtr object;
  try {
    object = value.convertTo<JSObjectPtr>();
  } catch (const bad_variant_cast&) {
    throw bad_variant_cast(value.typeOf(), typeid(JSObjectPtr));
  }
  // Empty and null name no object; there is nothing to read a list from.
  if (!object) throw bad_variant_cast(value.typeOf(), typeid(JSObjectPtr));
  return object;
}

}  // namespace

std::string toStringRule(const variant& value) {
  std::ostringstream out;
  if (streamAny<std::ostringstream, double, float, int, unsigned int>(value, out)) {
    return streamed<std::string>(value, out, typeid(std::string));
  }
  if (value.holds<bool>()) return value.get<bool>() ? "true" : "false";
  if (value.holds<std::wstring>()) return toUtf8(value.get<std::wstring>());
  if (streamAny<std::ostringstream, long, unsigned long, short, unsigned short>(value, out)) {
    return streamed<std::string>(value, out, typeid(std::string));
  }
  if (value.holds<char>()) return std::string(1, value.get<char>());
  if (value.holds<unsigned char>()) return std::string(1, static_cast<char>(value.get<unsigned char>()));
  if (streamAny<std::ostringstream, long long, unsigned long long>(value, out)) {
    return streamed<std::string>(value, out, typeid(std::string));
  }
  throw bad_variant_cast(value.typeOf(), typeid(std::string));
}

std::wstring toWideStringRule(const variant& value) {
  std::wostringstream out;
  if (streamAny<std::wostringstream, double, float, int, unsigned int>(value, out)) {
    return streamed<std::wstring>(value, out, typeid(std::wstring));
  }
  if (value.holds<bool>()) return value.get<bool>() ? L"true" : L"false";
  if (value.holds<std::string>()) return toWide(value.get<std::string>());
  if (streamAny<std::wostringstream, long, unsigned long, short, unsigned short, char, unsigned char>(
          value, out)) {
    return streamed<std::wstring>(value, out, typeid(std::wstring));
  }
  throw bad_variant_cast(value.typeOf(), typeid(std::wstring));
}

bool toBoolRule(const variant& value) {
  if (value.holds<std::string>()) return isTrueWord(value.get<std::string>());
  if (value.holds<std::wstring>()) return isTrueWord(value.get<std::wstring>());
  return toNumber<long>(value) != 0;
}

std::string wideToUtf8ForNumber(const variant& value) { return toUtf8(value.get<std::wstring>()); }

VariantVector toVectorRule(const variant& value) {
  if (value.holds<VariantVector>()) return value.get<VariantVector>();
  JSObjectPtr object = browserObjectForCollection(value);
  VariantVector result;
  try {
    long length = object->readProperty("length").convertTo<long>();
    for (long i = 0; i < length; ++i) result.push_back(object->readPropertyAt(static_cast<std::size_t>(i)));
  } catch (const script_error& e) {
    throw script_error(e.what());
  }
  return result;
}

VariantStringMap toMapRule(const variant& value) {
  if (value.holds<VariantStringMap>()) return value.get<VariantStringMap>();
  JSObjectPtr object = browserObjectForCollection(value);
  VariantStringMap result;
  try {
    for (const std::string& name : object->memberNames()) result[name] = object->readProperty(name);
  } catch (const script_error& e) {
    throw script_error(e.what());
  }
  return result;
}

JSAPIPtr objectOf(const variant& value, const std::type_info& target) {
  if (value.holds<JSObjectPtr>()) return value.get<JSObjectPtr>();
  if (value.holds<JSAPIWeakPtr>()) return value.get<JSAPIWeakPtr>().lock();
  if (value.isEmpty() || value.isNull()) return nullptr;
  if (!value.holds<JSAPIPtr>()) throw bad_variant_cast(value.typeOf(), target);
  return value.get<JSAPIPtr>();
}

JSAPIPtr innerObjectOf(const JSAPIPtr& object) {
  if (auto browserObject = std::dynamic_pointer_cast<JSObject>(object)) return browserObject->wrappedObject();
  return nullptr;
}

}  // namespace variant_detail
}  // namespace FB
