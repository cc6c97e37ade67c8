// Registry behaviour of FB::JSAPIAuto: built-in members, lookup rules,
// attributes, zones, invalidation and the wide-name forms.
#include "scripting/jsapi_auto.h"

#include <gtest/gtest.h>

#include "scripting/js_function.h"
#include "scripting/script_error.h"

namespace {

using FB::variant;
using FB::VariantVector;

class Counter : public FB::JSAPIAuto {
 public:
  Counter() {
    addMethod("add", FB::makeMethod(this, &Counter::add));
    addProperty("count", FB::makeProperty(this, &Counter::count, &Counter::setCount));
    addProperty("fixed", FB::makeProperty(this, &Counter::count));
  }
  int add(int by) { return count_ += by; }
  int count() const { return count_; }
  void setCount(int value) { count_ = value; }

 private:
  int count_ = 0;
};

template <class E>
std::string messageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "<no exception>";
}

TEST(JSAPIAutoBuiltIns, FreshObjectListsExactlyTheBuiltInsInByteOrder) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  EXPECT_EQ(object->memberNames(),
            (std::vector<std::string>{"getAttribute", "setAttribute", "toString", "valid", "value"}));
  EXPECT_EQ(object->memberCount(), 5u);
  EXPECT_EQ(object->memberNamesWide(),
            (std::vector<std::wstring>{L"getAttribute", L"setAttribute", L"toString", L"valid", L"value"}));
}

TEST(JSAPIAutoBuiltIns, DescriptionValidityAndAttributeAccessors) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  EXPECT_EQ(object->callMethod("toString", {}).get<std::string>(), "<JSAPI-Auto Javascript Object>");
  EXPECT_EQ(object->readProperty("value").get<std::string>(), "<JSAPI-Auto Javascript Object>");
  EXPECT_TRUE(object->readProperty("valid").get<bool>());
  EXPECT_EQ(std::make_shared<FB::JSAPIAuto>("custom")->callMethod("toString", {}).get<std::string>(), "custom");

  object->callMethod("setAttribute", {"a", 1});
  object->callMethod("setAttribute", {"a", 2});
  EXPECT_EQ(object->callMethod("getAttribute", {"a"}).get<int>(), 2);
  EXPECT_TRUE(object->callMethod("getAttribute", {"missing"}).isEmpty());
}

class Described : public FB::JSAPIAuto {
 public:
  std::string descriptionText() const override { return "overridden"; }
  bool isValidObject() const override { return false; }
};

TEST(JSAPIAutoBuiltIns, FollowOverriddenVirtuals) {
  auto object = std::make_shared<Described>();
  EXPECT_EQ(object->callMethod("toString", {}).get<std::string>(), "overridden");
  EXPECT_EQ(object->readProperty("value").get<std::string>(), "overridden");
  EXPECT_FALSE(object->readProperty("valid").get<bool>());
}

TEST(JSAPIAutoLookup, NamesAreCaseSensitive) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  EXPECT_TRUE(object->hasMethodNamed("toString"));
  EXPECT_FALSE(object->hasMethodNamed("ToString"));
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->callMethod("ToString", {}); }),
            "The specified member does not exist: ToString");
}

TEST(JSAPIAutoLookup, PropertyQueriesFollowDynamicAttributesAndReservedNames) {
  auto object = std::make_shared<Counter>();
  EXPECT_TRUE(object->hasPropertyNamed("anything"));
  EXPECT_FALSE(object->hasPropertyNamed("style"));
  EXPECT_TRUE(object->hasPropertyNamed("add"));  // a method is readable as a method object
  EXPECT_TRUE(object->hasPropertyAt(7));
  EXPECT_TRUE(object->readProperty("anything").isEmpty());
  EXPECT_TRUE(object->readProperty("style").isEmpty());
  EXPECT_TRUE(object->readPropertyAt(3).isEmpty());
  EXPECT_TRUE(object->hasCallableMember("add"));
  EXPECT_FALSE(object->hasCallableMember("count"));
}

TEST(JSAPIAutoLookup, WritingAnUnknownNameCreatesAListedWritableAttribute) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  object->writeProperty("color", "red");
  EXPECT_EQ(object->readProperty("color").get<std::string>(), "red");
  EXPECT_EQ(object->callMethod("getAttribute", {"color"}).get<std::string>(), "red");
  auto names = object->memberNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "color"), names.end());

  object->writePropertyAt(4, 9);
  EXPECT_EQ(object->readPropertyAt(4).get<int>(), 9);
  object->deletePropertyAt(4);
  EXPECT_TRUE(object->readPropertyAt(4).isEmpty());
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->deletePropertyAt(4); }),
            "The specified member does not exist: 4");
}

TEST(JSAPIAutoProperties, GetterSetterAndReadOnly) {
  auto object = std::make_shared<Counter>();
  object->writeProperty("count", "41");
  EXPECT_EQ(object->callMethod("add", {1}).get<int>(), 42);
  EXPECT_EQ(object->readProperty("count").get<int>(), 42);
  EXPECT_EQ(messageOf<FB::invalid_arguments>([&] { object->writeProperty("count", "x"); }),
            "Invalid argument conversion from std::string to int");
  EXPECT_EQ(messageOf<std::runtime_error>([&] { object->writeProperty("fixed", 1); }),
            "call to empty boost::function");
  EXPECT_EQ(object->readProperty("fixed").get<int>(), 42);
}

TEST(JSAPIAutoProperties, DeletingRegisteredMembersIsIgnored) {
  auto object = std::make_shared<Counter>();
  object->deleteProperty("count");
  object->deleteProperty("add");
  EXPECT_EQ(object->readProperty("count").get<int>(), 0);
  EXPECT_TRUE(object->hasMethodNamed("add"));
  object->writeProperty("temp", 1);
  object->deleteProperty("temp");
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->deleteProperty("temp"); }),
            "The specified member does not exist: temp");
}

TEST(JSAPIAutoAttributes, ReadOnlyAttributesResistSetAttributeButNotWriteProperty) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  object->addAttribute("b", 1, true);
  EXPECT_EQ(messageOf<FB::script_error>([&] { object->callMethod("setAttribute", {"b", 2}); }),
            "Cannot set read-only property b");
  EXPECT_EQ(messageOf<FB::script_error>([&] { object->dropAttribute("b"); }),
            "Cannot remove read-only property b");
  object->deleteProperty("b");  // silently kept
  EXPECT_EQ(object->readProperty("b").get<int>(), 1);
  object->writeProperty("b", 2);
  EXPECT_EQ(object->readProperty("b").get<int>(), 2);
  object->dropAttribute("b");
  EXPECT_TRUE(object->readProperty("b").isEmpty());
}

class Strict : public FB::JSAPIAuto {
 public:
  Strict() {
    dynamicAttributesAllowed_ = false;
    propertyRemovalAllowed_ = true;
    addProperty("p", FB::makeProperty(this, &Strict::p));
  }
  int p() const { return 5; }
};

TEST(JSAPIAutoSwitches, WithoutDynamicAttributesUnknownNamesAreErrors) {
  auto object = std::make_shared<Strict>();
  EXPECT_FALSE(object->hasPropertyNamed("unknown"));
  EXPECT_FALSE(object->hasPropertyAt(0));
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->readProperty("unknown"); }),
            "The specified member does not exist: unknown");
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->writeProperty("unknown", 1); }),
            "The specified member does not exist: unknown");
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->readPropertyAt(2); }),
            "The specified member does not exist: 2");
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->writePropertyAt(2, 1); }),
            "The specified member does not exist: 2");
  object->addAttribute("w", 1, false);
  object->writeProperty("w", 2);
  EXPECT_EQ(object->readProperty("w").get<int>(), 2);
  object->addAttribute("r", 1, true);
  EXPECT_THROW(object->writeProperty("r", 2), FB::invalid_member);

  object->deleteProperty("p");  // removal allowed: the property goes
  EXPECT_FALSE(object->hasPropertyNamed("p"));
  EXPECT_THROW(object->readProperty("p"), FB::invalid_member);
}

TEST(JSAPIAutoZones, MembersOfAHigherZoneAreInvisible) {
  auto object = std::make_shared<Counter>();
  {
    FB::scoped_zonelock zone(*object, 2);
    object->addMethod("secret", FB::makeMethod(object.get(), &Counter::count));
    object->addAttribute("hidden", 1, false);
    EXPECT_EQ(object->callMethod("secret", {}).get<int>(), 0);
    EXPECT_EQ(object->memberCount(), 10u);
  }
  EXPECT_EQ(object->currentZone(), 0);
  EXPECT_FALSE(object->hasMethodNamed("secret"));
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->callMethod("secret", {}); }),
            "The specified member does not exist: secret");
  EXPECT_TRUE(object->readProperty("hidden").isEmpty());
  EXPECT_EQ(object->memberCount(), 8u);
  auto names = object->memberNames();
  EXPECT_EQ(std::find(names.begin(), names.end(), "secret"), names.end());
  EXPECT_THROW(object->deleteProperty("hidden"), FB::invalid_member);
}

// A property added inside a higher zone: neither its getter nor its setter
// may be reached from zone 0, with dynamic attributes on or off.
class ZonedProperty : public Counter {
 public:
  explicit ZonedProperty(bool dynamicAttributes) {
    dynamicAttributesAllowed_ = dynamicAttributes;
    FB::scoped_zonelock zone(*this, 2);
    addProperty("secret", FB::makeProperty(this, &Counter::count, &Counter::setCount));
  }
};

TEST(JSAPIAutoZones, APropertyOfAHigherZoneCannotBeReadOrWrittenFromZoneZero) {
  for (bool dynamicAttributes : {true, false}) {
    auto object = std::make_shared<ZonedProperty>(dynamicAttributes);
    object->setCount(7);
    if (dynamicAttributes) {
      EXPECT_TRUE(object->readProperty("secret").isEmpty());
    } else {
      EXPECT_THROW(object->readProperty("secret"), FB::invalid_member);
    }
    EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->writeProperty("secret", 1); }),
              "The specified member does not exist: secret");
    EXPECT_EQ(object->count(), 7);
    FB::scoped_zonelock zone(*object, 2);
    EXPECT_EQ(object->readProperty("secret").get<int>(), 7);
  }
}

// A property is reachable from the zone its name was last registered in,
// whichever kind of member registered the name last.
TEST(JSAPIAutoZones, APropertyFollowsTheZoneOfItsName) {
  auto object = std::make_shared<ZonedProperty>(false);
  object->setCount(7);
  object->addMethod("secret", FB::makeMethod(object.get(), &Counter::add));
  EXPECT_EQ(object->readProperty("secret").get<int>(), 7);
  object->removeMethod("secret");
  EXPECT_THROW(object->readProperty("secret"), FB::invalid_member);
  EXPECT_THROW(object->writeProperty("secret", 1), FB::invalid_member);
  EXPECT_TRUE(object->hasPropertyNamed("secret"));
}

TEST(JSAPIAutoZones, BaseZoneIsTheBottomOfTheStack) {
  auto object = std::make_shared<FB::JSAPIAuto>(3, "zoned");
  EXPECT_EQ(object->baseZone(), 3);
  EXPECT_EQ(object->currentZone(), 3);
  object->enterZone(5);
  EXPECT_EQ(object->currentZone(), 5);
  object->setBaseZone(1);
  object->leaveZone();
  EXPECT_EQ(object->baseZone(), 1);
  EXPECT_EQ(object->currentZone(), 1);
  // Built-ins live in zone 0 and so stay visible from any zone at or above it.
  EXPECT_EQ(object->callMethod("toString", {}).get<std::string>(), "zoned");
}

TEST(JSAPIAutoMethodObjects, ReadingAMethodTwiceGivesTheSameCallable) {
  auto object = std::make_shared<Counter>();
  variant first = object->readProperty("add");
  variant second = object->readProperty("add");
  ASSERT_TRUE(first.holds<FB::JSAPIPtr>());
  EXPECT_EQ(first.get<FB::JSAPIPtr>(), second.get<FB::JSAPIPtr>());
  EXPECT_EQ(first.get<FB::JSAPIPtr>(), object->methodObject(L"add"));
  {
    FB::scoped_zonelock zone(*object, 1);  // a different zone has its own method object
    EXPECT_NE(object->methodObject("add"), first.get<FB::JSAPIPtr>());
  }
  EXPECT_THROW(object->methodObject("count"), FB::invalid_member);
}

TEST(JSAPIAutoValidity, InvalidObjectsRefuseEverything) {
  auto object = std::make_shared<Counter>();
  object->markInvalid();
  EXPECT_EQ(messageOf<FB::object_invalidated>([&] { object->callMethod("toString", {}); }),
            "This object is no longer valid");
  EXPECT_FALSE(object->hasMethodNamed("toString"));
  EXPECT_FALSE(object->hasPropertyNamed("count"));
  EXPECT_FALSE(object->hasPropertyAt(0));
  EXPECT_FALSE(object->hasCallableMember("add"));
  EXPECT_THROW(object->readProperty("count"), FB::object_invalidated);
  EXPECT_THROW(object->writeProperty("count", 1), FB::object_invalidated);
  EXPECT_THROW(object->readPropertyAt(0), FB::object_invalidated);
  EXPECT_THROW(object->writePropertyAt(0, 1), FB::object_invalidated);
  EXPECT_THROW(object->deleteProperty("count"), FB::object_invalidated);
  EXPECT_THROW(object->deletePropertyAt(0), FB::object_invalidated);
  EXPECT_THROW(object->methodObject("add"), FB::object_invalidated);
  EXPECT_THROW(object->constructNew({}), FB::object_invalidated);
  EXPECT_EQ(object->memberCount(), 8u);  // the registry itself stays
}

TEST(JSAPIAutoMisc, ConstructNewIsNotAMember) {
  auto object = std::make_shared<FB::JSAPIAuto>();
  EXPECT_EQ(messageOf<FB::invalid_member>([&] { object->constructNew({}); }),
            "The specified member does not exist: constructor");
}

TEST(JSAPIAutoWideNames, WideFormsForwardToTheNarrowOnes) {
  auto object = std::make_shared<Counter>();
  object->addMethod(L"n\u00e4me", FB::makeMethod(object.get(), &Counter::add));
  EXPECT_TRUE(object->hasMethodNamed("n\xc3\xa4me"));
  EXPECT_TRUE(object->hasMethodNamed(L"n\u00e4me"));
  EXPECT_EQ(object->callMethod(L"n\u00e4me", {2}).get<int>(), 2);
  object->writeProperty(L"count", 7);
  EXPECT_EQ(object->readProperty(L"count").get<int>(), 7);
  EXPECT_TRUE(object->hasPropertyNamed(L"count"));
  object->writeProperty(L"tmp", 1);
  object->deleteProperty(L"tmp");
  EXPECT_TRUE(object->readProperty(L"tmp").isEmpty());
  object->removeMethod(L"n\u00e4me");
  EXPECT_FALSE(object->hasMethodNamed("n\xc3\xa4me"));
  object->removeProperty(L"count");
  EXPECT_TRUE(object->readProperty("count").isEmpty());
}

}  // namespace
