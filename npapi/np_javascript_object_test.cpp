// NPJavascriptObject as page script sees it: member lookup rules, the
// built-in members, enumeration, script errors, wrapper identity and
// invalidation.
#include "npapi/np_javascript_object.h"

#include "npapi/scripting_test_fixture.h"

namespace nz_npapi_test {
namespace {

using NpapiScriptableObject = NpapiTest;

TEST_F(NpapiScriptableObject, ToStringIsAMethodButNeverAProperty) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  EXPECT_TRUE(browser->hasMethod(o, "toString"));
  EXPECT_FALSE(browser->hasProperty(o, "toString"));
  EXPECT_EQ(browser->call(o, "toString").stringValue(), "<sample>");
}

TEST_F(NpapiScriptableObject, MethodsReadableAsFunctionsArePropertiesNotMethods) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  EXPECT_FALSE(browser->hasMethod(o, "echo"));
  EXPECT_TRUE(browser->hasProperty(o, "echo"));

  // Still callable by name, and through the function object it reads as.
  EXPECT_EQ(browser->call(o, "echo", {7}).intValue(), 7);
  NpValue function = browser->get(o, "echo");
  ASSERT_TRUE(function.isObject());
  NpValue result;
  EXPECT_TRUE(browser->invokeDefault(function.objectValue(), {"x"}, result));
  EXPECT_EQ(result.stringValue(), "x");

  EXPECT_FALSE(browser->set(o, "echo", NpValue(1)));
  EXPECT_EQ(lastPageException(), "This property cannot be changed");
  NpValue lastException = browser->get(o, "getLastException");
  EXPECT_TRUE(browser->invokeDefault(lastException.objectValue(), {}, result));
  EXPECT_EQ(result.stringValue(), "This property cannot be changed");
}

TEST_F(NpapiScriptableObject, PlainMethodsAreMethodsNotProperties) {
  auto api = std::make_shared<PlainMethods>();
  NpValue object = wrap(api);
  EXPECT_TRUE(browser->hasMethod(object.objectValue(), "echo"));
  EXPECT_FALSE(browser->hasProperty(object.objectValue(), "echo"));
}

TEST_F(NpapiScriptableObject, PropertiesReadAndWriteThroughTheApi) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  EXPECT_TRUE(browser->hasProperty(o, "count"));
  EXPECT_TRUE(browser->set(o, "count", NpValue(41)));
  EXPECT_EQ(api->count(), 41);
  EXPECT_EQ(browser->get(o, "count").intValue(), 41);
  // Free-form attributes go to the API too, also under the built-in names.
  EXPECT_TRUE(browser->set(o, "addEventListener", NpValue("mine")));
  EXPECT_EQ(api->readProperty("addEventListener").convertTo<std::string>(), "mine");
  // Integer names reach the API's indexed operations.
  EXPECT_TRUE(browser->setAt(o, 2, NpValue("two")));
  EXPECT_EQ(api->readPropertyAt(2).convertTo<std::string>(), "two");
  NpValue read;
  EXPECT_TRUE(browser->getAt(o, 2, read));
  EXPECT_EQ(read.stringValue(), "two");
}

TEST_F(NpapiScriptableObject, BuiltInMembersAreAnsweredWhateverTheApiHolds) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  for (const char* name : {"addEventListener", "removeEventListener", "getLastException"}) {
    EXPECT_TRUE(browser->hasProperty(o, name)) << name;
    EXPECT_FALSE(browser->hasMethod(o, name)) << name;
    NpValue function = browser->get(o, name);
    EXPECT_TRUE(function.isObject()) << name;
  }
  // The same function object each time.
  EXPECT_EQ(browser->get(o, "addEventListener").objectValue(), browser->get(o, "addEventListener").objectValue());
}

TEST_F(NpapiScriptableObject, EnumerateListsTheApiMembersThenTheThreeBuiltIns) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  std::vector<std::string> names;
  ASSERT_TRUE(browser->enumerate(object.objectValue(), names));
  std::vector<std::string> expected = api->memberNames();
  expected.insert(expected.end(), {"addEventListener", "removeEventListener", "getLastException"});
  EXPECT_EQ(names, expected);
  EXPECT_EQ(browser->outstandingAllocations(), 0u);
}

TEST_F(NpapiScriptableObject, ScriptErrorsBecomePageExceptionsAndTheLastException) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  NpValue result = NpValue(5);
  EXPECT_FALSE(browser->invoke(o, "fail", {}, result));
  EXPECT_TRUE(result.isVoid());
  EXPECT_EQ(lastPageException(), "it failed");
  EXPECT_EQ(host->lastException().convertTo<std::string>(), "it failed");

  EXPECT_FALSE(browser->invoke(o, "nothing", {}, result));
  EXPECT_EQ(lastPageException(), "The specified member does not exist: nothing");
  EXPECT_EQ(browser->call(browser->get(o, "getLastException").objectValue(), "call", {NpValue::null()}).stringValue(),
            "The specified member does not exist: nothing");
}

// An error message can hold a file path: another page's instance must not
// read it.
TEST_F(NpapiScriptableObject, EachInstanceReadsOnlyItsOwnLastException) {
  auto otherHost = std::make_shared<FB::Npapi::NpapiBrowserHost>(browser->newInstance());
  otherHost->setBrowserFuncs(browser->funcs());
  auto api = std::make_shared<Sample>();
  auto otherApi = std::make_shared<Sample>();
  NpValue mine = wrap(api);
  NpValue theirs = NpValue::adopt(otherHost->wrapperForApi(otherApi));
  NpValue result;
  EXPECT_FALSE(browser->invoke(mine.objectValue(), "fail", {}, result));
  NpValue theirLast = browser->get(theirs.objectValue(), "getLastException");
  EXPECT_TRUE(browser->call(theirLast.objectValue(), "call", {NpValue::null()}).isVoid());
  NpValue myLast = browser->get(mine.objectValue(), "getLastException");
  EXPECT_EQ(browser->call(myLast.objectValue(), "call", {NpValue::null()}).stringValue(), "it failed");
  otherHost->shutdown();
}

TEST_F(NpapiScriptableObject, OtherFailuresNeverReachTheBrowserAsExceptions) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NpValue result;
  EXPECT_FALSE(browser->invoke(object.objectValue(), "crash", {}, result));
  EXPECT_EQ(lastPageException(), "deep failure");
  EXPECT_FALSE(browser->invoke(object.objectValue(), "crashOddly", {}, result));
  EXPECT_EQ(lastPageException(), "Unknown exception");
}

TEST_F(NpapiScriptableObject, SetterConversionFailureIsAPageException) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  const auto before = browser->exceptions().size();
  // A string is no number: the API reports invalid arguments (a script error).
  EXPECT_FALSE(browser->set(object.objectValue(), "count", NpValue("many")));
  EXPECT_EQ(browser->exceptions().size(), before + 1);
}

TEST_F(NpapiScriptableObject, EventListenersRegisterUnderOnName) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  int calls = 0;
  NpValue handler = browser->newFunction([&](const NpValues& args) {
    ++calls;
    EXPECT_EQ(args.size(), 1u);
    return NpValue();
  });
  NpValue result;
  NpValue add = browser->get(o, "addEventListener");
  EXPECT_TRUE(browser->invokeDefault(add.objectValue(), {"load", handler, false}, result));
  EXPECT_TRUE(result.isVoid());

  api->raiseEvent("onload", {1});
  EXPECT_EQ(calls, 0);  // page handlers run from a timer, after the raise returns
  EXPECT_EQ(browser->runTimers(), 1u);
  EXPECT_EQ(calls, 1);

  NpValue remove = browser->get(o, "removeEventListener");
  EXPECT_TRUE(browser->invokeDefault(remove.objectValue(), {"load", handler}, result));
  api->raiseEvent("onload", {2});
  EXPECT_EQ(browser->runTimers(), 0u);
  EXPECT_EQ(calls, 1);
}

TEST_F(NpapiScriptableObject, EventListenerFunctionsRejectWrongArgumentCounts) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NpValue add = browser->get(object.objectValue(), "addEventListener");
  NpValue handler = browser->newFunction([](const NpValues&) { return NpValue(); });
  NpValue result;
  EXPECT_FALSE(browser->invokeDefault(add.objectValue(), {"load"}, result));
  EXPECT_EQ(lastPageException(), "Invalid Arguments");
  EXPECT_FALSE(browser->invokeDefault(add.objectValue(), {"load", handler, 1, 2}, result));
  EXPECT_EQ(lastPageException(), "Invalid Arguments");
  EXPECT_FALSE(browser->invokeDefault(add.objectValue(), {"load", 5}, result));
  EXPECT_EQ(lastPageException(), "bad cast");
}

TEST_F(NpapiScriptableObject, SameApiGivesSameObjectUntilFullyReleased) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  NpValue first = browser->call(o, "child");
  NpValue second = browser->call(o, "child");
  ASSERT_TRUE(first.isObject());
  EXPECT_EQ(first.objectValue(), second.objectValue());
  const NPClass* wrapperClass = FB::Npapi::NPJavascriptObject::npClass();
  EXPECT_EQ(browser->liveObjectCount(wrapperClass), 2u);
  EXPECT_EQ(host->retainedObjectCount(), 1u);  // kept alive for the page, once per wrapper

  first = NpValue();
  second = NpValue();
  EXPECT_EQ(browser->liveObjectCount(wrapperClass), 1u);
  EXPECT_EQ(host->retainedObjectCount(), 0u);  // the wrapper's end lets go of the API
  NpValue third = browser->call(o, "child");
  ASSERT_TRUE(third.isObject());
  EXPECT_EQ(browser->referenceCount(third.objectValue()), 1u);
  EXPECT_EQ(browser->liveObjectCount(wrapperClass), 2u);
}

TEST_F(NpapiScriptableObject, OwnWrapperPassedBackReachesTheApiItself) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NpValue child = browser->call(object.objectValue(), "child");
  EXPECT_TRUE(browser->call(object.objectValue(), "isChild", {child}).boolValue());
  EXPECT_FALSE(browser->call(object.objectValue(), "isChild", {object}).boolValue());
}

TEST_F(NpapiScriptableObject, InvalidatedWrapperAnswersFalseAndInvalidatesTheApi) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NPObject* o = object.objectValue();
  NpValue add = browser->get(o, "addEventListener");
  NpValue handler = browser->newFunction([](const NpValues&) { return NpValue(); });
  api->setCount(3);

  o->_class->invalidate(o);
  NpValue result;
  EXPECT_FALSE(browser->get(o, "count", result));
  EXPECT_FALSE(browser->hasMethod(o, "toString"));
  EXPECT_FALSE(browser->invoke(o, "echo", {1}, result));
  EXPECT_FALSE(api->isValid());
  EXPECT_FALSE(browser->invokeDefault(add.objectValue(), {"load", handler}, result));
  EXPECT_EQ(lastPageException(), "Invalid Arguments");
}

TEST_F(NpapiScriptableObject, WrapperOfAVanishedApiAnswersFalseQuietly) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  host->freeRetainedObjects();
  api.reset();
  const auto before = browser->exceptions().size();
  NpValue result;
  EXPECT_FALSE(browser->get(object.objectValue(), "count", result));
  EXPECT_FALSE(browser->invoke(object.objectValue(), "toString", {}, result));
  EXPECT_EQ(browser->exceptions().size(), before);
}

TEST_F(NpapiScriptableObject, FunctionObjectOutlivingItsWrapperFailsCleanly) {
  auto api = std::make_shared<Sample>();
  NpValue object = wrap(api);
  NpValue add = browser->get(object.objectValue(), "addEventListener");
  auto function = FB::Npapi::NPJavascriptObject::fromNPObject(add.objectValue())->api().lock();
  add = NpValue();
  object = NpValue();
  ASSERT_TRUE(function);
  EXPECT_THROW(function->callMethod("", {"load", FB::JSObjectPtr()}), FB::invalid_arguments);
}

}  // namespace
}  // namespace nz_npapi_test
