// The conversion rules behind FB::variant::convertTo<T>(). Included at the end
// of variant.h; not meant to be included on its own.
//
// Every rule first accepts a value already of the requested type, then tries
// the source types in a fixed order; when no rule applies the conversion
// throws FB::bad_variant_cast naming the stored and the requested type.
#pragma once

#include <cmath>
#include <limits>
#include <optional>
#include <sstream>

#include <boost/numeric/conversion/cast.hpp>

namespace FB {
namespace variant_detail {

// Helpers with out-of-line definitions (variant.cpp): they need the complete
// scriptable-object classes.
std::string toStringRule(const variant& value);
std::wstring toWideStringRule(const variant& value);
bool toBoolRule(const variant& value);
VariantVector toVectorRule(const variant& value);
VariantStringMap toMapRule(const variant& value);
// Steps 1 to 4 of the object rule: the scriptable object the value names, or
// null for empty and null values. Fails naming `target` for other values.
JSAPIPtr objectOf(const variant& value, const std::type_info& target);
// When `object` is a browser object standing for one of the plug-in's own
// scriptable objects, that object; otherwise null.
JSAPIPtr innerObjectOf(const JSAPIPtr& object);

template <class T>
inline constexpr bool is_number = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;

// Range-checked numeric conversion; floating values truncate toward zero.
template <class T, class S>
T checkedNumber(const variant& value, S source) {
  if constexpr (std::is_floating_point_v<S> && std::is_integral_v<T>) {
    if (std::isnan(source)) throw bad_variant_cast(value.typeOf(), typeid(T));
  }
  try {
    return boost::numeric_cast<T>(source);
  } catch (const boost::numeric::bad_numeric_cast&) {
    throw bad_variant_cast(value.typeOf(), typeid(T));
  }
}

template <class T, class S, class... Rest>
bool tryNumberSources(const variant& value, T& out) {
  if (value.holds<S>()) {
    out = checkedNumber<T>(value, value.get<S>());
    return true;
  }
  if constexpr (sizeof...(Rest) > 0) {
    return tryNumberSources<T, Rest...>(value, out);
  } else {
    return false;
  }
}

template <class T>
T numberFromText(const variant& value, const std::string& text) {
  std::istringstream in(text);
  T result{};
  in >> result;
  if (in.fail()) throw bad_variant_cast(value.typeOf(), typeid(T));
  return result;
}

std::string wideToUtf8ForNumber(const variant& value);

// Arithmetic targets (every integer and floating type except bool).
template <class T>
T toNumber(const variant& value) {
  if (value.holds<T>()) return value.get<T>();
  T out{};
  if (tryNumberSources<T, char, unsigned char, short, unsigned short, int, unsigned int, long,
                       unsigned long, long long, unsigned long long, float, double>(value, out)) {
    return out;
  }
  if (value.holds<bool>()) return value.get<bool>() ? T(1) : T(0);
  if (value.holds<std::string>()) return numberFromText<T>(value, value.get<std::string>());
  if (value.holds<std::wstring>()) return numberFromText<T>(value, wideToUtf8ForNumber(value));
  throw bad_variant_cast(value.typeOf(), typeid(T));
}

// Default: only the exact stored type is accepted.
template <class T>
struct converter {
  static T convert(const variant& value) {
    if constexpr (is_number<T>) {
      return toNumber<T>(value);
    } else {
      return value.get<T>();
    }
  }
};

template <>
struct converter<variant> {
  static variant convert(const variant& value) { return value; }
};

template <>
struct converter<std::string> {
  static std::string convert(const variant& value) {
    if (value.holds<std::string>()) return value.get<std::string>();
    return toStringRule(value);
  }
};

template <>
struct converter<std::wstring> {
  static std::wstring convert(const variant& value) {
    if (value.holds<std::wstring>()) return value.get<std::wstring>();
    return toWideStringRule(value);
  }
};

template <>
struct converter<bool> {
  static bool convert(const variant& value) {
    if (value.holds<bool>()) return value.get<bool>();
    return toBoolRule(value);
  }
};

template <class T>
struct converter<std::optional<T>> {
  static std::optional<T> convert(const variant& value) {
    if (value.isEmpty() || value.isNull()) return std::nullopt;
    return value.convertTo<T>();
  }
};

template <>
struct converter<VariantVector> {
  static VariantVector convert(const variant& value) { return toVectorRule(value); }
};

template <>
struct converter<VariantStringMap> {
  static VariantStringMap convert(const variant& value) { return toMapRule(value); }
};

// Pointers to scriptable classes and browser objects. A browser object that
// stands for one of the plug-in's own objects yields that object when it has
// the requested class.
template <class C>
struct converter<std::shared_ptr<C>> {
  static std::shared_ptr<C> convert(const variant& value) {
    if constexpr (std::is_base_of_v<JSAPI, C>) {
      if (value.holds<std::shared_ptr<C>>()) return value.get<std::shared_ptr<C>>();
      JSAPIPtr object = objectOf(value, typeid(std::shared_ptr<C>));
      if (!object) return nullptr;
      if (JSAPIPtr inner = innerObjectOf(object)) {
        if (auto typed = std::dynamic_pointer_cast<C>(inner)) return typed;
      }
      if (auto typed = std::dynamic_pointer_cast<C>(object)) return typed;
      throw bad_variant_cast(value.typeOf(), typeid(std::shared_ptr<C>));
    } else {
      return value.get<std::shared_ptr<C>>();
    }
  }
};

}  // namespace variant_detail
}  // namespace FB
