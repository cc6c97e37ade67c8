// Tests of FB::variant storage: the empty and null states, strict access,
// copy, assignment and move semantics, the stored types chosen for texts and
// object pointers, and the readable type names used in cast failures.
#include "scripting/variant.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "scripting/js_object.h"
#include "scripting/jsapi_auto.h"
#include "scripting/type_names.h"

namespace {

using FB::variant;

class Scriptable : public FB::JSAPIAuto {};

// A browser object that does nothing; only its class matters here.
class BrowserObject : public FB::JSObject {
 public:
  BrowserObject() : FB::JSObject(nullptr) {}
  using FB::JSAPI::callMethod, FB::JSAPI::collectMemberNames, FB::JSAPI::deleteProperty,
      FB::JSAPI::hasMethodNamed, FB::JSAPI::hasPropertyNamed, FB::JSAPI::readProperty, FB::JSAPI::writeProperty;
  void markInvalid() override {}
  void collectMemberNames(std::vector<std::string>&) const override {}
  std::size_t memberCount() const override { return 0; }
  bool hasMethodNamed(const std::string&) const override { return false; }
  bool hasPropertyAt(std::size_t) const override { return false; }
  bool hasPropertyNamed(const std::string&) const override { return false; }
  variant readPropertyAt(std::size_t) override { return {}; }
  variant readProperty(const std::string&) override { return {}; }
  void writePropertyAt(std::size_t, const variant&) override {}
  void writeProperty(const std::string&, const variant&) override {}
  void deletePropertyAt(std::size_t) override {}
  void deleteProperty(const std::string&) override {}
  variant callMethod(const std::string&, const FB::VariantVector&) override { return {}; }
  variant constructNew(const FB::VariantVector&) override { return {}; }
  bool isValidObject() const override { return true; }
  FB::JSAPIPtr wrappedObject() const override { return nullptr; }
};

// The bad_variant_cast that `access` throws; fails the test when none is thrown.
template <class F>
FB::bad_variant_cast castFailureOf(F&& access) {
  try {
    access();
  } catch (const FB::bad_variant_cast& e) {
    return e;
  }
  ADD_FAILURE() << "no bad_variant_cast thrown";
  return FB::bad_variant_cast(std::string(), std::string());
}

TEST(Variant, EmptyAndNullAreDistinctStates) {
  variant empty, null = FB::FBNull, value = 0;
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_FALSE(empty.isNull());
  EXPECT_EQ(empty.typeOf(), typeid(FB::variant_detail::empty));
  EXPECT_TRUE(null.isNull());
  EXPECT_FALSE(null.isEmpty());
  EXPECT_FALSE(value.isEmpty() || value.isNull());
  value.clear();
  EXPECT_TRUE(value.isEmpty());
  EXPECT_EQ(sizeof(variant), 2 * sizeof(void*));
}

TEST(Variant, StrictAccessNeedsTheExactStoredType) {
  variant number = 42;
  EXPECT_TRUE(number.holds<int>());
  EXPECT_FALSE(number.holds<long>());
  EXPECT_EQ(number.get<int>(), 42);

  FB::bad_variant_cast e = castFailureOf([&] { number.get<long>(); });
  EXPECT_EQ(e.fromType, "int");
  EXPECT_EQ(e.toType, "long");
  EXPECT_STREQ(e.what(), "bad cast");
  EXPECT_THROW(variant(1.5).get<float>(), std::bad_cast);
  e = castFailureOf([] { variant(FB::FBNull).get<FB::JSObjectPtr>(); });
  EXPECT_EQ(e.fromType, "null");
  EXPECT_EQ(e.toType, "FB::JSObject");
  EXPECT_EQ(castFailureOf([] { variant().get<std::string>(); }).fromType, "empty");
}

TEST(Variant, TextsAndObjectPointersAreStoredAsTheirBaseTypes) {
  const char* pointer = "abc";
  EXPECT_EQ(variant("abc").get<std::string>(), "abc");
  EXPECT_EQ(variant(pointer).get<std::string>(), "abc");
  EXPECT_EQ(variant(L"abc").get<std::wstring>(), L"abc");

  auto scriptable = std::make_shared<Scriptable>();
  variant api = scriptable;
  EXPECT_FALSE(api.holds<std::shared_ptr<Scriptable>>());
  EXPECT_EQ(api.get<FB::JSAPIPtr>(), scriptable);

  auto browserObject = std::make_shared<BrowserObject>();
  variant object = browserObject;
  EXPECT_FALSE(object.holds<FB::JSAPIPtr>());
  EXPECT_EQ(object.get<FB::JSObjectPtr>(), browserObject);
}

TEST(Variant, CopiesAreDeepExceptForSharedPointers) {
  auto text = std::make_unique<variant>(std::string(100, 'x'));
  auto list = std::make_unique<variant>(FB::VariantVector{1, "two", FB::VariantVector{3.0}});
  auto map = std::make_unique<variant>(FB::VariantStringMap{{"k", std::string(50, 'v')}});
  variant textCopy = *text, listCopy = *list, mapCopy = *map;
  EXPECT_NE(text->get<std::string>().data(), textCopy.get<std::string>().data());
  EXPECT_NE(&listCopy.get<FB::VariantVector>(), &list->get<FB::VariantVector>());
  text.reset();
  list.reset();
  map.reset();
  EXPECT_EQ(textCopy.get<std::string>(), std::string(100, 'x'));
  const auto& items = listCopy.get<FB::VariantVector>();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].get<std::string>(), "two");
  EXPECT_EQ(items[2].get<FB::VariantVector>().at(0).get<double>(), 3.0);
  EXPECT_EQ(mapCopy.get<FB::VariantStringMap>().at("k").get<std::string>(), std::string(50, 'v'));

  auto shared = std::make_shared<int>(7);
  {
    variant a = shared;
    variant b = a;
    EXPECT_EQ(b.get<std::shared_ptr<int>>(), shared);
    EXPECT_EQ(shared.use_count(), 3);
  }
  EXPECT_EQ(shared.use_count(), 1);
}

TEST(Variant, AssignmentBetweenSameAndDifferentTypes) {
  variant target = std::string("old"), source = std::string("new");
  target = source;
  EXPECT_EQ(target.get<std::string>(), "new");
  EXPECT_EQ(source.get<std::string>(), "new");

  auto shared = std::make_shared<int>(1);
  target = shared;
  target = variant(3.5);
  EXPECT_EQ(target.get<double>(), 3.5);
  EXPECT_EQ(shared.use_count(), 1);  // the replaced value was released
  target = FB::FBNull;
  EXPECT_TRUE(target.isNull());
  target = variant();
  EXPECT_TRUE(target.isEmpty());
}

TEST(Variant, MoveLeavesTheSourceEmpty) {
  auto shared = std::make_shared<int>(1);
  variant source = shared;
  variant moved = std::move(source);
  EXPECT_TRUE(source.isEmpty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(shared.use_count(), 2);

  variant target = std::string("replaced");
  target = std::move(moved);
  EXPECT_TRUE(moved.isEmpty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(target.get<std::shared_ptr<int>>(), shared);
  EXPECT_EQ(shared.use_count(), 2);
}

// Assigning a value that lives inside the destination (an element of its
// list or map) must copy or move it out before the old value is released.
TEST(Variant, AssignmentFromAValueInsideTheDestination) {
  using FB::VariantStringMap;
  using FB::VariantVector;
  struct Case {
    const char* name;
    variant whole;
    variant expected;
  };
  const std::string longText(40, 'x');  // longer than any in-place text buffer
  const Case cases[] = {
      {"list element of another type", VariantVector{longText, 2}, longText},
      {"shorter list inside a longer one", VariantVector{VariantVector{longText}, 5, 6}, VariantVector{longText}},
      // The inner list is wrapped in a variant: a one-element braced list of
      // a vector is a copy of that vector for some compilers.
      {"longer list inside a shorter one", VariantVector{variant(VariantVector{longText, 1, 2})},
       VariantVector{longText, 1, 2}},
      {"map entry", VariantStringMap{{"k", longText}}, longText},
  };
  auto inner = [](variant& v) -> variant& {
    const variant& element = v.holds<VariantVector>() ? v.get<VariantVector>().front()
                                                      : v.get<VariantStringMap>().begin()->second;
    return const_cast<variant&>(element);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    variant copied = c.whole;
    copied = inner(copied);
    EXPECT_FALSE(copied < c.expected || c.expected < copied);
    variant moved = c.whole;
    moved = std::move(inner(moved));
    EXPECT_FALSE(moved < c.expected || c.expected < moved);
  }
}

// Copying throws while failCopies is set.
bool failCopies = false;
struct FragileCopy {
  FragileCopy() = default;
  FragileCopy(const FragileCopy&) {
    if (failCopies) throw std::runtime_error("copy failed");
  }
  FragileCopy& operator=(const FragileCopy&) = default;
};

TEST(Variant, FailedCloneLeavesTheDestinationUnchanged) {
  variant source = FragileCopy();
  auto shared = std::make_shared<int>(1);
  variant target = shared;
  failCopies = true;
  EXPECT_THROW(target = source, std::runtime_error);
  EXPECT_THROW({ variant copy(source); }, std::runtime_error);
  failCopies = false;
  EXPECT_EQ(target.get<std::shared_ptr<int>>(), shared);  // never half-assigned
  EXPECT_EQ(shared.use_count(), 2);
  EXPECT_TRUE(source.holds<FragileCopy>());
}

TEST(TypeNames, ReadableNames) {
  EXPECT_EQ(FB::typeName<std::string>(), "std::string");
  EXPECT_EQ(FB::typeName<std::wstring>(), "std::wstring");
  EXPECT_EQ(FB::typeName<int>(), "int");
  EXPECT_EQ(FB::typeName<unsigned long long>(), "unsigned long long");
  EXPECT_EQ(FB::typeName<FB::JSObjectPtr>(), "FB::JSObject");
  EXPECT_EQ(FB::typeName<std::shared_ptr<FB::JSAPIAuto>>(), "FB::JSAPIAuto");
  EXPECT_EQ(FB::typeName<FB::VariantVector>(), "FB::VariantVector");
  EXPECT_EQ(FB::typeName<FB::variant_detail::empty>(), "empty");
  EXPECT_EQ(FB::typeName<FB::variant_detail::null>(), "null");
  // Only a shared pointer as a whole reads as its object.
  EXPECT_EQ(FB::typeName<std::weak_ptr<FB::JSAPI>>(), "std::weak_ptr<FB::JSAPI>");

  std::string name = FB::typeName<Scriptable>();  // a class without a short name
  EXPECT_NE(name.find("Scriptable"), std::string::npos) << name;
  EXPECT_EQ(name.find_first_of("0123456789"), std::string::npos) << name;
}

}  // namespace
