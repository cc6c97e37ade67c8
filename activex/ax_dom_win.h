// FB::ActiveX::AXDOM: the ActiveX host's DOM wrappers (window, document,
// element, node). They keep every operation of the generic wrappers and go
// to the HTML object model directly where the generic route does not fit
// Internet Explorer's objects: a window must be an IHTMLWindow2; a document
// makes elements through IHTMLDocument2 and finds them through
// IHTMLDocument3. Results that are page objects come back as these
// wrappers over new proxies.
//
// Errors: a window wrapper over anything but an IHTMLWindow2 cannot be
// built (AXDOM::bad_cast "This is not a valid Window object");
// createElement fails with std::runtime_error "Failed to create element!";
// without IHTMLDocument3, elementById fails with std::runtime_error
// "Document does not support getElementById" and elementsByTagName with
// std::runtime_error "Could not get element by tag name".
//
// Thread rules: any thread; each call to the page runs on the container's
// thread through the page's host.
#pragma once

#include <string>
#include <typeinfo>
#include <vector>

#include "runtime/dom/document.h"
#include "runtime/dom/element.h"
#include "runtime/dom/node.h"
#include "runtime/dom/window.h"

namespace FB::ActiveX::AXDOM {

class bad_cast : public std::bad_cast {
 public:
  explicit bad_cast(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

class Node : public DOM::Node {
 public:
  explicit Node(const JSObjectPtr& object);
};

class Element : public DOM::Element {
 public:
  explicit Element(const JSObjectPtr& object);
};

class Document : public DOM::Document {
 public:
  explicit Document(const JSObjectPtr& object);

  using DOM::Element::elementById;
  DOM::WindowPtr window() override;
  DOM::ElementPtr createElement(const std::string& tag) override;
  DOM::ElementPtr elementById(const std::string& id) override;
  std::vector<DOM::ElementPtr> elementsByTagName(const std::string& tag) override;
};

class Window : public DOM::Window {
 public:
  // Throws AXDOM::bad_cast unless `object` is a page object offering
  // IHTMLWindow2.
  explicit Window(const JSObjectPtr& object);

  DOM::DocumentPtr document() override;
};

}  // namespace FB::ActiveX::AXDOM
