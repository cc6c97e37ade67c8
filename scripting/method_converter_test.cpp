// Argument checking and conversion of typed methods and property setters.
#include "scripting/method_converter.h"

#include <gtest/gtest.h>

#include "scripting/jsapi_auto.h"

namespace {

using FB::variant;
using FB::VariantVector;

class Child : public FB::JSAPIAuto {
 public:
  Child() : FB::JSAPIAuto("child") {}
};

class Target : public FB::JSAPIAuto {
 public:
  Target() {
    addMethod("none", FB::makeMethod(this, &Target::none));
    addMethod("sum", FB::makeMethod(this, &Target::sum));
    addMethod("three", FB::makeMethod(this, &Target::three));
    addMethod("range", FB::makeMethod(this, &Target::range));
    addMethod("wide", FB::makeMethod(this, &Target::wide));
    addMethod("raw", FB::makeMethod(this, &Target::raw));
    addMethod("child", FB::makeMethod(this, &Target::child));
    addMethod("makeChild", FB::makeMethod(this, &Target::makeChild));
    addMethod("failing", FB::makeMethod(this, &Target::failing));
    addProperty("name", FB::makeProperty(this, &Target::name, &Target::setName));
  }

  void none() { ++calls; }
  int sum(int a, int b) { return a + b; }
  std::string three(const std::string& a, int b, bool c) {
    return a + ":" + std::to_string(b) + ":" + (c ? "yes" : "no");
  }
  std::string range(std::optional<unsigned long long> from, std::optional<unsigned long long> to) {
    return (from ? std::to_string(*from) : "-") + "," + (to ? std::to_string(*to) : "-");
  }
  std::wstring wide(const std::wstring& text) { return text + L"!"; }
  variant raw(const variant& value) { return value; }
  bool child(const std::shared_ptr<Child>& c) { return c != nullptr; }
  std::shared_ptr<Child> makeChild() { return std::make_shared<Child>(); }
  int failing() { return variant("text").get<int>(); }  // a strict access that fails inside
  std::string name() const { return name_; }
  void setName(const std::string& value) { name_ = value; }

  int calls = 0;

 private:
  std::string name_;
};

std::string errorOf(const std::shared_ptr<Target>& object, const std::string& method, const VariantVector& args) {
  try {
    object->callMethod(method, args);
  } catch (const FB::invalid_arguments& e) {
    return e.what();
  }
  return "<no invalid_arguments>";
}

TEST(MakeMethod, ConvertsArgumentsAndWrapsResults) {
  auto object = std::make_shared<Target>();
  EXPECT_TRUE(object->callMethod("none", {}).isEmpty());
  EXPECT_EQ(object->calls, 1);
  EXPECT_EQ(object->callMethod("sum", {2, 3.9}).get<int>(), 5);
  EXPECT_EQ(object->callMethod("sum", {"4", true}).get<int>(), 5);
  EXPECT_EQ(object->callMethod("three", {7, "8", "yes"}).get<std::string>(), "7:8:yes");
  EXPECT_EQ(object->callMethod("wide", {"\xc3\xa9"}).get<std::wstring>(), L"\u00e9!");
  EXPECT_TRUE(object->callMethod("raw", {FB::FBNull}).isNull());
  variant made = object->callMethod("makeChild", {});
  ASSERT_TRUE(made.holds<FB::JSAPIPtr>());  // stored as the base pointer
  EXPECT_TRUE(object->callMethod("child", {made}).get<bool>());
  EXPECT_FALSE(object->callMethod("child", {variant()}).get<bool>());
}

TEST(MakeMethod, OptionalParametersMayBeMissingUndefinedOrNull) {
  auto object = std::make_shared<Target>();
  EXPECT_EQ(object->callMethod("range", {}).get<std::string>(), "-,-");
  EXPECT_EQ(object->callMethod("range", {5}).get<std::string>(), "5,-");
  EXPECT_EQ(object->callMethod("range", {variant(), 9.0}).get<std::string>(), "-,9");
  EXPECT_EQ(object->callMethod("range", {FB::FBNull, "12"}).get<std::string>(), "-,12");
}

TEST(MakeMethod, CountAndPresenceErrors) {
  auto object = std::make_shared<Target>();
  EXPECT_EQ(errorOf(object, "none", {1}), "Too many arguments, expected 0.");
  EXPECT_EQ(errorOf(object, "sum", {1, 2, 3}), "Too many arguments, expected 2.");
  EXPECT_EQ(errorOf(object, "sum", {}), "Error: Argument 2 is not optional.");
  EXPECT_EQ(errorOf(object, "sum", {1}), "Error: Argument 2 is not optional.");
  EXPECT_EQ(errorOf(object, "three", {"a"}), "Error: Argument 3 is not optional.");
}

TEST(MakeMethod, ConversionErrorsNameTheLastFaultyArgument) {
  auto object = std::make_shared<Target>();
  EXPECT_EQ(errorOf(object, "sum", {"x", 1}), "Invalid argument conversion from std::string to int at index 1");
  // Both are wrong; checking runs from the last parameter, so index 2 is named.
  EXPECT_EQ(errorOf(object, "sum", {"x", variant()}), "Invalid argument conversion from empty to int at index 2");
  EXPECT_EQ(errorOf(object, "three", {variant(), 1, true}),
            "Invalid argument conversion from empty to std::string at index 1");
  EXPECT_EQ(errorOf(object, "range", {-1}), "Invalid argument conversion from int to unsigned long long at index 1");
  EXPECT_EQ(errorOf(object, "child", {5}), "Invalid argument conversion from int to Child at index 1");
  auto other = std::make_shared<FB::JSAPIAuto>();
  EXPECT_EQ(errorOf(object, "child", {variant(FB::JSAPIPtr(other))}),
            "Invalid argument conversion from FB::JSAPI to Child at index 1");
}

TEST(MakeMethod, ConversionFailureEscapingTheMemberBecomesInvalidArguments) {
  auto object = std::make_shared<Target>();
  EXPECT_EQ(errorOf(object, "failing", {}), "Could not convert from std::string to int");
}

TEST(MakeProperty, SetterConvertsAndReportsWithoutIndex) {
  auto object = std::make_shared<Target>();
  object->writeProperty("name", 12);
  EXPECT_EQ(object->readProperty("name").get<std::string>(), "12");
  try {
    object->writeProperty("name", FB::VariantVector{});
    FAIL() << "expected invalid_arguments";
  } catch (const FB::invalid_arguments& e) {
    EXPECT_STREQ(e.what(), "Invalid argument conversion from FB::VariantVector to std::string");
  }
  EXPECT_EQ(object->readProperty("name").get<std::string>(), "12");
}

}  // namespace
