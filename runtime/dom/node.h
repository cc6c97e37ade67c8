// FB::DOM::Node: typed access to one node of the page (or to any browser
// object) through the object's own script members. Each operation is one
// read, write or call on the wrapped FB::JSObject; results are converted with
// the variant rules, and the browser's errors (FB::script_error) and failed
// conversions (FB::bad_variant_cast) reach the caller unchanged.
//
// Results that are page objects come back as new wrappers around the value
// converted to a browser object; a value that is null or undefined gives a
// null wrapper. A member read from such a missing object reads as undefined,
// so a chain like location.href on a page without location fails only where
// the final value is converted.
//
// Wrappers are held by shared pointers. They add no locking: any thread may
// call them, and the browser object marshals to the main thread as its
// binding requires. The virtual operations keep a fixed order that the
// bindings' subclasses rely on.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "scripting/js_object.h"
#include "scripting/variant.h"

namespace FB::DOM {

class Node;
class Element;
class Document;
class Window;
using NodePtr = std::shared_ptr<Node>;
using ElementPtr = std::shared_ptr<Element>;
using DocumentPtr = std::shared_ptr<Document>;
using WindowPtr = std::shared_ptr<Window>;

class Node : public std::enable_shared_from_this<Node> {
 public:
  // `object` must not be null (std::invalid_argument).
  explicit Node(const JSObjectPtr& object);
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  virtual ~Node();

  virtual JSObjectPtr browserObject() const;
  virtual NodePtr nodeAt(std::size_t index);
  virtual NodePtr nodeProperty(const std::string& name);
  virtual NodePtr nodeProperty(const std::wstring& name);
  virtual void setPropertyValueAt(std::size_t index, const variant& value);
  virtual void setPropertyValue(const std::string& name, const variant& value);
  virtual void setPropertyValue(const std::wstring& name, const variant& value);
  // Passes the node's browser object (null for a null node) to the
  // object's "appendChild".
  virtual void appendChild(const NodePtr& node);

 protected:
  // The value as a browser object in a new W; null when it holds none.
  // W must be complete where this is instantiated.
  template <class W>
  static std::shared_ptr<W> wrapValue(const variant& value) {
    JSObjectPtr object = value.convertTo<JSObjectPtr>();
    return object ? std::make_shared<W>(object) : nullptr;
  }
  // object[name], or undefined when the object is missing.
  static variant memberOf(const JSObjectPtr& object, const std::string& name);
  // The named member of the wrapped object, as a browser object (or null).
  JSObjectPtr objectProperty(const std::string& name) const;

 private:
  const JSObjectPtr object_;
};

}  // namespace FB::DOM
