#include "scripting/type_names.h"

#include <cstdlib>
#include <memory>
#include <string_view>

#include <cxxabi.h>

#include "scripting/variant.h"

namespace FB {
namespace {

struct KnownName {
  const std::type_info& type;
  const char* name;
};

// Types whose demangled spelling is long or means nothing to a page author.
const KnownName kKnownNames[] = {
    {typeid(std::string), "std::string"},
    {typeid(std::wstring), "std::wstring"},
    {typeid(VariantVector), "FB::VariantVector"},
    {typeid(VariantStringMap), "FB::VariantStringMap"},
    {typeid(variant_detail::empty), "empty"},
    {typeid(variant_detail::null), "null"},
};

std::string demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                              std::free);
  if (status != 0 || !text) return mangled[0] == '*' ? mangled + 1 : mangled;
  return text.get();
}

// "std::shared_ptr<FB::JSObject>" reads as "FB::JSObject": script sees objects,
// not the smart pointers that hold them.
std::string stripSharedPtr(std::string name) {
  constexpr std::string_view prefix = "std::shared_ptr<";
  if (name.size() > prefix.size() + 1 && name.compare(0, prefix.size(), prefix) == 0 &&
      name.back() == '>') {
    name = name.substr(prefix.size(), name.size() - prefix.size() - 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
  }
  return name;
}

}  // namespace

std::string readableTypeName(const std::type_info& type) {
  for (const auto& known : kKnownNames) {
    if (known.type == type) return known.name;
  }
  std::string name = stripSharedPtr(demangle(type.name()));
  // Classes private to one source file read as their plain name.
  constexpr std::string_view anonymous = "(anonymous namespace)::";
  for (auto at = name.find(anonymous); at != std::string::npos; at = name.find(anonymous)) {
    name.erase(at, anonymous.size());
  }
  return name;
}

}  // namespace FB
