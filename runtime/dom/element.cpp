#include "runtime/dom/element.h"

#include "scripting/text_conversion.h"

namespace FB::DOM {

Element::Element(const JSObjectPtr& object) : Node(object) {}

Element::~Element() = default;

std::string Element::innerHtml() { return browserObject()->readProperty("innerHTML").convertTo<std::string>(); }

void Element::setInnerHtml(const std::string& html) { browserObject()->writeProperty("innerHTML", html); }

int Element::width() { return browserObject()->readProperty("width").convertTo<int>(); }

void Element::setWidth(int width) { browserObject()->writeProperty("width", width); }

int Element::scrollWidth() { return browserObject()->readProperty("scrollWidth").convertTo<int>(); }

int Element::height() { return browserObject()->readProperty("height").convertTo<int>(); }

void Element::setHeight(int height) { browserObject()->writeProperty("height", height); }

int Element::scrollHeight() { return browserObject()->readProperty("scrollHeight").convertTo<int>(); }

std::size_t Element::childCount() {
  return memberOf(objectProperty("childNodes"), "length").convertTo<std::size_t>();
}

ElementPtr Element::childAt(std::size_t index) {
  JSObjectPtr children = objectProperty("childNodes");
  return wrapValue<Element>(children ? children->readPropertyAt(index) : variant());
}

ElementPtr Element::parentElement() { return wrapValue<Element>(browserObject()->readProperty("parentNode")); }

ElementPtr Element::elementAt(std::size_t index) { return wrapValue<Element>(browserObject()->readPropertyAt(index)); }

ElementPtr Element::elementProperty(const std::string& name) {
  return wrapValue<Element>(browserObject()->readProperty(name));
}

std::string Element::attributeText(const std::string& name) {
  return browserObject()->callMethod("getAttribute", VariantVector{name}).convertTo<std::string>();
}

ElementPtr Element::elementById(const std::string& id) {
  return wrapValue<Element>(browserObject()->callMethod("getElementById", VariantVector{id}));
}

ElementPtr Element::elementById(const std::wstring& id) { return elementById(toUtf8(id)); }

std::vector<ElementPtr> Element::elementsByTagName(const std::string& tag) {
  JSObjectPtr list = browserObject()->callMethod("getElementsByTagName", VariantVector{tag}).convertTo<JSObjectPtr>();
  const auto length = memberOf(list, "length").convertTo<std::size_t>();
  std::vector<ElementPtr> elements;
  elements.reserve(length);
  for (std::size_t i = 0; i < length; ++i) elements.push_back(wrapValue<Element>(list->readPropertyAt(i)));
  return elements;
}

}  // namespace FB::DOM
