// The module's COM server side: load-time bookkeeping (instance handle and
// path), the module lock count, the one-time set-up of the ActiveX side,
// the per-user decision and registration. The module's exports
// (DllGetClassObject, DllCanUnloadNow, DllRegisterServer,
// DllUnregisterServer, DllInstall) forward here.
//
// Called by the COM runtime or a registering program on their threads; the
// flags are plain process-wide state, as those callers never race each
// other. The lock count is atomic because COM objects may be released on
// other threads.
#pragma once

#include <windows.h>

#include <string>

namespace FB::ActiveX {

// DllMain's first call: the module's instance handle and full path.
void recordModule(HINSTANCE instance);
HINSTANCE moduleInstance();
// The module path recorded at load (empty before), UTF-16 and UTF-8.
const std::wstring& modulePathWide();
std::string modulePathUtf8();

// The lock count: live COM objects of the module and IClassFactory locks.
void lockModule();
void unlockModule();
long moduleLockCount();

bool activeXInitialized();
bool perUserRegistration();
void setPerUserRegistration(bool perUser);
// Registration is per user unless the registering program is "heat.exe"
// (compared case-sensitively), which keeps the flag as it is.
void decidePerUser(const std::wstring& mainProgramPath);

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT canUnloadNow();
HRESULT registerServer();
HRESULT unregisterServer();
HRESULT installServer(BOOL install, const wchar_t* commandLine);
// Writes (install) or removes only the control's registry entries; the
// fallback when registration or unregistration fails.
HRESULT updateRegistry(bool install);

}  // namespace FB::ActiveX
