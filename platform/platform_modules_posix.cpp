// The Linux way of calling a secondary module's entry point: dlopen the
// shared object, dlsym the name, call it, dlclose. The library search path
// is LD_LIBRARY_PATH. Stateless; the plug-in manager calls these on the
// browser's main thread.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/system_platform.h"

namespace FB::os {
namespace {

struct ModuleCloser {
  void operator()(void* module) const { dlclose(module); }
};

}  // namespace

void appendLibrarySearchPath(const std::wstring& folder) {
  std::string value;
  if (const char* old = std::getenv("LD_LIBRARY_PATH"); old != nullptr && old[0] != '\0') {
    value = std::string(old) + ":";
  }
  value += narrowPath(folder);
  setenv("LD_LIBRARY_PATH", value.c_str(), 1);
}

ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) {
  using EntryPoint = std::int32_t (*)();
  const std::string narrow = narrowPath(path);
  std::unique_ptr<void, ModuleCloser> module(dlopen(narrow.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!module) return ModuleCallResult{ModuleCallResult::Outcome::NotLoaded, 0};
  void* symbol = dlsym(module.get(), name.c_str());
  if (symbol == nullptr) return ModuleCallResult{ModuleCallResult::Outcome::NoEntryPoint, 0};
  try {
    return ModuleCallResult::answered(reinterpret_cast<EntryPoint>(symbol)());
  } catch (...) {
    return ModuleCallResult{ModuleCallResult::Outcome::Raised, 0};
  }
}

}  // namespace FB::os
