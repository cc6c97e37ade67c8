// FB::JSFunction: the callable object that stands for a method of a
// scriptable object when script reads the method as a value. Calling it
// (directly, or through its "call" and "apply" members) calls the method on
// its owner, in the access zone the function was made in.
//
// It refers to its owner weakly, so it never keeps the owner alive; once the
// owner is gone a call fails with "Invalid JSAPI object". Thread rules as
// FB::JSAPIAuto; the owner's zone lock is taken for the call itself.
#pragma once

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

}  // namespace FB
