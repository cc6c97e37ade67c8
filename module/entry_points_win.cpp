// The Windows module exports through which an NPAPI browser enters the
// plug-in: NP_GetEntryPoints, NP_Initialize and NP_Shutdown (__stdcall,
// exported under their plain names by npNorvellZephel32.def). The browser
// calls them on its main thread. No exception leaves them.
#include "npapi/npapi_abi.h"
#include "npapi/module_entry.h"

extern "C" {

NPError NZ_NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs) {
  return FB::Npapi::startModule(nullptr, pluginFuncs);
}

NPError NZ_NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs) {
  return FB::Npapi::startModule(browserFuncs, nullptr);
}

NPError NZ_NP_EXPORT_CALL NP_Shutdown(void) { return FB::Npapi::stopModule(); }

}  // extern "C"
