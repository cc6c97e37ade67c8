#include "runtime/dom/document.h"

#include "runtime/dom/window.h"

namespace FB::DOM {

Document::Document(const JSObjectPtr& object) : Element(object) {}

Document::~Document() = default;

WindowPtr Document::window() { return wrapValue<Window>(browserObject()->readProperty("window")); }

ElementPtr Document::body() { return wrapValue<Element>(browserObject()->readProperty("body")); }

ElementPtr Document::createElement(const std::string& tag) {
  return wrapValue<Element>(browserObject()->callMethod("createElement", VariantVector{tag}));
}

}  // namespace FB::DOM
