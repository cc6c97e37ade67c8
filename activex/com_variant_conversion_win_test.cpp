// Both conversion tables between VARIANT and FB::variant.
#include "activex/com_variant_conversion_win.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <typeinfo>

#include "activex/com_test_host_win.h"
#include "scripting/jsapi_auto.h"

namespace FB::ActiveX {
namespace {

using testing::ComValue;
using testing::TestComHost;

TEST(ComVariantConversion, FromComByVariantType) {
  auto host = std::make_shared<TestComHost>();
  struct Case {
    VARTYPE type;
    void (*fill)(VARIANT&);
    const std::type_info& expectedType;
    std::string expectedText;
  };
  const Case cases[] = {
      {VT_EMPTY, [](VARIANT&) {}, typeid(variant_detail::empty), ""},
      {VT_I1, [](VARIANT& v) { V_I1(&v) = -5; }, typeid(long), "-5"},
      {VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }, typeid(long), "200"},
      {VT_I2, [](VARIANT& v) { V_I2(&v) = -300; }, typeid(long), "-300"},
      {VT_UI2, [](VARIANT& v) { V_UI2(&v) = 60000; }, typeid(long), "60000"},
      {VT_I4, [](VARIANT& v) { V_I4(&v) = -70000; }, typeid(long), "-70000"},
      {VT_INT, [](VARIANT& v) { V_INT(&v) = 7; }, typeid(long), "7"},
      {VT_UI4, [](VARIANT& v) { V_UI4(&v) = 4000000000u; }, typeid(unsigned long), "4000000000"},
      {VT_UINT, [](VARIANT& v) { V_UINT(&v) = 9; }, typeid(unsigned long), "9"},
      {VT_I8, [](VARIANT& v) { V_I8(&v) = -5000000000LL; }, typeid(long long), "-5000000000"},
      {VT_UI8, [](VARIANT& v) { V_UI8(&v) = 10000000000ULL; }, typeid(unsigned long long), "10000000000"},
      {VT_R4, [](VARIANT& v) { V_R4(&v) = 1.5f; }, typeid(double), "1.5"},
      {VT_R8, [](VARIANT& v) { V_R8(&v) = -0.25; }, typeid(double), "-0.25"},
      {VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }, typeid(bool), "true"},
      {VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_FALSE; }, typeid(bool), "false"},
      {VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = SysAllocString(L"\u00e9t\u00e9"); }, typeid(std::string),
       "\xC3\xA9t\xC3\xA9"},
      {VT_DATE, [](VARIANT& v) { V_DATE(&v) = 1.0; }, typeid(variant_detail::empty), ""},
      {VT_CY, [](VARIANT& v) { V_CY(&v).int64 = 1; }, typeid(variant_detail::empty), ""},
  };
  for (const Case& c : cases) {
    ComValue value;
    V_VT(&value.value) = c.type;
    c.fill(value.value);
    variant converted = toVariantFromCom(host, value.value);
    EXPECT_EQ(converted.typeOf(), c.expectedType) << c.type;
    if (!converted.isEmpty()) {
      EXPECT_EQ(converted.convertTo<std::string>(), c.expectedText) << c.type;
    }
  }
  ComValue decimal(2.5);
  ASSERT_EQ(VariantChangeType(&decimal.value, &decimal.value, 0, VT_DECIMAL), S_OK);
  EXPECT_EQ(toVariantFromCom(host, decimal.value).get<double>(), 2.5);
  ComValue null;
  V_VT(&null.value) = VT_NULL;
  EXPECT_TRUE(toVariantFromCom(host, null.value).isNull());

  // A page object becomes a proxy that gives the same object back.
  IDispatch* page = host->pageFunction();
  ComValue object(page);
  variant proxy = toVariantFromCom(host, object.value);
  ASSERT_TRUE(proxy.holds<JSObjectPtr>());
  VARIANT back;
  toComVariant(host, proxy, back);
  EXPECT_EQ(V_VT(&back), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(&back), page);
  VariantClear(&back);
  page->Release();
  host->releaseAll();
}

TEST(ComVariantConversion, ToComByStoredType) {
  auto host = std::make_shared<TestComHost>();
  struct Case {
    variant value;
    VARTYPE expectedType;
    std::string expectedText;
  };
  const Case cases[] = {
      {variant(), VT_EMPTY, ""},
      {variant(FBNull), VT_NULL, "null"},
      {variant(true), VT_BOOL, "true"},
      {variant(static_cast<char>(-3)), VT_I1, "-3"},
      {variant(static_cast<unsigned char>(250)), VT_UI1, "250"},
      {variant(static_cast<short>(-2)), VT_I2, "-2"},
      {variant(static_cast<unsigned short>(65000)), VT_UI2, "65000"},
      {variant(-7), VT_I4, "-7"},
      {variant(-8L), VT_I4, "-8"},
      {variant(9u), VT_UI4, "9"},
      {variant(10ul), VT_UI4, "10"},
      {variant(-5000000000LL), VT_I8, "-5000000000"},
      {variant(10000000000ULL), VT_UI8, "10000000000"},
      {variant(0.5f), VT_R4, "0.5"},
      {variant(-1.25), VT_R8, "-1.25"},
      {variant("\xC3\xA9"), VT_BSTR, "\xC3\xA9"},
      {variant(L"\u00e9"), VT_BSTR, "\xC3\xA9"},
      {variant(JSAPIPtr()), VT_NULL, "null"},
      {variant(std::make_shared<int>(1)), VT_EMPTY, ""},
  };
  for (const Case& c : cases) {
    ComValue converted;
    toComVariant(host, c.value, converted.value);
    EXPECT_EQ(V_VT(&converted.value), c.expectedType) << c.expectedText;
    EXPECT_EQ(converted.text(), c.expectedText);
  }

  // Lists and maps become new page arrays and objects.
  ComValue list;
  toComVariant(host, variant(VariantVector{variant(1), variant("two")}), list.value);
  EXPECT_EQ(V_VT(&list.value), VT_DISPATCH);
  ASSERT_EQ(host->arrays.size(), 1u);
  EXPECT_EQ(host->arrays[0].size(), 2u);
  ComValue map;
  toComVariant(host, variant(VariantStringMap{{"a", variant(1)}}), map.value);
  EXPECT_EQ(V_VT(&map.value), VT_DISPATCH);
  ASSERT_EQ(host->objects.size(), 1u);

  // A shared scriptable object is kept alive for the page; a weak one is not.
  auto api = std::make_shared<JSAPIAuto>();
  ComValue shared;
  toComVariant(host, variant(JSAPIPtr(api)), shared.value);
  EXPECT_EQ(V_VT(&shared.value), VT_DISPATCH);
  EXPECT_EQ(host->retained.size(), 1u);
  ComValue weak;
  toComVariant(host, variant(JSAPIWeakPtr(api)), weak.value);
  EXPECT_EQ(V_VT(&weak.value), VT_DISPATCH);
  EXPECT_EQ(host->retained.size(), 1u);
  host->releaseAll();
}

}  // namespace
}  // namespace FB::ActiveX
