#include "runtime/dom/window.h"

#include "runtime/dom/document.h"
#include "scripting/text_conversion.h"

namespace FB::DOM {

Window::Window(const JSObjectPtr& object) : Node(object) {}

Window::~Window() = default;

DocumentPtr Window::document() { return wrapValue<Document>(browserObject()->readProperty("document")); }

void Window::alert(const std::string& text) { browserObject()->callMethod("alert", VariantVector{text}); }

void Window::alert(const std::wstring& text) { alert(toUtf8(text)); }

JSObjectPtr Window::createArray() {
  return browserObject()->callMethod("Array", VariantVector{}).convertTo<JSObjectPtr>();
}

JSObjectPtr Window::createMap() {
  return browserObject()->callMethod("Object", VariantVector{}).convertTo<JSObjectPtr>();
}

std::string Window::location() {
  return memberOf(objectProperty("location"), "href").convertTo<std::string>();
}

}  // namespace FB::DOM
