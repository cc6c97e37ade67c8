#include "activex/com_module_win.h"

#include <oleauto.h>

#include <atomic>
#include <string_view>

#include "activex/activex_ids_win.h"
#include "activex/class_factory_win.h"
#include "activex/registry_contents_win.h"
#include "runtime/factory_base.h"
#include "runtime/plugin_core.h"
#include "runtime/plugin_description.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

struct ModuleState {
  HINSTANCE instance = nullptr;
  std::wstring path;
  bool activeXInitialized = false;
  bool perUser = false;
};

ModuleState& state() {
  static ModuleState module;
  return module;
}

std::atomic<long> g_lockCount{0};

constinit ClassFactory g_controlFactory(&createControlInstance);

// The full path of the process's main program; empty when unknown.
std::wstring mainProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

// Registration runs with the system's default locale on this thread.
class SystemLocaleScope {
 public:
  SystemLocaleScope() : saved_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ~SystemLocaleScope() { SetThreadLocale(saved_); }
  SystemLocaleScope(const SystemLocaleScope&) = delete;
  SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

 private:
  LCID saved_;
};

RegistryTarget registryTarget() { return RegistryTarget{state().perUser, state().path}; }

// The per-user type-library calls exist from Windows Vista on; the SDK
// headers of the build machines do not declare them.
template <class Function>
Function perUserTypeLibCall(const char* name) {
  if (!state().perUser) return nullptr;
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  return oleaut ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(oleaut, name))) : nullptr;
}

HRESULT registerTypeLibrary() {
  ITypeLib* library = nullptr;
  HRESULT result = LoadTypeLibEx(state().path.c_str(), REGKIND_NONE, &library);
  if (FAILED(result)) return result;
  using Register = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
  std::wstring path = state().path;
  if (auto forUser = perUserTypeLibCall<Register>("RegisterTypeLibForUser")) {
    result = forUser(library, path.data(), nullptr);
  } else {
    result = RegisterTypeLib(library, path.data(), nullptr);
  }
  library->Release();
  return result;
}

HRESULT unregisterTypeLibrary() {
  ITypeLib* library = nullptr;
  HRESULT result = LoadTypeLibEx(state().path.c_str(), REGKIND_NONE, &library);
  if (FAILED(result)) return result;
  TLIBATTR* attributes = nullptr;
  result = library->GetLibAttr(&attributes);
  if (SUCCEEDED(result)) {
    using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    if (auto forUser = perUserTypeLibCall<Unregister>("UnRegisterTypeLibForUser")) {
      result = forUser(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                       attributes->syskind);
    } else {
      result = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                 attributes->lcid, attributes->syskind);
    }
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  // A library that is not registered is already in the state asked for.
  if (result == TYPE_E_REGISTRYACCESS || result == TYPE_E_LIBNOTREGISTERED) result = S_OK;
  return result;
}

}  // namespace

void recordModule(HINSTANCE instance) {
  ModuleState& module = state();
  if (module.instance) return;
  module.instance = instance;
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  module.path.assign(path, length);
}

HINSTANCE moduleInstance() { return state().instance; }
const std::wstring& modulePathWide() { return state().path; }

std::string modulePathUtf8() {
  try {
    return toUtf8(state().path);
  } catch (...) {
    return {};
  }
}

void lockModule() { ++g_lockCount; }
void unlockModule() { --g_lockCount; }
long moduleLockCount() { return g_lockCount.load(); }

bool activeXInitialized() { return state().activeXInitialized; }
bool perUserRegistration() { return state().perUser; }
void setPerUserRegistration(bool perUser) { state().perUser = perUser; }

void decidePerUser(const std::wstring& mainProgramPath) {
  if (!std::wstring_view(mainProgramPath).ends_with(L"heat.exe")) state().perUser = true;
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kClsidFBControl)) return CLASS_E_CLASSNOTAVAILABLE;
  HRESULT result = g_controlFactory.QueryInterface(iid, out);
  if (SUCCEEDED(result) && !state().activeXInitialized) {
    try {
      setPlatformNames("IE", "Windows");
      factoryInstance()->globalInitialize();
    } catch (...) {
      // The control still works without whatever the hook set up.
    }
    state().activeXInitialized = true;
  }
  return result;
}

HRESULT canUnloadNow() {
  long locks = moduleLockCount();
  if (locks != 0 && PluginCore::liveCoreCount() > 0) return S_FALSE;
  if (state().activeXInitialized) {
    state().activeXInitialized = false;
    try {
      factoryInstance()->globalDeinitialize();
    } catch (...) {
    }
  }
  return locks == 0 ? S_OK : S_FALSE;
}

HRESULT updateRegistry(bool install) {
  try {
    return install ? writeRegistryTable(controlRegistryTable(), registryTarget())
                   : removeRegistryTable(controlRegistryTable(), registryTarget());
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT registerServer() {
  HRESULT result = E_UNEXPECTED;
  try {
    decidePerUser(mainProgramPath());
    SystemLocaleScope locale;
    result = writeRegistryTable(appIdRegistryTable(), registryTarget());
    if (SUCCEEDED(result)) result = writeRegistryTable(controlRegistryTable(), registryTarget());
    if (SUCCEEDED(result)) result = registerTypeLibrary();
  } catch (...) {
    result = E_UNEXPECTED;
  }
  return SUCCEEDED(result) ? result : updateRegistry(true);
}

HRESULT unregisterServer() {
  HRESULT result = E_UNEXPECTED;
  try {
    decidePerUser(mainProgramPath());
    SystemLocaleScope locale;
    result = removeRegistryTable(controlRegistryTable(), registryTarget());
    if (SUCCEEDED(result)) result = unregisterTypeLibrary();
    if (SUCCEEDED(result)) result = removeRegistryTable(appIdRegistryTable(), registryTarget());
  } catch (...) {
    result = E_UNEXPECTED;
  }
  return SUCCEEDED(result) ? result : updateRegistry(false);
}

HRESULT installServer(BOOL install, const wchar_t* commandLine) {
  state().perUser = commandLine && CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) == CSTR_EQUAL;
  if (!install) return unregisterServer();
  HRESULT result = registerServer();
  if (FAILED(result)) unregisterServer();
  return result;
}

}  // namespace FB::ActiveX
