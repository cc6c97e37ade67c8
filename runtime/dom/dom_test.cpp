// The DOM wrappers over the fake page: which member each operation reaches
// and with what arguments, how results become wrappers (null and undefined
// give null wrappers), and that page errors pass through.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "runtime/dom/document.h"
#include "runtime/dom/window.h"
#include "scripting/script_error.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::JSObjectPtr;
using FB::variant;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeScriptObject;

FakeScriptObject::Function answering(const variant& result) {
  return [result](const VariantVector&) { return result; };
}

TEST(DomHost, WrapsTheObjectOrGivesNullAndResultsLeadOn) {
  auto host = FakeBrowserHost::create();
  const JSObjectPtr window = host->window();
  EXPECT_EQ(host->wrapWindow(window)->browserObject(), window);
  EXPECT_EQ(host->wrapNode(window)->browserObject(), window);
  EXPECT_EQ(host->wrapElement(host->element())->browserObject(), JSObjectPtr(host->element()));
  EXPECT_EQ(host->wrapWindow(nullptr), nullptr);
  EXPECT_EQ(host->wrapDocument(nullptr), nullptr);
  EXPECT_EQ(host->wrapElement(nullptr), nullptr);
  EXPECT_EQ(host->wrapNode(nullptr), nullptr);
  EXPECT_THROW(FB::DOM::Node(nullptr), std::invalid_argument);

  // window.document.window comes back to the window.
  auto document = host->wrapWindow(window)->document();
  ASSERT_TRUE(document);
  EXPECT_EQ(document->browserObject(), JSObjectPtr(host->document()));
  EXPECT_EQ(document->window()->browserObject(), window);
}

TEST(DomWindow, LocationReadsHrefOfLocationAfreshEachTime) {
  auto host = FakeBrowserHost::create("https://www.norvell.example/start/");
  auto window = host->wrapWindow(host->window());
  EXPECT_EQ(window->location(), "https://www.norvell.example/start/");
  host->window()->get("location").get<JSObjectPtr>()->writeProperty("href", variant("https://other.example/"));
  EXPECT_EQ(window->location(), "https://other.example/");
  // Without location, href reads as undefined, which is no text.
  host->window()->remove("location");
  EXPECT_THROW(window->location(), FB::bad_variant_cast);
}

TEST(DomWindow, AlertPassesWideTextAsTheSameCharactersInUtf8) {
  auto host = FakeBrowserHost::create();
  auto alert = host->window()->setFunction("alert", answering(variant()));
  host->wrapWindow(host->window())->alert(L"Gr\u00FC\u00DFe \u2713 \U0001F600");
  ASSERT_EQ(alert->calls().size(), 1u);
  const VariantVector args = alert->calls()[0].args;
  ASSERT_EQ(args.size(), 1u);
  ASSERT_TRUE(args[0].holds<std::string>());
  EXPECT_EQ(args[0].get<std::string>(), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x98\x80");
}

TEST(DomElement, ChildrenAndPropertiesAsElements) {
  auto host = FakeBrowserHost::create();
  auto child = FakeScriptObject::object();
  auto parent = FakeScriptObject::object();
  parent->set("childNodes", JSObjectPtr(FakeScriptObject::array({FB::FBNull, JSObjectPtr(child)})));
  parent->set("held", JSObjectPtr(child));
  parent->set("nothing", FB::FBNull);
  parent->set("label", "text");
  auto element = host->wrapElement(parent);
  EXPECT_EQ(element->childCount(), 2u);
  EXPECT_EQ(element->childAt(0), nullptr);
  EXPECT_EQ(element->childAt(1)->browserObject(), JSObjectPtr(child));
  EXPECT_EQ(element->elementProperty("held")->browserObject(), JSObjectPtr(child));
  EXPECT_EQ(element->elementProperty("nothing"), nullptr);
  EXPECT_EQ(element->elementProperty("missing"), nullptr);
  EXPECT_THROW(element->elementProperty("label"), FB::bad_variant_cast);

  // No children: the count is 0 and the fake page reports index 0 as
  // undefined, so childAt(0) fails as a null element, not as an error.
  auto leaf = host->wrapElement(child);
  child->set("childNodes", JSObjectPtr(FakeScriptObject::array({})));
  EXPECT_EQ(leaf->childCount(), 0u);
  EXPECT_EQ(leaf->childAt(0), nullptr);
  // No childNodes at all: no countable length, still no child.
  child->remove("childNodes");
  EXPECT_THROW(leaf->childCount(), FB::bad_variant_cast);
  EXPECT_EQ(leaf->childAt(0), nullptr);
}

TEST(DomDocument, LookUpsPassTheirArgumentsAndKeepListOrder) {
  auto host = FakeBrowserHost::create();
  auto a = FakeScriptObject::object();
  auto c = FakeScriptObject::object();
  auto byTag = host->document()->setFunction(
      "getElementsByTagName",
      answering(JSObjectPtr(FakeScriptObject::array({JSObjectPtr(a), FB::FBNull, JSObjectPtr(c)}))));
  auto byId = host->document()->setFunction("getElementById", answering(JSObjectPtr(c)));
  auto document = host->wrapDocument(host->document());

  const auto elements = document->elementsByTagName("p");
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(elements[0]->browserObject(), JSObjectPtr(a));
  EXPECT_EQ(elements[1], nullptr);
  EXPECT_EQ(elements[2]->browserObject(), JSObjectPtr(c));
  EXPECT_EQ(byTag->calls().at(0).args.at(0).convertTo<std::string>(), "p");

  EXPECT_EQ(document->elementById(L"z\u00E4hler")->browserObject(), JSObjectPtr(c));
  EXPECT_EQ(byId->calls().at(0).args.at(0).convertTo<std::string>(), "z\xC3\xA4hler");
}

TEST(DomDocument, CreateElementAndAppendChildReachThePage) {
  auto host = FakeBrowserHost::create();
  auto made = FakeScriptObject::object();
  auto body = FakeScriptObject::object();
  host->document()->set("body", JSObjectPtr(body));
  auto create = host->document()->setFunction("createElement", answering(JSObjectPtr(made)));
  auto append = body->setFunction("appendChild", answering(variant()));
  auto document = host->wrapDocument(host->document());

  auto element = document->createElement("canvas");
  ASSERT_TRUE(element);
  EXPECT_EQ(element->browserObject(), JSObjectPtr(made));
  ASSERT_EQ(create->calls().size(), 1u);
  EXPECT_EQ(create->calls()[0].args.at(0).convertTo<std::string>(), "canvas");

  document->body()->appendChild(element);
  ASSERT_EQ(append->calls().size(), 1u);
  ASSERT_EQ(append->calls()[0].args.size(), 1u);
  EXPECT_EQ(append->calls()[0].args[0].convertTo<JSObjectPtr>(), JSObjectPtr(made));
}

TEST(DomErrors, PageErrorsPassThroughUnchanged) {
  auto host = FakeBrowserHost::create();
  auto window = host->wrapWindow(host->window());
  try {
    window->alert("x");
    FAIL() << "alert without a page function succeeded";
  } catch (const FB::script_error& e) {
    EXPECT_STREQ(e.what(), "alert is not a function");
  }
  host->window()->setFunction("alert", [](const VariantVector&) -> variant { throw FB::invalid_arguments("no"); });
  EXPECT_THROW(window->alert(L"x"), FB::invalid_arguments);
  host->window()->setFailing("page is gone");
  try {
    window->location();
    FAIL() << "location of a gone page succeeded";
  } catch (const FB::script_error& e) {
    EXPECT_STREQ(e.what(), "page is gone");
  }
}

}  // namespace
