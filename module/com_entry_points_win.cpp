// The Windows module exports through which COM and registering programs
// enter the plug-in: DllMain's bookkeeping, DllGetClassObject,
// DllCanUnloadNow, DllRegisterServer, DllUnregisterServer and DllInstall
// (exported under their plain names by npNorvellZephel32.def). Each
// forwards to the ActiveX side; no exception leaves them.
#include <windows.h>

#include <objbase.h>

#include "activex/com_module_win.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) FB::ActiveX::recordModule(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return FB::ActiveX::getClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return FB::ActiveX::canUnloadNow(); }

STDAPI DllRegisterServer() { return FB::ActiveX::registerServer(); }

STDAPI DllUnregisterServer() { return FB::ActiveX::unregisterServer(); }

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) { return FB::ActiveX::installServer(install, commandLine); }

}  // extern "C"
