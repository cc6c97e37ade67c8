// The IDispatchEx bridge as a script engine drives it: identifiers, each
// InvokeEx case and error answer, the built-in members, enumeration,
// deletion, and the last exception kept per instance.
#include "activex/jsapi_idispatchex_win.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "activex/com_test_host_win.h"
#include "activex/dispatch_id_map.h"
#include "scripting/jsapi_auto.h"
#include "scripting/script_error.h"

namespace FB::ActiveX {
namespace {

using testing::ComValue;
using testing::TestComHost;

// Takes no free-form attributes, so only its members are names.
class Sample : public JSAPIAuto {
 public:
  Sample() : JSAPIAuto("<sample>") {
    dynamicAttributesAllowed_ = false;
    addMethod("", makeMethod(this, &Sample::whole));
    addMethod("echo", makeMethod(this, &Sample::echo));
    addMethod("sum", makeMethod(this, &Sample::sum));
    addMethod("fail", makeMethod(this, &Sample::fail));
    addMethod("crash", makeMethod(this, &Sample::crash));
    addProperty("count", makeProperty(this, &Sample::count, &Sample::setCount));
    addProperty("temporary", makeProperty(this, &Sample::count, &Sample::setCount));
  }
  std::string whole() { return "default"; }
  variant echo(const variant& value) { return value; }
  int sum(int a, int b) { return a + b; }
  int fail() { throw script_error("it failed"); }
  int crash() { throw 42; }
  int count() const { return count_; }
  void setCount(int value) { count_ = value; }
  void dropTemporary() { removeProperty("temporary"); }
  void addEventHandler(const std::string& name, const JSObjectPtr& handler) override {
    events.push_back("+" + name + (handler ? "" : "(null)"));
  }
  void removeEventHandler(const std::string& name, const JSObjectPtr& handler) override {
    events.push_back("-" + name + (handler ? "" : "(null)"));
  }
  std::vector<std::string> events;

 private:
  int count_ = 0;
};

class PlainMethods : public Sample {
 public:
  PlainMethods() { methodObjectsAllowed_ = false; }
};

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_shared<TestComHost>();
    api = std::make_shared<Sample>();
    bridge = host->wrap(api);
  }
  void TearDown() override {
    bridge->Release();
    host->releaseAll();
  }

  DISPID idOf(const wchar_t* name, HRESULT expected = S_OK) {
    BSTR text = SysAllocString(name);
    DISPID id = 12345;
    EXPECT_EQ(bridge->GetDispID(text, fdexNameCaseSensitive, &id), expected) << testing::narrow(name);
    SysFreeString(text);
    return id;
  }

  std::shared_ptr<TestComHost> host;
  std::shared_ptr<Sample> api;
  IDispatchEx* bridge = nullptr;
};

TEST_F(Bridge, NamesShareOneProcessWideNumbering) {
  // The fixed identifiers are there, named narrowly; a member never gets one.
  EXPECT_GE(dispatchIdCount(), 261u);
  EXPECT_EQ(dispatchIdName(0)->convertTo<std::string>(), "value");
  EXPECT_EQ(dispatchIdName(-2147412104)->convertTo<std::string>(), "onclick");
  EXPECT_EQ(dispatchIdName(-613)->convertTo<std::string>(), "this");
  EXPECT_TRUE(dispatchIdName(-525).has_value());

  const DISPID echo = idOf(L"echo");
  const DISPID count = idOf(L"count");
  EXPECT_GE(echo, kFirstMemberDispatchId);
  EXPECT_GE(count, kFirstMemberDispatchId);
  EXPECT_NE(echo, count);
  EXPECT_EQ(idOf(L"echo"), echo);
  // Another object of another instance gets the same numbers.
  auto otherHost = std::make_shared<TestComHost>();
  auto otherApi = std::make_shared<Sample>();
  IDispatchEx* other = otherHost->wrap(otherApi);
  BSTR name = SysAllocString(L"echo");
  DISPID again = 0;
  EXPECT_EQ(other->GetDispID(name, 0, &again), S_OK);
  EXPECT_EQ(again, echo);
  // A new name gets the next number.
  const DISPID fresh = dispatchIdFor(L"a name never seen before");
  EXPECT_EQ(dispatchIdFor(L"a second name never seen before"), fresh + 1);
  SysFreeString(name);
  other->Release();
  otherHost->releaseAll();
}

// Numbers are remembered, membership is not: a numbered name whose member
// went away is unknown until it comes back, with its old number.
TEST_F(Bridge, NumberedNamesAreStillAskedForAndKeepTheirNumbers) {
  const DISPID temporary = idOf(L"temporary");
  api->dropTemporary();
  idOf(L"temporary", DISP_E_UNKNOWNNAME);
  api->addProperty("temporary", makeProperty(api.get(), &Sample::count, &Sample::setCount));
  EXPECT_EQ(idOf(L"temporary"), temporary);

  // More names than the lookups keep at hand: each keeps one number, in
  // order, and each number names its own name.
  std::vector<std::pair<std::wstring, DISPID>> many;
  for (int i = 0; i < 700; ++i) {
    const std::wstring name = L"name number " + std::to_wstring(i);
    many.emplace_back(name, dispatchIdFor(name));
  }
  EXPECT_EQ(many.back().second - many.front().second, 699);
  for (const auto& [name, id] : many) {
    EXPECT_EQ(dispatchIdFor(name), id);
    BSTR got = nullptr;
    ASSERT_EQ(bridge->GetMemberName(id, &got), S_OK);
    EXPECT_EQ(std::wstring(got, SysStringLen(got)), name);
    SysFreeString(got);
  }

  // A name that is not valid UTF-16 fails as the conversion does.
  const DISPID broken = dispatchIdFor(std::wstring(1, static_cast<wchar_t>(0xD800)));
  ComValue result;
  EXPECT_EQ(testing::invoke(bridge, broken, DISPATCH_PROPERTYGET, {}, &result.value, nullptr), DISP_E_EXCEPTION);
}

TEST_F(Bridge, GetDispIDKnowsMembersAndBuiltInsOnly) {
  struct Case {
    const wchar_t* name;
    HRESULT expected;
  };
  const Case cases[] = {{L"echo", S_OK},         {L"count", S_OK},       {L"attachEvent", S_OK},
                       {L"detachEvent", S_OK},  {L"getLastException", S_OK}, {L"toString", S_OK},
                       {L"missing", DISP_E_UNKNOWNNAME}, {L"Echo", DISP_E_UNKNOWNNAME}};
  for (const Case& c : cases) {
    DISPID id = idOf(c.name, c.expected);
    if (FAILED(c.expected)) {
      EXPECT_EQ(id, DISPID_UNKNOWN) << testing::narrow(c.name);
    }
  }
  EXPECT_EQ(bridge->GetDispID(nullptr, 0, nullptr), E_POINTER);
  // Names in a list stop at the first unknown one.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"echo"), const_cast<LPOLESTR>(L"missing")};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(bridge->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], idOf(L"echo"));
}

TEST_F(Bridge, InvokeExAnswersEachKindOfAccess) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<ComValue> args;  // in script order
    HRESULT expected;
    std::string result;  // the result as text ("" for none)
  };
  const WORD get = DISPATCH_PROPERTYGET;
  const WORD call = DISPATCH_METHOD;
  const WORD callGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  const Case cases[] = {
      {"method call", idOf(L"sum"), call, {ComValue(2), ComValue(3)}, S_OK, "5"},
      {"method call, result used", idOf(L"sum"), callGet, {ComValue(2), ComValue(40)}, S_OK, "42"},
      {"default method", DISPID_VALUE, call, {}, S_OK, "default"},
      {"text argument", idOf(L"echo"), callGet, {ComValue(L"h\u00e9")}, S_OK, "h\xC3\xA9"},
      {"property read", idOf(L"count"), get, {}, S_OK, "0"},
      {"method read as property", idOf(L"echo"), get, {}, S_OK, "[object]"},
      {"ready state", -525, get, {}, S_OK, "4"},
      {"enabled", -514, get, {}, S_OK, "true"},
      {"security context", -5511, get, {}, S_OK, ""},
      {"attachEvent read", idOf(L"attachEvent"), get, {}, S_OK, "[object]"},
      {"never assigned", 99, call, {}, DISP_E_MEMBERNOTFOUND, ""},
      {"fixed name no member has", -2147412104, get, {}, DISP_E_MEMBERNOTFOUND, ""},
      {"script error", idOf(L"fail"), callGet, {}, DISP_E_EXCEPTION, ""},
      {"wrong argument count", idOf(L"sum"), callGet, {ComValue(1)}, DISP_E_EXCEPTION, ""},
      {"not a script error", idOf(L"crash"), callGet, {}, E_NOTIMPL, ""},
  };
  for (const Case& c : cases) {
    ComValue result;
    HRESULT answer = testing::invoke(bridge, c.id, c.flags, c.args, &result.value, nullptr);
    EXPECT_EQ(answer, c.expected) << c.what;
    EXPECT_EQ(result.text(), c.result) << c.what;
  }
  ComValue none;
  EXPECT_EQ(testing::invoke(bridge, idOf(L"count"), get, {}, nullptr, nullptr), E_INVALIDARG);
}

TEST_F(Bridge, PropertyWritesReachTheApi) {
  const DISPID count = idOf(L"count");
  EXPECT_EQ(testing::put(bridge, count, ComValue(17)), S_OK);
  EXPECT_EQ(api->count(), 17);
  // A method is not a writable property: the API says so.
  EXPECT_EQ(testing::put(bridge, idOf(L"echo"), ComValue(1)), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(host->lastException().convertTo<std::string>(), "The specified member does not exist: echo");
}

TEST_F(Bridge, ScriptErrorsFillExcepinfoAndTheLastException) {
  EXCEPINFO info{};
  ComValue result;
  ASSERT_EQ(testing::invoke(bridge, idOf(L"fail"), DISPATCH_METHOD, {}, &result.value, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(testing::narrow(info.bstrSource), "application/x-norvellzephel32");
  EXPECT_EQ(testing::narrow(info.bstrDescription), "it failed");
  EXPECT_EQ(info.bstrHelpFile, nullptr);
  EXPECT_EQ(info.pfnDeferredFillIn, nullptr);
  EXPECT_EQ(info.scode, E_NOTIMPL);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);

  // getLastException called as a method answers the message; read, it is a
  // function object.
  ComValue last;
  EXPECT_EQ(testing::invoke(bridge, idOf(L"getLastException"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
                            &last.value, nullptr),
            S_OK);
  EXPECT_EQ(last.text(), "it failed");

  // A member removed after its name was numbered.
  const DISPID temporary = idOf(L"temporary");
  api->dropTemporary();
  EXPECT_EQ(testing::invoke(bridge, temporary, DISPATCH_PROPERTYGET, {}, &result.value, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(host->lastException().convertTo<std::string>(), "Invalid method or property name");
}

TEST_F(Bridge, LastExceptionBelongsToOneInstance) {
  auto otherHost = std::make_shared<TestComHost>();
  auto otherApi = std::make_shared<Sample>();
  IDispatchEx* other = otherHost->wrap(otherApi);
  ComValue result;
  ASSERT_EQ(testing::invoke(bridge, idOf(L"fail"), DISPATCH_METHOD, {}, &result.value, nullptr), DISP_E_EXCEPTION);
  EXPECT_EQ(host->lastException().convertTo<std::string>(), "it failed");
  EXPECT_TRUE(otherHost->lastException().isEmpty());
  ComValue last;
  EXPECT_EQ(testing::invoke(other, idOf(L"getLastException"), DISPATCH_METHOD, {}, &last.value, nullptr), S_OK);
  EXPECT_EQ(last.text(), "");
  other->Release();
  otherHost->releaseAll();
}

TEST_F(Bridge, AttachAndDetachEventTakeExactlyANameAndAHandler) {
  auto handler = host->pageFunction();
  const DISPID attach = idOf(L"attachEvent");
  const DISPID detach = idOf(L"detachEvent");
  ComValue result;
  EXPECT_EQ(testing::invoke(bridge, attach, DISPATCH_METHOD, {ComValue(L"onload"), ComValue(handler)}, &result.value,
                            nullptr),
            S_OK);
  EXPECT_EQ(testing::invoke(bridge, detach, DISPATCH_METHOD, {ComValue(L"onload"), ComValue(handler)}, &result.value,
                            nullptr),
            S_OK);
  EXPECT_EQ(api->events, (std::vector<std::string>{"+onload", "-onload"}));
  for (const std::vector<ComValue>& args : {std::vector<ComValue>{ComValue(L"onload"), ComValue(5)},
                                            std::vector<ComValue>{ComValue(L"onload")},
                                            std::vector<ComValue>{ComValue(L"onload"), ComValue(handler), ComValue(1)}}) {
    EXPECT_EQ(testing::invoke(bridge, attach, DISPATCH_METHOD, args, &result.value, nullptr), DISP_E_EXCEPTION);
  }
  EXPECT_EQ(api->events.size(), 2u);
  EXPECT_EQ(host->lastException().convertTo<std::string>(), "Invalid Arguments");
  handler->Release();
}

TEST_F(Bridge, MethodObjectsOffMakeMethodNamesReadAsTrue) {
  auto plain = std::make_shared<PlainMethods>();
  IDispatchEx* object = host->wrap(plain);
  ComValue result;
  EXPECT_EQ(testing::invoke(object, idOf(L"echo"), DISPATCH_PROPERTYGET, {}, &result.value, nullptr), S_OK);
  EXPECT_EQ(result.text(), "true");
  object->Release();
}

TEST_F(Bridge, EnumerationListsMembersThenBuiltIns) {
  std::vector<std::string> seen;
  DISPID id = DISPID_STARTENUM;
  while (bridge->GetNextDispID(fdexEnumAll, id, &id) == S_OK) {
    BSTR name = nullptr;
    ASSERT_EQ(bridge->GetMemberName(id, &name), S_OK);
    seen.push_back(testing::narrow(name));
    SysFreeString(name);
  }
  std::vector<std::string> expected;
  api->collectMemberNames(expected);
  expected.insert(expected.end(), {"attachEvent", "detachEvent", "getLastException"});
  EXPECT_EQ(seen, expected);
  // A member that goes away is no longer listed.
  api->dropTemporary();
  id = DISPID_STARTENUM;
  std::size_t count = 0;
  while (bridge->GetNextDispID(fdexEnumAll, id, &id) == S_OK) ++count;
  EXPECT_EQ(count, expected.size() - 1);
  BSTR name = nullptr;
  EXPECT_EQ(bridge->GetMemberName(99, &name), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(bridge->GetNextDispID(fdexEnumAll, 99, &id), S_FALSE);
}

TEST_F(Bridge, DeletionGoesToTheApi) {
  class Removable : public Sample {
   public:
    Removable() { propertyRemovalAllowed_ = true; }
  };
  auto removable = std::make_shared<Removable>();
  IDispatchEx* object = host->wrap(removable);
  BSTR name = SysAllocString(L"temporary");
  DISPID id = 0;
  ASSERT_EQ(object->GetDispID(name, 0, &id), S_OK);
  EXPECT_EQ(object->DeleteMemberByDispID(id), S_OK);
  EXPECT_FALSE(removable->hasPropertyNamed(std::string("temporary")));
  EXPECT_EQ(object->DeleteMemberByDispID(99), S_FALSE);
  SysFreeString(name);
  object->Release();
}

TEST_F(Bridge, AnObjectWhoseApiIsGoneAnswersFailureCodes) {
  const DISPID echo = idOf(L"echo");
  api.reset();
  ComValue result;
  EXPECT_EQ(testing::invoke(bridge, echo, DISPATCH_METHOD, {}, &result.value, nullptr), DISP_E_MEMBERNOTFOUND);
  idOf(L"echo", DISP_E_UNKNOWNNAME);
  DISPID next = 0;
  EXPECT_EQ(bridge->GetNextDispID(fdexEnumAll, DISPID_STARTENUM, &next), S_FALSE);
  EXPECT_EQ(bridge->DeleteMemberByDispID(echo), S_FALSE);
  for (HRESULT answer : {bridge->GetTypeInfoCount(nullptr), bridge->GetMemberProperties(echo, 0, nullptr),
                         bridge->GetNameSpaceParent(nullptr), bridge->DeleteMemberByName(nullptr, 0)}) {
    EXPECT_EQ(answer, E_NOTIMPL);
  }
}

}  // namespace
}  // namespace FB::ActiveX
