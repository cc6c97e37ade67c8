#include "runtime/dom/node.h"

#include <stdexcept>

#include "scripting/text_conversion.h"

namespace FB::DOM {

Node::Node(const JSObjectPtr& object) : object_(object) {
  if (!object_) throw std::invalid_argument("A DOM wrapper needs a browser object");
}

Node::~Node() = default;

JSObjectPtr Node::browserObject() const { return object_; }

NodePtr Node::nodeAt(std::size_t index) { return wrapValue<Node>(object_->readPropertyAt(index)); }

NodePtr Node::nodeProperty(const std::string& name) { return wrapValue<Node>(object_->readProperty(name)); }

NodePtr Node::nodeProperty(const std::wstring& name) { return nodeProperty(toUtf8(name)); }

void Node::setPropertyValueAt(std::size_t index, const variant& value) { object_->writePropertyAt(index, value); }

void Node::setPropertyValue(const std::string& name, const variant& value) { object_->writeProperty(name, value); }

void Node::setPropertyValue(const std::wstring& name, const variant& value) {
  setPropertyValue(toUtf8(name), value);
}

void Node::appendChild(const NodePtr& node) {
  const variant child = node ? variant(node->browserObject()) : variant(FBNull);
  object_->callMethod("appendChild", VariantVector{child});
}

variant Node::memberOf(const JSObjectPtr& object, const std::string& name) {
  return object ? object->readProperty(name) : variant();
}

JSObjectPtr Node::objectProperty(const std::string& name) const {
  return object_->readProperty(name).convertTo<JSObjectPtr>();
}

}  // namespace FB::DOM
