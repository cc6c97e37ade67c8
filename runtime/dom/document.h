// FB::DOM::Document: the page's document, an element with its window, its
// body and the making of new elements. Results follow the rules of
// FB::DOM::Node.
//
// Thread rules: as FB::DOM::Node; no locking of its own.
#pragma once

#include <string>

#include "runtime/dom/element.h"

namespace FB::DOM {

class Document : public Element {
 public:
  explicit Document(const JSObjectPtr& object);
  ~Document() override;

  virtual WindowPtr window();
  virtual ElementPtr body();
  virtual ElementPtr createElement(const std::string& tag);
};

}  // namespace FB::DOM
