// Method objects: direct calls, "call" and "apply", zones and a lost owner.
#include "scripting/js_function.h"

#include <gtest/gtest.h>

#include "scripting/script_error.h"

namespace {

using FB::variant;
using FB::VariantVector;

class Pair : public FB::JSAPIAuto {
 public:
  Pair() { addMethod("f", FB::makeMethod(this, &Pair::f)); }
  std::string f(int a, std::optional<int> b) { return std::to_string(a) + "," + (b ? std::to_string(*b) : "-"); }
};

std::shared_ptr<FB::JSAPI> methodOf(const std::shared_ptr<FB::JSAPIAuto>& owner, const std::string& name) {
  return owner->readProperty(name).get<FB::JSAPIPtr>();
}

TEST(JSFunction, DirectCallAndApplyReachTheMethodAlike) {
  auto owner = std::make_shared<Pair>();
  auto m = methodOf(owner, "f");
  EXPECT_EQ(m->callMethod("", {1, 2}).get<std::string>(), "1,2");
  EXPECT_EQ(m->callMethod("call", {FB::FBNull, 1, 2}).get<std::string>(), "1,2");
  EXPECT_EQ(m->callMethod("apply", {FB::FBNull, VariantVector{1, 2}}).get<std::string>(), "1,2");
  // With fewer than two arguments, call and apply pass none.
  EXPECT_THROW(m->callMethod("call", {FB::FBNull}), FB::invalid_arguments);
  EXPECT_THROW(m->callMethod("apply", {}), FB::invalid_arguments);
  try {
    m->callMethod("apply", {FB::FBNull, 5});
    FAIL();
  } catch (const FB::invalid_arguments& e) {
    EXPECT_STREQ(e.what(), "Could not convert from int to FB::JSObject");
  }
}

TEST(JSFunction, MembersAndDescription) {
  auto owner = std::make_shared<Pair>();
  auto m = methodOf(owner, "f");
  EXPECT_TRUE(m->hasMethodNamed(""));
  EXPECT_TRUE(m->hasMethodNamed("call"));
  EXPECT_TRUE(m->hasMethodNamed(L"apply"));
  EXPECT_FALSE(m->hasPropertyNamed("call"));
  EXPECT_FALSE(m->hasPropertyNamed(L"apply"));
  EXPECT_TRUE(m->hasPropertyNamed("style"));  // a method object reserves no names
  EXPECT_EQ(m->callMethod("toString", {}).get<std::string>(), "f()");
  // Method objects of a method object are off: toString reads as a plain attribute.
  EXPECT_TRUE(m->readProperty("toString").isEmpty());
  auto names = m->memberNames();
  EXPECT_EQ(std::find(names.begin(), names.end(), "call"), names.end());
}

TEST(JSFunction, CallsInTheZoneItWasMadeIn) {
  auto owner = std::make_shared<Pair>();
  std::shared_ptr<FB::JSAPI> m;
  {
    FB::scoped_zonelock zone(*owner, 3);
    owner->addMethod("z", FB::makeMethod(owner.get(), &Pair::currentZone));
    m = owner->methodObject("z");
  }
  EXPECT_THROW(owner->callMethod("z", {}), FB::invalid_member);
  EXPECT_EQ(m->callMethod("", {}).get<int>(), 3);
  EXPECT_EQ(owner->currentZone(), 0);
}

TEST(JSFunction, FailsOnceTheOwnerIsGoneAndNeverKeepsItAlive) {
  for (bool functionInvalidated : {false, true}) {
    auto owner = std::make_shared<Pair>();
    std::weak_ptr<Pair> watch = owner;
    auto m = methodOf(owner, "f");
    if (functionInvalidated) m->markInvalid();
    owner.reset();
    EXPECT_TRUE(watch.expired());
    try {
      m->callMethod("", {1});
      FAIL();
    } catch (const FB::script_error& e) {
      EXPECT_STREQ(e.what(), "Invalid JSAPI object") << functionInvalidated;
    }
  }
}

TEST(JSFunction, InvalidatedOwnerOrFunction) {
  auto owner = std::make_shared<Pair>();
  auto m = methodOf(owner, "f");
  owner->markInvalid();
  EXPECT_THROW(m->callMethod("", {1}), FB::object_invalidated);
  auto other = std::make_shared<Pair>();
  auto n = methodOf(other, "f");
  n->markInvalid();
  EXPECT_THROW(n->callMethod("", {1}), FB::object_invalidated);
}

}  // namespace
