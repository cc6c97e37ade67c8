// FB::DOM::Window: the page's window: its document, alerts, new script
// arrays and objects, and the page address. Results follow the rules of
// FB::DOM::Node.
//
// Thread rules: as FB::DOM::Node; no locking of its own.
#pragma once

#include <string>

#include "runtime/dom/node.h"

namespace FB::DOM {

class Window : public Node {
 public:
  explicit Window(const JSObjectPtr& object);
  ~Window() override;

  virtual DocumentPtr document();
  virtual void alert(const std::string& text);
  virtual void alert(const std::wstring& text);
  // A new, empty script array / script object made by the page.
  virtual JSObjectPtr createArray();
  virtual JSObjectPtr createMap();
  // location.href as text.
  virtual std::string location();
};

}  // namespace FB::DOM
