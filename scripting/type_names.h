// Readable names for run-time types. These names reach page script inside
// conversion error messages, so the common types get their short source
// spelling ("std::string", "int", "FB::JSObject") and everything else is
// demangled; a mangled name never leaks out. Safe from any thread.
#pragma once

#include <string>
#include <typeinfo>

namespace FB {

std::string readableTypeName(const std::type_info& type);

template <class T>
std::string typeName() {
  return readableTypeName(typeid(T));
}

}  // namespace FB
