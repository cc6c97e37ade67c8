// makeMethod / makeProperty: turn member functions into the callables that a
// FB::JSAPIAuto registry stores, with argument conversion and checking.
//
// A method with N parameters called with L arguments fails with
// "Too many arguments, expected N." when L > N; otherwise the parameters are
// converted from the last to the first, so the error a page sees names the
// highest-numbered argument at fault: a missing required one ("Error:
// Argument k is not optional.") or one that does not convert ("Invalid
// argument conversion from X to Y at index k"). std::optional parameters may
// be left out or passed undefined/null; FB::variant parameters take the
// argument unchanged.
//
// The callables hold a plain pointer to the object: register them only on
// the object itself (its registry dies with it). They are called under the
// object's zone lock.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "scripting/script_error.h"
#include "scripting/variant.h"

namespace FB {

using CallMethodFunctor = std::function<variant(const VariantVector&)>;
using GetPropFunctor = std::function<variant()>;
using SetPropFunctor = std::function<void(const variant&)>;

struct PropertyFunctors {
  GetPropFunctor get;
  SetPropFunctor set;
};

namespace method_detail {

template <class T>
struct is_optional : std::false_type {};
template <class T>
struct is_optional<std::optional<T>> : std::true_type {};

template <class T>
T convertValue(const variant& value) {
  if constexpr (std::is_same_v<T, variant>) {
    return value;
  } else {
    return value.convertTo<T>();
  }
}

template <class T>
T convertArgument(const variant& value, std::size_t position) {
  try {
    return convertValue<T>(value);
  } catch (const bad_variant_cast& e) {
    throw invalid_arguments("Invalid argument conversion from " + e.fromType + " to " + e.toType +
                            " at index " + std::to_string(position));
  }
}

template <std::size_t K, class Slots>
void convertSlot(Slots& slots, const VariantVector& args) {
  using Param = typename std::tuple_element_t<K, Slots>::value_type;
  if (K >= args.size()) {
    if constexpr (is_optional<Param>::value) {
      std::get<K>(slots).emplace(std::nullopt);
    } else {
      throw invalid_arguments("Error: Argument " + std::to_string(K + 1) + " is not optional.");
    }
  } else {
    std::get<K>(slots).emplace(convertArgument<Param>(args[K], K + 1));
  }
}

// Converts into the slots from the last parameter to the first.
template <class Slots, std::size_t... I>
void convertFromLast(Slots& slots, const VariantVector& args, std::index_sequence<I...>) {
  constexpr std::size_t n = sizeof...(I);
  (convertSlot<n - 1 - I>(slots, args), ...);
}

template <class R, class Call>
variant resultOf(Call&& call) {
  if constexpr (std::is_void_v<R>) {
    call();
    return variant();
  } else {
    return variant(call());
  }
}

template <class Object, class MemberFn, class R, class... Args>
CallMethodFunctor makeCallable(Object* object, MemberFn function) {
  return [object, function](const VariantVector& args) -> variant {
    constexpr std::size_t n = sizeof...(Args);
    if (args.size() > n) throw invalid_arguments("Too many arguments, expected " + std::to_string(n) + ".");
    std::tuple<std::optional<std::decay_t<Args>>...> slots;
    convertFromLast(slots, args, std::index_sequence_for<Args...>{});
    return std::apply(
        [&](auto&... slot) { return resultOf<R>([&]() -> R { return (object->*function)(std::move(*slot)...); }); },
        slots);
  };
}

template <class Param>
SetPropFunctor makeSetter(auto* object, auto setter) {
  return [object, setter](const variant& value) {
    std::decay_t<Param> converted = [&] {
      try {
        return convertValue<std::decay_t<Param>>(value);
      } catch (const bad_variant_cast& e) {
        throw invalid_arguments("Invalid argument conversion from " + e.fromType + " to " + e.toType);
      }
    }();
    (object->*setter)(std::move(converted));
  };
}

}  // namespace method_detail

template <class Object, class C, class R, class... Args>
  requires std::is_base_of_v<C, Object>
CallMethodFunctor makeMethod(Object* object, R (C::*function)(Args...)) {
  return method_detail::makeCallable<Object, R (C::*)(Args...), R, Args...>(object, function);
}

template <class Object, class C, class R, class... Args>
  requires std::is_base_of_v<C, Object>
CallMethodFunctor makeMethod(Object* object, R (C::*function)(Args...) const) {
  return method_detail::makeCallable<Object, R (C::*)(Args...) const, R, Args...>(object, function);
}

template <class Object, class Getter>
GetPropFunctor makeGetter(Object* object, Getter getter) {
  return [object, getter]() -> variant { return variant((object->*getter)()); };
}

template <class Object, class C, class R>
  requires std::is_base_of_v<C, Object>
PropertyFunctors makeProperty(Object* object, R (C::*getter)() const) {
  return {makeGetter(object, getter), SetPropFunctor()};
}

template <class Object, class C, class R>
  requires std::is_base_of_v<C, Object>
PropertyFunctors makeProperty(Object* object, R (C::*getter)()) {
  return {makeGetter(object, getter), SetPropFunctor()};
}

template <class Object, class C, class R, class SetC, class P>
  requires std::is_base_of_v<C, Object> && std::is_base_of_v<SetC, Object>
PropertyFunctors makeProperty(Object* object, R (C::*getter)() const, void (SetC::*setter)(P)) {
  return {makeGetter(object, getter), method_detail::makeSetter<P>(object, setter)};
}

template <class Object, class C, class R, class SetC, class P>
  requires std::is_base_of_v<C, Object> && std::is_base_of_v<SetC, Object>
PropertyFunctors makeProperty(Object* object, R (C::*getter)(), void (SetC::*setter)(P)) {
  return {makeGetter(object, getter), method_detail::makeSetter<P>(object, setter)};
}

}  // namespace FB
