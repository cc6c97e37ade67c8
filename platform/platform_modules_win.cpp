// The Windows way of calling a secondary module's entry point: LoadLibraryW,
// GetProcAddress, call, FreeLibrary. The library search path is the
// environment variable "path". Stateless; the plug-in manager calls these
// on the browser's main thread.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/system_platform.h"

namespace FB::os {
namespace {

// Releases the module when the call is over, however it ends.
class LoadedModule {
 public:
  explicit LoadedModule(const std::wstring& path) {
    // A module whose own dependencies are missing must fail quietly, not
    // stop the browser with a system message box.
    DWORD oldMode = 0;
    const BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    module_ = LoadLibraryW(path.c_str());
    if (modeSet) SetThreadErrorMode(oldMode, nullptr);
  }
  ~LoadedModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  HMODULE get() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

}  // namespace

void appendLibrarySearchPath(const std::wstring& folder) {
  std::wstring text = L"path=";
  if (const wchar_t* old = _wgetenv(L"path"); old != nullptr && old[0] != L'\0') {
    text += old;
    text += L';';
  }
  text += folder;
  _wputenv(text.c_str());  // copies the text; also sets the process environment
}

ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) {
  using EntryPoint = HRESULT(STDAPICALLTYPE*)();
  LoadedModule module(path);
  if (module.get() == nullptr) return ModuleCallResult{ModuleCallResult::Outcome::NotLoaded, 0};
  FARPROC symbol = GetProcAddress(module.get(), name.c_str());
  if (symbol == nullptr) return ModuleCallResult{ModuleCallResult::Outcome::NoEntryPoint, 0};
  try {
    // Through the generic function pointer type, which any function pointer
    // may be cast to and from.
    auto entryPoint = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(symbol));
    return ModuleCallResult::answered(static_cast<std::int32_t>(entryPoint()));
  } catch (...) {
    return ModuleCallResult{ModuleCallResult::Outcome::Raised, 0};
  }
}

}  // namespace FB::os
