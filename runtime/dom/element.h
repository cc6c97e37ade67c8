// FB::DOM::Element: a page element (or a document, which derives from it)
// seen through its script members: markup, size, children, parent,
// attributes and look-ups by id and tag name. Results follow the rules of
// FB::DOM::Node: page objects come back as new wrappers, null or undefined
// values as null wrappers, and errors pass through unchanged.
//
// On an object without "childNodes", childCount() fails as converting
// undefined to a number does (FB::bad_variant_cast) and childAt() gives a
// null wrapper, just as for a "childNodes" list that lacks the index.
//
// Thread rules: as FB::DOM::Node; no locking of its own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/dom/node.h"

namespace FB::DOM {

class Element : public Node {
 public:
  explicit Element(const JSObjectPtr& object);
  ~Element() override;

  virtual std::string innerHtml();
  virtual void setInnerHtml(const std::string& html);
  virtual int width();
  virtual void setWidth(int width);
  virtual int scrollWidth();
  virtual int height();
  virtual void setHeight(int height);
  virtual int scrollHeight();
  virtual std::size_t childCount();
  virtual ElementPtr childAt(std::size_t index);
  virtual ElementPtr parentElement();
  virtual ElementPtr elementAt(std::size_t index);
  virtual ElementPtr elementProperty(const std::string& name);
  virtual std::string attributeText(const std::string& name);
  virtual ElementPtr elementById(const std::string& id);
  virtual ElementPtr elementById(const std::wstring& id);
  // Every entry of the matching list in index order; an entry that is null
  // or undefined appears as a null pointer, so the size is the list's length.
  virtual std::vector<ElementPtr> elementsByTagName(const std::string& tag);
};

}  // namespace FB::DOM
