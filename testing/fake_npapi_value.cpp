// NpValue: a value as the fake browser's page script holds it.
#include <cstring>

#include "testing/fake_npapi_browser.h"

namespace FB::testing {

NpValue::NpValue(bool value) : type_(NPVariantType_Bool), bool_(value) {}
NpValue::NpValue(int value) : type_(NPVariantType_Int32), int_(value) {}
NpValue::NpValue(double value) : type_(NPVariantType_Double), double_(value) {}
NpValue::NpValue(const char* text) : type_(NPVariantType_String), text_(text) {}
NpValue::NpValue(std::string text) : type_(NPVariantType_String), text_(std::move(text)) {}

NpValue NpValue::null() {
  NpValue value;
  value.type_ = NPVariantType_Null;
  return value;
}

NpValue NpValue::object(NPObject* object) {
  if (object) {
    if (FakeNpapiBrowser* browser = FakeNpapiBrowser::current()) browser->retain(object);
  }
  return adopt(object);
}

NpValue NpValue::adopt(NPObject* object) {
  if (!object) return null();
  NpValue value;
  value.type_ = NPVariantType_Object;
  value.object_ = object;
  return value;
}

NpValue NpValue::fromNPVariant(const NPVariant& value) {
  switch (value.type) {
    case NPVariantType_Null:
      return null();
    case NPVariantType_Bool:
      return NpValue(value.value.boolValue);
    case NPVariantType_Int32:
      return NpValue(static_cast<int>(value.value.intValue));
    case NPVariantType_Double:
      return NpValue(value.value.doubleValue);
    case NPVariantType_String: {
      const NPString& text = value.value.stringValue;
      return NpValue(std::string(text.UTF8Characters ? text.UTF8Characters : "", text.UTF8Length));
    }
    case NPVariantType_Object:
      return object(value.value.objectValue);
    default:
      return NpValue();
  }
}

NpValue::NpValue(const NpValue& other)
    : type_(other.type_),
      bool_(other.bool_),
      int_(other.int_),
      double_(other.double_),
      text_(other.text_),
      object_(other.object_) {
  if (object_) {
    if (FakeNpapiBrowser* browser = FakeNpapiBrowser::current()) browser->retain(object_);
  }
}

NpValue::NpValue(NpValue&& other) noexcept
    : type_(other.type_),
      bool_(other.bool_),
      int_(other.int_),
      double_(other.double_),
      text_(std::move(other.text_)),
      object_(other.object_) {
  other.type_ = NPVariantType_Void;
  other.object_ = nullptr;
}

NpValue& NpValue::operator=(NpValue other) noexcept {
  std::swap(type_, other.type_);
  std::swap(bool_, other.bool_);
  std::swap(int_, other.int_);
  std::swap(double_, other.double_);
  std::swap(text_, other.text_);
  std::swap(object_, other.object_);
  return *this;
}

NpValue::~NpValue() {
  if (object_) {
    if (FakeNpapiBrowser* browser = FakeNpapiBrowser::current()) browser->release(object_);
  }
}

NPVariant NpValue::toNPVariant() const {
  NPVariant out;
  out.type = NPVariantType_Void;
  out.value.objectValue = nullptr;
  switch (type_) {
    case NPVariantType_Null:
      out.type = NPVariantType_Null;
      break;
    case NPVariantType_Bool:
      out.type = NPVariantType_Bool;
      out.value.boolValue = bool_;
      break;
    case NPVariantType_Int32:
      out.type = NPVariantType_Int32;
      out.value.intValue = int_;
      break;
    case NPVariantType_Double:
      out.type = NPVariantType_Double;
      out.value.doubleValue = double_;
      break;
    case NPVariantType_String: {
      FakeNpapiBrowser* browser = FakeNpapiBrowser::current();
      auto* text = static_cast<char*>(browser->alloc(static_cast<uint32_t>(text_.size() + 1)));
      std::memcpy(text, text_.data(), text_.size());
      text[text_.size()] = '\0';
      out.type = NPVariantType_String;
      out.value.stringValue.UTF8Characters = text;
      out.value.stringValue.UTF8Length = static_cast<uint32_t>(text_.size());
      break;
    }
    case NPVariantType_Object:
      FakeNpapiBrowser::current()->retain(object_);
      out.type = NPVariantType_Object;
      out.value.objectValue = object_;
      break;
    default:
      break;
  }
  return out;
}

}  // namespace FB::testing
