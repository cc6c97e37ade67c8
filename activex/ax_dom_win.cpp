#include "activex/ax_dom_win.h"

#include <windows.h>

#include <mshtml.h>
#include <oleauto.h>

#include <memory>
#include <stdexcept>

#include "activex/activex_browser_host_win.h"
#include "activex/idispatch_api_win.h"
#include "runtime/browser_host.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX::AXDOM {
namespace {

template <class I>
class Held {
 public:
  Held() = default;
  ~Held() {
    if (pointer) pointer->Release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  I* pointer = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const std::wstring wide = toWide(text);
    value_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  }
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

// Runs `use(pointer)` on the container's thread, with the page object's
// interface `iid` (null when the object is no page object or lacks it).
template <class I, class F>
auto withInterface(const JSObjectPtr& object, REFIID iid, F&& use) {
  auto run = [&] {
    Held<I> held;
    if (auto proxy = std::dynamic_pointer_cast<IDispatchAPI>(object)) {
      if (FAILED(proxy->getIDispatch()->QueryInterface(iid, reinterpret_cast<void**>(&held.pointer)))) {
        held.pointer = nullptr;
      }
    }
    return use(held.pointer);
  };
  BrowserHostPtr host = object ? object->host() : nullptr;
  if (host) return host->callOnMainThread(run);
  return run();
}

// A new proxy, in the page of `like`, over a page object.
JSObjectPtr proxyLike(const JSObjectPtr& like, IDispatch* object) {
  return std::make_shared<IDispatchAPI>(object, std::dynamic_pointer_cast<ActiveXBrowserHost>(like->host()));
}

}  // namespace

Node::Node(const JSObjectPtr& object) : DOM::Node(object) {}

Element::Element(const JSObjectPtr& object) : DOM::Element(object) {}

Document::Document(const JSObjectPtr& object) : DOM::Document(object) {}

DOM::WindowPtr Document::window() { return wrapValue<Window>(browserObject()->readProperty("window")); }

DOM::ElementPtr Document::createElement(const std::string& tag) {
  const JSObjectPtr self = browserObject();
  return withInterface<IHTMLDocument2>(
      self, IID_IHTMLDocument2, [&](IHTMLDocument2* document) -> DOM::ElementPtr {
        Held<IHTMLElement> element;
        Bstr name(tag);
        if (!document || FAILED(document->createElement(name.get(), &element.pointer)) || !element.pointer) {
          throw std::runtime_error("Failed to create element!");
        }
        return std::make_shared<Element>(proxyLike(self, element.pointer));
      });
}

DOM::ElementPtr Document::elementById(const std::string& id) {
  const JSObjectPtr self = browserObject();
  return withInterface<IHTMLDocument3>(
      self, IID_IHTMLDocument3, [&](IHTMLDocument3* document) -> DOM::ElementPtr {
        if (!document) throw std::runtime_error("Document does not support getElementById");
        Held<IHTMLElement> element;
        Bstr name(id);
        if (FAILED(document->getElementById(name.get(), &element.pointer)) || !element.pointer)
          return nullptr;
        return std::make_shared<Element>(proxyLike(self, element.pointer));
      });
}

std::vector<DOM::ElementPtr> Document::elementsByTagName(const std::string& tag) {
  const JSObjectPtr self = browserObject();
  return withInterface<IHTMLDocument3>(self, IID_IHTMLDocument3, [&](IHTMLDocument3* document) {
    Held<IHTMLElementCollection> list;
    Bstr name(tag);
    if (!document || FAILED(document->getElementsByTagName(name.get(), &list.pointer)) || !list.pointer) {
      throw std::runtime_error("Could not get element by tag name");
    }
    long length = 0;
    if (FAILED(list.pointer->get_length(&length)) || length < 0) length = 0;
    std::vector<DOM::ElementPtr> elements;
    elements.reserve(static_cast<std::size_t>(length));
    for (long i = 0; i < length; ++i) {
      VARIANT position, subIndex;
      VariantInit(&position);
      VariantInit(&subIndex);
      V_VT(&position) = VT_I4;
      V_I4(&position) = i;
      V_VT(&subIndex) = VT_I4;
      V_I4(&subIndex) = 0;
      Held<IDispatch> item;
      if (FAILED(list.pointer->item(position, subIndex, &item.pointer))) item.pointer = nullptr;
      elements.push_back(item.pointer ? std::make_shared<Element>(proxyLike(self, item.pointer)) : nullptr);
    }
    return elements;
  });
}

Window::Window(const JSObjectPtr& object) : DOM::Window(object) {
  const bool isWindow = withInterface<IHTMLWindow2>(object, IID_IHTMLWindow2,
                                                    [](IHTMLWindow2* window) { return window != nullptr; });
  if (!isWindow) throw bad_cast("This is not a valid Window object");
}

DOM::DocumentPtr Window::document() { return wrapValue<Document>(browserObject()->readProperty("document")); }

}  // namespace FB::ActiveX::AXDOM
