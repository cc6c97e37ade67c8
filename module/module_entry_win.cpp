// The Windows entry points: the plug-in's table comes from
// NP_GetEntryPoints, then NP_Initialize takes the browser's.
#include "module/module_entry.h"

extern "C" {
NPError NZ_NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs);
NPError NZ_NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs);
NPError NZ_NP_EXPORT_CALL NP_Shutdown(void);
}

namespace nz_module_test {

NPError startModule(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) {
  NPError error = NP_GetEntryPoints(pluginFuncs);
  return error != NPERR_NO_ERROR ? error : NP_Initialize(browserFuncs);
}

NPError stopModule() { return NP_Shutdown(); }

}  // namespace nz_module_test
