// FB::JSFunction: the callable object that stands for a method of a
// scriptable object when script reads the method as a value. Calling it
// (directly, or through its "call" and "apply" members) calls the method on
// its owner, in the access zone the function was made in.
//
// It refers to its owner weakly, so it never keeps the owner alive; once the
// owner is gone a call fails with "Invalid JSAPI object". Thread rules as
// FB::JSAPIAuto; the owner's zone lock is taken for the call itself.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "scripting/jsapi_auto.h"

namespace FB {

class JSFunction : public JSAPIAuto {
 public:
  JSFunction(const JSAPIWeakPtr& owner, const std::string& methodName, int zone);

  using JSAPIAuto::callMethod;
  using JSAPIAuto::hasMethodNamed;
  using JSAPIAuto::hasPropertyNamed;

  bool hasMethodNamed(const std::string& name) const override;
  bool hasPropertyNamed(const std::string& name) const override;
  variant callMethod(const std::string& name, const VariantVector& args) override;

  const std::string& methodName() const { return methodName_; }
  int zone() const { return zone_; }

 private:
  variant callOwner(const VariantVector& args);

  JSAPIWeakPtr owner_;
  std::string methodName_;
  int zone_;
};

// Lets go of the built-in function objects a binding's wrapper owns, for
// the page's teardown: page script may have stored the wrapper in one of
// their attributes, a cycle nothing else breaks. Each is first cut loose
// from its owner (Function::detach), then loses its attributes. The caller
// moves its slots in, so they are empty before an attribute lets go of what
// may be the wrapper's last reference; nothing may touch the wrapper after
// this returns. Main thread.
template <class Function, std::size_t N>
void dropBuiltInFunctions(std::array<std::shared_ptr<Function>, N> functions) {
  for (const auto& function : functions) {
    if (function) function->detach();
  }
  for (const auto& function : functions) {
    if (function) function->dropAllAttributes();
  }
}

}  // namespace FB
