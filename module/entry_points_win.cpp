// The Windows module exports through which an NPAPI browser enters the
// plug-in: NP_GetEntryPoints, NP_Initialize and NP_Shutdown (__stdcall,
// exported under their plain names by npNorvellZephel32.def). The browser
// calls them on its main thread. No exception leaves them.
#include "npapi/npapi_abi.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npp_functions.h"

using FB::Npapi::NpapiPluginModule;

extern "C" {

NPError NZ_NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs) {
  try {
    NpapiPluginModule::acquire();
    FB::Npapi::fillPluginFuncs(pluginFuncs);
  } catch (...) {
  }
  return NPERR_NO_ERROR;
}

NPError NZ_NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs) {
  try {
    auto module = NpapiPluginModule::acquire();
    if (browserFuncs) module->setBrowserFuncs(*browserFuncs);
  } catch (...) {
  }
  return NPERR_NO_ERROR;
}

NPError NZ_NP_EXPORT_CALL NP_Shutdown(void) {
  try {
    NpapiPluginModule::release();
  } catch (...) {
  }
  return NPERR_NO_ERROR;
}

}  // extern "C"
