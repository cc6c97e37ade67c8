// Tests of FB::variant::convertTo<T>(): texts, numbers, bool, optional
// values, object pointers and lists/maps read from browser objects.
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "scripting/js_object.h"
#include "scripting/jsapi_auto.h"
#include "scripting/script_error.h"
#include "scripting/variant.h"

namespace {

using FB::variant;

class Scriptable : public FB::JSAPIAuto {};
class OtherScriptable : public FB::JSAPIAuto {};

// A browser object whose properties live in a map; indexed properties are
// keyed "[i]" so that only readPropertyAt reaches them. Every read is logged,
// and reading `failOn` raises a script error as a browser would.
class FakeBrowserObject : public FB::JSObject {
 public:
  explicit FakeBrowserObject(FB::VariantStringMap properties = {}, FB::JSAPIPtr wrapped = nullptr)
      : FB::JSObject(nullptr), properties(std::move(properties)), wrapped(std::move(wrapped)) {}
  using FB::JSAPI::callMethod, FB::JSAPI::collectMemberNames, FB::JSAPI::deleteProperty,
      FB::JSAPI::hasMethodNamed, FB::JSAPI::hasPropertyNamed, FB::JSAPI::readProperty, FB::JSAPI::writeProperty;

  void markInvalid() override {}
  void collectMemberNames(std::vector<std::string>& names) const override {
    for (const auto& entry : properties) names.push_back(entry.first);
  }
  std::size_t memberCount() const override { return properties.size(); }
  bool hasMethodNamed(const std::string&) const override { return false; }
  bool hasPropertyAt(std::size_t index) const override { return properties.count(key(index)) > 0; }
  bool hasPropertyNamed(const std::string& name) const override { return properties.count(name) > 0; }
  variant readPropertyAt(std::size_t index) override { return read(key(index)); }
  variant readProperty(const std::string& name) override { return read(name); }
  void writePropertyAt(std::size_t index, const variant& value) override { properties[key(index)] = value; }
  void writeProperty(const std::string& name, const variant& value) override { properties[name] = value; }
  void deletePropertyAt(std::size_t index) override { properties.erase(key(index)); }
  void deleteProperty(const std::string& name) override { properties.erase(name); }
  variant callMethod(const std::string&, const FB::VariantVector&) override { return {}; }
  variant constructNew(const FB::VariantVector&) override { return {}; }
  bool isValidObject() const override { return true; }
  FB::JSAPIPtr wrappedObject() const override { return wrapped; }

  FB::VariantStringMap properties;
  FB::JSAPIPtr wrapped;
  std::string failOn;
  std::vector<std::string> reads;

 private:
  static std::string key(std::size_t index) { return "[" + std::to_string(index) + "]"; }
  variant read(const std::string& name) {
    if (name == failOn) throw FB::script_error("Permission denied to read " + name);
    reads.push_back(name);
    auto it = properties.find(name);
    return it == properties.end() ? variant() : it->second;
  }
};

template <class T>
FB::bad_variant_cast castFailure(const variant& value) {
  try {
    value.convertTo<T>();
  } catch (const FB::bad_variant_cast& e) {
    return e;
  }
  ADD_FAILURE() << "conversion did not fail";
  return FB::bad_variant_cast(std::string(), std::string());
}

template <class T>
std::string scriptErrorOf(const variant& value) {
  try {
    value.convertTo<T>();
  } catch (const FB::script_error& e) {
    return e.what();
  }
  return "<no script_error>";
}

TEST(VariantToString, Rules) {
  EXPECT_EQ(variant(0.1).convertTo<std::string>(), "0.1");
  EXPECT_EQ(variant(1234567.0).convertTo<std::string>(), "1.23457e+06");
  EXPECT_EQ(variant(2.5f).convertTo<std::string>(), "2.5");
  EXPECT_EQ(variant(4000000000u).convertTo<std::string>(), "4000000000");
  EXPECT_EQ(variant(static_cast<short>(-3)).convertTo<std::string>(), "-3");
  EXPECT_EQ(variant(std::numeric_limits<unsigned long long>::max()).convertTo<std::string>(),
            "18446744073709551615");
  EXPECT_EQ(variant(true).convertTo<std::string>(), "true");
  EXPECT_EQ(variant(false).convertTo<std::string>(), "false");
  EXPECT_EQ(variant('A').convertTo<std::string>(), "A");
  EXPECT_EQ(variant(static_cast<unsigned char>('b')).convertTo<std::string>(), "b");
  EXPECT_EQ(variant(std::wstring(L"caf\u00E9 \U0001F600")).convertTo<std::string>(),
            "caf\xC3\xA9 \xF0\x9F\x98\x80");

  FB::bad_variant_cast e = castFailure<std::string>(variant());
  EXPECT_EQ(e.fromType, "empty");
  EXPECT_EQ(e.toType, "std::string");
  EXPECT_EQ(castFailure<std::string>(variant(FB::FBNull)).fromType, "null");
  EXPECT_THROW(variant(FB::VariantVector{"a"}).convertTo<std::string>(), FB::bad_variant_cast);
}

TEST(VariantToWideString, Rules) {
  EXPECT_EQ(variant(0.1).convertTo<std::wstring>(), L"0.1");
  EXPECT_EQ(variant(true).convertTo<std::wstring>(), L"true");
  EXPECT_EQ(variant(99UL).convertTo<std::wstring>(), L"99");
  EXPECT_EQ(variant('A').convertTo<std::wstring>(), L"A");
  EXPECT_EQ(variant("caf\xC3\xA9 \xF0\x9F\x98\x80").convertTo<std::wstring>(), L"caf\u00E9 \U0001F600");

  FB::bad_variant_cast e = castFailure<std::wstring>(variant(5LL));
  EXPECT_EQ(e.fromType, "long long");
  EXPECT_EQ(e.toType, "std::wstring");
  EXPECT_THROW(variant(5ULL).convertTo<std::wstring>(), FB::bad_variant_cast);
  EXPECT_THROW(variant().convertTo<std::wstring>(), FB::bad_variant_cast);
}

TEST(VariantToNumber, RangeCheckedWithTruncation) {
  EXPECT_EQ(variant(3.99).convertTo<int>(), 3);
  EXPECT_EQ(variant(-3.99).convertTo<int>(), -3);
  EXPECT_EQ(variant(2147483647.9).convertTo<int>(), 2147483647);
  EXPECT_EQ(variant(-0.5).convertTo<unsigned int>(), 0u);
  EXPECT_EQ(variant(1e10).convertTo<long long>(), 10000000000LL);
  EXPECT_EQ(variant(7).convertTo<double>(), 7.0);
  EXPECT_EQ(variant(true).convertTo<int>(), 1);
  EXPECT_EQ(variant(true).convertTo<double>(), 1.0);

  FB::bad_variant_cast e = castFailure<int>(variant(1e10));
  EXPECT_EQ(e.fromType, "double");
  EXPECT_EQ(e.toType, "int");
  EXPECT_THROW(variant(2147483648.0).convertTo<int>(), FB::bad_variant_cast);
  EXPECT_EQ(castFailure<unsigned long long>(variant(-1)).toType, "unsigned long long");
  EXPECT_THROW(variant(300).convertTo<unsigned char>(), FB::bad_variant_cast);
  EXPECT_THROW(variant(std::nan("")).convertTo<int>(), FB::bad_variant_cast);
  EXPECT_EQ(castFailure<int>(variant()).fromType, "empty");
  EXPECT_EQ(castFailure<double>(variant(FB::FBNull)).fromType, "null");
  EXPECT_THROW(variant(FB::VariantVector{1}).convertTo<int>(), FB::bad_variant_cast);

  // long is 64-bit on Linux and 32-bit on Windows.
  variant big = 1LL << 40;
  if constexpr (sizeof(long) == 8) {
    EXPECT_EQ(big.convertTo<long>(), 1L << 40);
  } else {
    EXPECT_THROW(big.convertTo<long>(), FB::bad_variant_cast);
  }
}

TEST(VariantToNumber, TextIsReadUpToTheFirstNonNumberCharacter) {
  EXPECT_EQ(variant("12abc").convertTo<int>(), 12);
  EXPECT_EQ(variant("  42").convertTo<long>(), 42L);
  EXPECT_EQ(variant("-2.5x").convertTo<double>(), -2.5);
  EXPECT_EQ(variant(L"17").convertTo<unsigned short>(), 17);

  FB::bad_variant_cast e = castFailure<int>(variant("abc"));
  EXPECT_EQ(e.fromType, "std::string");
  EXPECT_EQ(e.toType, "int");
  EXPECT_THROW(variant("").convertTo<int>(), FB::bad_variant_cast);
  EXPECT_THROW(variant(L"x1").convertTo<double>(), FB::bad_variant_cast);
  EXPECT_THROW(variant("99999999999").convertTo<int>(), FB::bad_variant_cast);
}

TEST(VariantToBool, Rules) {
  for (const char* text : {"TRUE", "Yes", "y", "t", "1"}) EXPECT_TRUE(variant(text).convertTo<bool>()) << text;
  for (const char* text : {"on", "false", "0", "", " true"}) EXPECT_FALSE(variant(text).convertTo<bool>()) << text;
  EXPECT_TRUE(variant(L"YES").convertTo<bool>());
  EXPECT_FALSE(variant(L"on").convertTo<bool>());

  EXPECT_FALSE(variant(0.5).convertTo<bool>());
  EXPECT_TRUE(variant(-1).convertTo<bool>());
  EXPECT_TRUE(variant(2.0).convertTo<bool>());
  FB::bad_variant_cast e = castFailure<bool>(variant());
  EXPECT_EQ(e.fromType, "empty");
  EXPECT_EQ(e.toType, "long");
  EXPECT_EQ(castFailure<bool>(variant(FB::FBNull)).toType, "long");
}

TEST(VariantToOptional, EmptyAndNullGiveNoValue) {
  EXPECT_FALSE(variant().convertTo<std::optional<int>>().has_value());
  EXPECT_FALSE(variant(FB::FBNull).convertTo<std::optional<std::string>>().has_value());
  EXPECT_EQ(variant("12").convertTo<std::optional<int>>(), 12);
  EXPECT_THROW(variant("abc").convertTo<std::optional<int>>(), FB::bad_variant_cast);
}

TEST(VariantToObject, ScriptableObjectConvertsToItsOwnClasses) {
  EXPECT_EQ(variant().convertTo<FB::JSObjectPtr>(), nullptr);
  EXPECT_EQ(variant(FB::FBNull).convertTo<std::shared_ptr<Scriptable>>(), nullptr);
  EXPECT_EQ(variant(FB::JSAPIPtr()).convertTo<std::shared_ptr<Scriptable>>(), nullptr);

  auto object = std::make_shared<Scriptable>();
  variant value = object;
  EXPECT_EQ(value.convertTo<std::shared_ptr<Scriptable>>(), object);
  EXPECT_EQ(value.convertTo<FB::JSAPIPtr>(), object);
  EXPECT_EQ(variant(FB::JSAPIWeakPtr(object)).convertTo<std::shared_ptr<Scriptable>>(), object);

  FB::bad_variant_cast e = castFailure<std::shared_ptr<OtherScriptable>>(value);
  EXPECT_EQ(e.fromType, "FB::JSAPI");
  EXPECT_NE(e.toType.find("OtherScriptable"), std::string::npos) << e.toType;
  EXPECT_EQ(castFailure<FB::JSObjectPtr>(value).toType, "FB::JSObject");
  EXPECT_THROW(variant(5).convertTo<std::shared_ptr<Scriptable>>(), FB::bad_variant_cast);
}

TEST(VariantToObject, BrowserObjectYieldsTheObjectItStandsFor) {
  auto inner = std::make_shared<Scriptable>();
  auto proxy = std::make_shared<FakeBrowserObject>(FB::VariantStringMap{}, inner);
  // Stored as a browser object or, after passing through JSAPI, as a JSAPI.
  for (const variant& value : {variant(proxy), variant(FB::JSAPIPtr(proxy))}) {
    EXPECT_EQ(value.convertTo<std::shared_ptr<Scriptable>>(), inner);
    EXPECT_EQ(value.convertTo<FB::JSObjectPtr>(), proxy);
    EXPECT_EQ(value.convertTo<std::shared_ptr<FakeBrowserObject>>(), proxy);
    EXPECT_THROW(value.convertTo<std::shared_ptr<OtherScriptable>>(), FB::bad_variant_cast);
  }
  // Asked for any scriptable object, the proxy gives the plug-in's own object.
  EXPECT_EQ(variant(proxy).convertTo<FB::JSAPIPtr>(), inner);
  variant unwrapped = std::make_shared<FakeBrowserObject>();
  EXPECT_THROW(unwrapped.convertTo<std::shared_ptr<Scriptable>>(), FB::bad_variant_cast);
}

TEST(VariantToCollection, StoredValuesAreCopied) {
  EXPECT_EQ(variant(FB::VariantVector{1, "two"}).convertTo<FB::VariantVector>().at(1).get<std::string>(), "two");
  EXPECT_EQ(variant(FB::VariantStringMap{{"a", 1}}).convertTo<FB::VariantStringMap>().at("a").get<int>(), 1);
}

TEST(VariantToCollection, BrowserArrayIsReadByIndex) {
  auto array = std::make_shared<FakeBrowserObject>(
      FB::VariantStringMap{{"length", 3.0}, {"[0]", 1}, {"[1]", "two"}, {"[2]", FB::FBNull}, {"[3]", 4}});
  auto list = variant(array).convertTo<FB::VariantVector>();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].get<int>(), 1);
  EXPECT_EQ(list[1].get<std::string>(), "two");
  EXPECT_TRUE(list[2].isNull());
  EXPECT_EQ(array->reads, (std::vector<std::string>{"length", "[0]", "[1]", "[2]"}));

  array->failOn = "[1]";
  EXPECT_EQ(scriptErrorOf<FB::VariantVector>(array), "Permission denied to read [1]");
}

TEST(VariantToCollection, BrowserObjectMembersFormAMap) {
  auto object = std::make_shared<FakeBrowserObject>(FB::VariantStringMap{{"name", "x"}, {"size", 2.0}});
  auto map = variant(object).convertTo<FB::VariantStringMap>();
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map.at("name").get<std::string>(), "x");
  EXPECT_EQ(map.at("size").get<double>(), 2.0);

  object->failOn = "size";
  EXPECT_EQ(scriptErrorOf<FB::VariantStringMap>(object), "Permission denied to read size");
}

TEST(VariantToCollection, OtherValuesFail) {
  EXPECT_EQ(castFailure<FB::VariantVector>(variant(5)).toType, "FB::JSObject");
  EXPECT_EQ(castFailure<FB::VariantStringMap>(variant("a")).toType, "FB::JSObject");
  EXPECT_EQ(castFailure<FB::VariantVector>(variant()).fromType, "empty");
  EXPECT_THROW(variant(std::make_shared<Scriptable>()).convertTo<FB::VariantVector>(), FB::bad_variant_cast);
  EXPECT_THROW(variant(FB::VariantVector{}).convertTo<FB::VariantStringMap>(), FB::bad_variant_cast);
}

}  // namespace
