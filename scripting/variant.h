// FB::variant: the dynamically typed value exchanged with page script.
//
// A variant is two machine words: a pointer to a per-type operations table
// and one pointer-sized slot. Trivially copyable values that fit in a pointer
// live in the slot; anything else lives in a heap block the slot points to.
// The empty state (script undefined) and the null state (script null) are
// tables of their own marker types.
//
// A variant is a value type with no internal locking: one instance may be
// used by one thread at a time; copies are independent (shared pointers
// inside still share their object).
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

namespace FB {

class JSAPI;
class JSObject;
class script_error;
class variant;

using VariantVector = std::vector<variant>;
using VariantStringMap = std::map<std::string, variant>;
using JSAPIPtr = std::shared_ptr<JSAPI>;
using JSAPIWeakPtr = std::weak_ptr<JSAPI>;
using JSObjectPtr = std::shared_ptr<JSObject>;

// Failure of every strict access and conversion. what() is "bad cast";
// fromType and toType are the readable names of the stored and the requested
// type.
class bad_variant_cast : public std::bad_cast {
 public:
  bad_variant_cast(const std::type_info& from, const std::type_info& to);
  bad_variant_cast(std::string from, std::string to);
  const char* what() const noexcept override { return "bad cast"; }

  std::string fromType;
  std::string toType;
};

namespace variant_detail {

// Marker for "holds nothing" (script undefined).
struct empty {
  bool operator<(const empty&) const { return false; }
};
// Marker for the script value null.
struct null {
  bool operator<(const null&) const { return false; }
};

union slot_t {
  void* ptr;
  alignas(void*) unsigned char bytes[sizeof(void*)];
};

// One static table per stored type, in this order: type, destroy, clone,
// assign, less.
struct ops_table {
  const std::type_info& (*type)();
  void (*destroy)(slot_t& slot);
  void (*clone)(const slot_t& from, slot_t& to);
  void (*assign)(const slot_t& from, slot_t& to);
  bool (*less)(const slot_t& a, const slot_t& b);
};

template <class T>
inline constexpr bool fits_in_slot = sizeof(T) <= sizeof(void*) && alignof(T) <= alignof(void*) &&
                                     std::is_trivially_copyable_v<T>;

template <class T>
struct ops {
  static const T& get(const slot_t& slot) {
    if constexpr (fits_in_slot<T>) {
      return *std::launder(reinterpret_cast<const T*>(slot.bytes));
    } else {
      return *static_cast<const T*>(slot.ptr);
    }
  }
  static T& get(slot_t& slot) { return const_cast<T&>(get(static_cast<const slot_t&>(slot))); }

  template <class U>
  static void construct(slot_t& slot, U&& value) {
    if constexpr (fits_in_slot<T>) {
      slot.ptr = nullptr;
      ::new (static_cast<void*>(slot.bytes)) T(std::forward<U>(value));
    } else {
      slot.ptr = new T(std::forward<U>(value));
    }
  }

  static const std::type_info& type() { return typeid(T); }
  static void destroy(slot_t& slot) {
    if constexpr (!fits_in_slot<T>) {
      delete static_cast<T*>(slot.ptr);
      slot.ptr = nullptr;
    }
  }
  static void clone(const slot_t& from, slot_t& to) { construct(to, get(from)); }
  static void assign(const slot_t& from, slot_t& to) { get(to) = get(from); }
  static bool less(const slot_t& a, const slot_t& b) {
    if constexpr (requires(const T& x, const T& y) { static_cast<bool>(x < y); }) {
      return get(a) < get(b);
    } else if constexpr (requires(const T& x, const T& y) { x.owner_before(y); }) {
      return get(a).owner_before(get(b));
    } else {
      return false;
    }
  }

  static constexpr ops_table table{&type, &destroy, &clone, &assign, &less};
};

// The type a value is stored as: texts become std::string / std::wstring,
// pointers to scriptable classes become pointers to FB::JSAPI (or, for
// browser-object proxies, to FB::JSObject).
template <class T>
struct stored_type {
  using type = T;
};
template <std::size_t N>
struct stored_type<char[N]> {
  using type = std::string;
};
template <>
struct stored_type<const char*> {
  using type = std::string;
};
template <>
struct stored_type<char*> {
  using type = std::string;
};
template <std::size_t N>
struct stored_type<wchar_t[N]> {
  using type = std::wstring;
};
template <>
struct stored_type<const wchar_t*> {
  using type = std::wstring;
};
template <>
struct stored_type<wchar_t*> {
  using type = std::wstring;
};
template <class D>
struct stored_type<std::shared_ptr<D>> {
  using type = std::conditional_t<
      std::is_base_of_v<JSObject, D>, JSObjectPtr,
      std::conditional_t<std::is_base_of_v<JSAPI, D>, JSAPIPtr, std::shared_ptr<D>>>;
};

template <class T>
using stored_t = typename stored_type<std::remove_cvref_t<T>>::type;

template <class T>
struct converter;

}  // namespace variant_detail

class variant {
 public:
  variant() noexcept : table_(&variant_detail::ops<variant_detail::empty>::table) { slot_.ptr = nullptr; }

  template <class T, class = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<T>, variant>>>
  variant(T&& value) : variant() {  // NOLINT: implicit by design
    using S = variant_detail::stored_t<T>;
    variant_detail::ops<S>::construct(slot_, makeStored<S>(std::forward<T>(value)));
    table_ = &variant_detail::ops<S>::table;
  }

  variant(const variant& other) : variant() {
    other.table_->clone(other.slot_, slot_);
    table_ = other.table_;
  }

  variant(variant&& other) noexcept : table_(other.table_), slot_(other.slot_) { other.reset(); }

  ~variant() { table_->destroy(slot_); }

  // Both assignments take the new value first and release the old one last,
  // so the source may live inside the destination (an element of its list
  // or map), and a copy that throws leaves the destination as it was.
  variant& operator=(const variant& other) {
    if (this != &other) *this = variant(other);
    return *this;
  }

  variant& operator=(variant&& other) noexcept {
    if (this != &other) {
      const variant_detail::ops_table* table = other.table_;
      const variant_detail::slot_t slot = other.slot_;
      other.reset();
      table_->destroy(slot_);
      table_ = table;
      slot_ = slot;
    }
    return *this;
  }

  template <class T, class = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<T>, variant>>>
  variant& operator=(T&& value) {
    return *this = variant(std::forward<T>(value));
  }

  bool isEmpty() const { return table_ == &variant_detail::ops<variant_detail::empty>::table; }
  bool isNull() const { return holds<variant_detail::null>(); }
  const std::type_info& typeOf() const { return table_->type(); }

  // Each stored type has exactly one table in the module, so comparing the
  // table's address is an exact and cheap type test.
  template <class T>
  bool holds() const {
    return table_ == &variant_detail::ops<std::remove_cv_t<T>>::table;
  }

  // A key naming the stored type, equal for equal types; for tables that
  // dispatch on the type without hashing its name.
  const void* typeKey() const { return table_; }
  template <class T>
  static const void* typeKeyOf() {
    return &variant_detail::ops<std::remove_cv_t<T>>::table;
  }

  // Strict access: the stored type must be exactly T.
  template <class T>
  const T& get() const {
    if (!holds<T>()) throw bad_variant_cast(typeOf(), typeid(T));
    return variant_detail::ops<T>::get(slot_);
  }

  // Converting access by the system's fixed conversion rules.
  template <class T>
  T convertTo() const {
    return variant_detail::converter<std::remove_cvref_t<T>>::convert(*this);
  }

  void clear() {
    table_->destroy(slot_);
    reset();
  }

  // Orders by stored type first, then by value within one type.
  bool operator<(const variant& other) const {
    if (table_ != other.table_) return typeOf().before(other.typeOf());
    return table_->less(slot_, other.slot_);
  }

 private:
  template <class S, class T>
  static decltype(auto) makeStored(T&& value) {
    if constexpr (std::is_same_v<std::remove_cvref_t<T>, S>) {
      return std::forward<T>(value);
    } else {
      return S(std::forward<T>(value));
    }
  }

  void reset() noexcept {
    table_ = &variant_detail::ops<variant_detail::empty>::table;
    slot_.ptr = nullptr;
  }

  const variant_detail::ops_table* table_;
  variant_detail::slot_t slot_;
};

// Values for script null, written FB::FBNull for readability at call sites.
inline const variant_detail::null FBNull{};

}  // namespace FB

#include "scripting/variant_conversions.h"
