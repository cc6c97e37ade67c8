// The browser host's DOM wrapper factories: each wraps a browser object in
// the matching FB::DOM class; a null object gives a null wrapper. Bindings
// override them to supply their own wrapper classes.
#include "runtime/browser_host.h"
#include "runtime/dom/document.h"
#include "runtime/dom/window.h"

namespace FB {

std::shared_ptr<DOM::Window> BrowserHost::wrapWindow(const JSObjectPtr& object) {
  return object ? std::make_shared<DOM::Window>(object) : nullptr;
}

std::shared_ptr<DOM::Document> BrowserHost::wrapDocument(const JSObjectPtr& object) {
  return object ? std::make_shared<DOM::Document>(object) : nullptr;
}

std::shared_ptr<DOM::Element> BrowserHost::wrapElement(const JSObjectPtr& object) {
  return object ? std::make_shared<DOM::Element>(object) : nullptr;
}

std::shared_ptr<DOM::Node> BrowserHost::wrapNode(const JSObjectPtr& object) {
  return object ? std::make_shared<DOM::Node>(object) : nullptr;
}

}  // namespace FB
