// Shared by the scriptable-object, conversion, proxy and host tests: a fake
// NPAPI browser with one instance and a browser host over it, and a
// scriptable sample object.
//
// Thread rules: the test's main thread.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "npapi/np_javascript_object.h"
#include "npapi/npapi_browser_host.h"
#include "scripting/jsapi_auto.h"
#include "scripting/script_error.h"
#include "testing/fake_npapi_browser.h"

namespace nz_npapi_test {

using FB::testing::FakeNpapiBrowser;
using FB::testing::NpValue;
using FB::testing::NpValues;

class Sample : public FB::JSAPIAuto {
 public:
  Sample() : FB::JSAPIAuto("<sample>") {
    addMethod("echo", FB::makeMethod(this, &Sample::echo));
    addMethod("sizeOf", FB::makeMethod(this, &Sample::sizeOf));
    addMethod("fail", FB::makeMethod(this, &Sample::fail));
    addMethod("child", FB::makeMethod(this, &Sample::child));
    addMethod("isChild", FB::makeMethod(this, &Sample::isChild));
    addMethod("keep", FB::makeMethod(this, &Sample::keep));
    addMethod("record", FB::makeMethod(this, &Sample::record));
    addMethod("crash", FB::makeMethod(this, &Sample::crash));
    addMethod("crashOddly", FB::makeMethod(this, &Sample::crashOddly));
    addProperty("count", FB::makeProperty(this, &Sample::count, &Sample::setCount));
  }
  FB::variant echo(const FB::variant& value) { return value; }
  int sizeOf(const std::string& text) { return static_cast<int>(text.size()); }
  int fail() { throw FB::script_error("it failed"); }
  int crash() { throw std::runtime_error("deep failure"); }
  int crashOddly() { throw 42; }
  std::shared_ptr<Sample> child() {
    if (!child_) child_ = std::make_shared<Sample>();
    return child_;
  }
  bool isChild(const FB::JSAPIPtr& object) { return object && object == child_; }
  void keep(const FB::JSObjectPtr& object) { kept = object; }
  void record(const FB::variant& value) { recorded.push_back(value); }
  int count() const { return count_; }
  void setCount(int value) { count_ = value; }

  FB::JSObjectPtr kept;
  FB::VariantVector recorded;
  std::shared_ptr<Sample> child_;

 private:
  int count_ = 0;
};

// Methods that are not readable as function objects.
class PlainMethods : public Sample {
 public:
  PlainMethods() { methodObjectsAllowed_ = false; }
};

class NpapiTest : public ::testing::Test {
 protected:
  void SetUp() override { start(); }

  void start(uint16_t version = 26) {
    browser = std::make_unique<FakeNpapiBrowser>(version);
    host = std::make_shared<FB::Npapi::NpapiBrowserHost>(browser->instance());
    host->setBrowserFuncs(browser->funcs());
  }

  void TearDown() override {
    if (host) host->shutdown();
    host.reset();
    EXPECT_EQ(browser->badFrees(), 0);
    EXPECT_EQ(browser->offThreadCalls(), 0);
    browser.reset();
  }

  // The page's view of `api`, holding its reference.
  NpValue wrap(const FB::JSAPIPtr& api) { return NpValue::adopt(host->wrapperForApi(api)); }

  std::string lastPageException() const {
    auto all = browser->exceptions();
    return all.empty() ? std::string("<none>") : all.back();
  }

  std::unique_ptr<FakeNpapiBrowser> browser;
  std::shared_ptr<FB::Npapi::NpapiBrowserHost> host;
};

}  // namespace nz_npapi_test
