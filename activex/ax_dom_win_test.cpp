// The ActiveX DOM wrappers over page objects that lack the HTML object
// model's interfaces, and the host handing out its own wrapper classes.
#include "activex/ax_dom_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "activex/activex_browser_host_win.h"
#include "activex/com_test_host_win.h"
#include "activex/idispatch_api_win.h"

namespace FB::ActiveX {
namespace {

class AxDom : public ::testing::Test {
 protected:
  void TearDown() override {
    plain.reset();
    host->shutdown();
    EXPECT_EQ(object.references, 1u);
  }

  testing::RecordingDispatch object;
  ActiveXBrowserHostPtr host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
  JSObjectPtr plain = std::make_shared<IDispatchAPI>(&object, host);
};

TEST_F(AxDom, ObjectsWithoutTheHtmlInterfacesFailWithTheWrappersMessages) {
  struct Case {
    const char* operation;
    std::function<void()> run;
    const char* message;
  } cases[] = {
      {"window wrapper", [&] { AXDOM::Window window(plain); }, "This is not a valid Window object"},
      {"createElement", [&] { AXDOM::Document(plain).createElement("div"); }, "Failed to create element!"},
      {"elementById", [&] { AXDOM::Document(plain).elementById(std::wstring(L"x")); },
       "Document does not support getElementById"},
      {"elementsByTagName", [&] { AXDOM::Document(plain).elementsByTagName("p"); },
       "Could not get element by tag name"},
      {"host's window wrapper", [&] { host->wrapWindow(plain); }, "This is not a valid Window object"},
  };
  for (const auto& c : cases) {
    try {
      c.run();
      ADD_FAILURE() << c.operation << " did not fail";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), c.message) << c.operation;
      const bool isCast = dynamic_cast<const std::bad_cast*>(&e) != nullptr;
      EXPECT_EQ(isCast, std::string(c.message) == "This is not a valid Window object") << c.operation;
    }
  }
  // Nothing reached the page object.
  EXPECT_TRUE(object.calls.empty());
}

TEST_F(AxDom, TheHostWrapsInItsOwnClassesAndNullAsNull) {
  EXPECT_TRUE(std::dynamic_pointer_cast<AXDOM::Element>(host->wrapElement(plain)));
  EXPECT_TRUE(std::dynamic_pointer_cast<AXDOM::Node>(host->wrapNode(plain)));
  EXPECT_TRUE(std::dynamic_pointer_cast<AXDOM::Document>(host->wrapDocument(plain)));
  EXPECT_EQ(host->wrapWindow(nullptr), nullptr);
  EXPECT_EQ(host->wrapElement(nullptr), nullptr);
  // Generic operations still go through the object's script members.
  host->wrapElement(plain)->appendChild(host->wrapNode(plain));
  EXPECT_EQ(object.calls, std::vector<std::string>{"appendChild([object])"});
}

}  // namespace
}  // namespace FB::ActiveX
