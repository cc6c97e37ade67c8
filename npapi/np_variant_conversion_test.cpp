// Values crossing the NPAPI boundary both ways, seen from page script: what a
// method receives and what script gets back.
#include "npapi/np_variant_conversion.h"

#include <cstdint>

#include "npapi/np_object_api.h"
#include "scripting/script_error.h"
#include "npapi/scripting_test_fixture.h"

namespace nz_npapi_test {
namespace {

class NpapiValueConversion : public NpapiTest {
 protected:
  // What script receives for a plug-in value.
  NpValue toPage(const FB::variant& value) {
    NPVariant out;
    out.type = NPVariantType_Void;
    out.value.objectValue = nullptr;
    host->toNPVariant(value, out);
    NpValue page = NpValue::fromNPVariant(out);
    browser->releaseVariant(&out);
    return page;
  }
};

TEST_F(NpapiValueConversion, ScalarsKeepTheirScriptTypes) {
  EXPECT_TRUE(toPage(FB::variant()).isVoid());
  EXPECT_TRUE(toPage(FB::FBNull).isNull());
  EXPECT_TRUE(toPage(true).boolValue());
  EXPECT_EQ(toPage(static_cast<short>(-5)).intValue(), -5);
  EXPECT_EQ(toPage('A').intValue(), 65);
  EXPECT_EQ(toPage(2147483647).intValue(), 2147483647);
  EXPECT_EQ(toPage(1.5f).doubleValue(), 1.5);
  EXPECT_EQ(toPage(std::wstring(L"w\u00e9")).stringValue(), "w\xc3\xa9");
}

TEST_F(NpapiValueConversion, UnsignedAnd64BitValuesTravelAsDecimalText) {
  NpValue big = toPage(3000000000u);
  EXPECT_EQ(big.type(), NPVariantType_String);
  EXPECT_EQ(big.stringValue(), "3000000000");
  EXPECT_EQ(toPage(5u).stringValue(), "5");
  EXPECT_EQ(toPage(static_cast<int64_t>(-9007199254740993LL)).stringValue(), "-9007199254740993");
  EXPECT_EQ(toPage(static_cast<uint64_t>(18446744073709551615ULL)).stringValue(), "18446744073709551615");
  EXPECT_EQ(toPage(static_cast<unsigned long>(7)).stringValue(), "7");
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiValueConversion, StringsKeepEveryByteBothWays) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  const std::string text("a\0b\0c", 5);
  EXPECT_EQ(browser->call(object.objectValue(), "sizeOf", {text}).intValue(), 5);
  NpValue back = browser->call(object.objectValue(), "echo", {text});
  EXPECT_EQ(back.stringValue(), text);

  NPVariant out;
  host->toNPVariant(FB::variant(std::string("xyz")), out);
  ASSERT_EQ(out.type, NPVariantType_String);
  EXPECT_EQ(out.value.stringValue.UTF8Length, 3u);
  EXPECT_EQ(out.value.stringValue.UTF8Characters[3], '\0');  // terminated for the browser
  browser->releaseVariant(&out);
}

// Text the browser cannot take raises a script error instead of being
// copied into a buffer too short for it.
TEST_F(NpapiValueConversion, TextTheBrowserCannotTakeRaisesAScriptError) {
  EXPECT_EQ(FB::Npapi::browserAllocationSize(0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(FB::Npapi::browserAllocationSize(0x20000000u, 4), 0x80000000u);
  if constexpr (sizeof(std::size_t) > 4) {
    // 3.3 GB of text as Base64 and its terminator: once cut to 32 bits,
    // a buffer of 105 MB.
    EXPECT_THROW(FB::Npapi::browserAllocationSize(static_cast<std::size_t>(std::uint64_t{4400000001u})), FB::script_error);
    EXPECT_THROW(FB::Npapi::browserAllocationSize(std::size_t{0x40000000u}, 8), FB::script_error);
  }

  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  browser->refuseAllocationsAbove(16);
  const auto before = browser->exceptions().size();
  NpValue result;
  EXPECT_FALSE(browser->invoke(object.objectValue(), "echo", {std::string(64, 'x')}, result));
  ASSERT_EQ(browser->exceptions().size(), before + 1);
  EXPECT_EQ(browser->exceptions().back(), "Not enough memory for the result");
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiValueConversion, ListsBecomePageArraysInOrder) {
  NpValue array = toPage(FB::VariantVector{1, "two", FB::VariantVector{3.5}});
  ASSERT_TRUE(array.isObject());
  NpValues items = browser->arrayItems(array.objectValue());
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].intValue(), 1);
  EXPECT_EQ(items[1].stringValue(), "two");
  NpValues inner = browser->arrayItems(items[2].objectValue());
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(inner[0].doubleValue(), 3.5);
}

TEST_F(NpapiValueConversion, MapsBecomePageObjects) {
  NpValue object = toPage(FB::VariantStringMap{{"a", 1}, {"b", "x"}});
  ASSERT_TRUE(object.isObject());
  std::vector<std::string> names;
  ASSERT_TRUE(browser->enumerate(object.objectValue(), names));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(browser->get(object.objectValue(), "a").intValue(), 1);
  EXPECT_EQ(browser->get(object.objectValue(), "b").stringValue(), "x");
}

TEST_F(NpapiValueConversion, PageValuesArriveAsPlugInValues) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  // echo hands back exactly what it received, so each type makes the trip.
  EXPECT_TRUE(browser->call(o, "echo", {NpValue::null()}).isNull());
  EXPECT_TRUE(browser->call(o, "echo", {NpValue()}).isVoid());
  EXPECT_TRUE(browser->call(o, "echo", {true}).boolValue());
  EXPECT_EQ(browser->call(o, "echo", {-3}).intValue(), -3);
  EXPECT_EQ(browser->call(o, "echo", {0.25}).doubleValue(), 0.25);
  NpValue page = browser->newObject();
  EXPECT_EQ(browser->call(o, "echo", {page}).objectValue(), page.objectValue());
}

TEST_F(NpapiValueConversion, PageObjectsArriveAsProxiesThatHoldAReference) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NpValue page = browser->newObject();
  browser->set(page.objectValue(), "name", NpValue("kept"));
  browser->call(object.objectValue(), "keep", {page});
  ASSERT_TRUE(api->kept);
  EXPECT_EQ(browser->referenceCount(page.objectValue()), 2u);
  EXPECT_EQ(api->kept->readProperty("name").convertTo<std::string>(), "kept");
  EXPECT_FALSE(api->kept->wrappedObject());
  api->kept.reset();
  EXPECT_EQ(browser->referenceCount(page.objectValue()), 1u);
}

TEST_F(NpapiValueConversion, OwnObjectsComeBackAsTheirWrappers) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPVariant incoming = object.toNPVariant();
  auto proxy =
      std::dynamic_pointer_cast<FB::Npapi::NPObjectAPI>(host->toVariant(incoming).convertTo<FB::JSObjectPtr>());
  browser->releaseVariant(&incoming);
  ASSERT_TRUE(proxy);
  EXPECT_TRUE(proxy->wrapsPluginObject());
  EXPECT_EQ(proxy->wrappedObject(), api);
  // Handing the proxy back gives the page its own object again.
  EXPECT_EQ(toPage(FB::JSObjectPtr(proxy)).objectValue(), object.objectValue());
  // Direct calls reach the API without the browser.
  EXPECT_EQ(proxy->callMethod("echo", {9}).convertTo<int>(), 9);
}

TEST_F(NpapiValueConversion, ObjectReferencesAndExpiredWeakReferences) {
  EXPECT_TRUE(toPage(FB::JSAPIPtr()).isNull());
  auto api = std::make_shared<Sample>();
  FB::JSAPIWeakPtr weak = api;
  NpValue viaWeak = toPage(weak);
  EXPECT_TRUE(viaWeak.isObject());
  EXPECT_EQ(host->retainedObjectCount(), 0u);
  NpValue viaShared = toPage(FB::JSAPIPtr(api));
  EXPECT_EQ(viaShared.objectValue(), viaWeak.objectValue());
  EXPECT_EQ(host->retainedObjectCount(), 1u);
  viaWeak = NpValue();
  viaShared = NpValue();
  host->freeRetainedObjects();
  api.reset();
  EXPECT_TRUE(toPage(weak).isNull());
}

}  // namespace
}  // namespace nz_npapi_test
