// FB::testing::FakeNpapiBrowser::PageObject: an object of the fake browser's
// page (plain object, array or function), an NPObject of the browser's own
// class. Properties hold NpValues; integer names are their decimal text.
// Arrays keep "length" and answer "push"; functions run a C++ function.
//
// Thread rules: the fake browser's main thread.
#pragma once

#include <map>
#include <string>

#include "testing/fake_npapi_browser.h"

namespace FB::testing {

struct FakeNpapiBrowser::PageObject : NPObject {
  enum class Kind { Plain, Array, Function };

  static NPClass* pageClass();
  static PageObject* from(NPObject* object) {
    return object && object->_class == pageClass() ? static_cast<PageObject*>(object) : nullptr;
  }

  Kind kind = Kind::Plain;
  FakeNpapiBrowser* browser = nullptr;
  std::map<std::string, NpValue> properties;
  Function function;
};

}  // namespace FB::testing
