// The Unix entry points: one NP_Initialize takes the browser's table and
// fills the plug-in's.
#include "module/module_entry.h"

extern "C" {
NPError NP_Initialize(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs);
NPError NP_Shutdown(void);
}

namespace nz_module_test {

NPError startModule(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) {
  return NP_Initialize(browserFuncs, pluginFuncs);
}

NPError stopModule() { return NP_Shutdown(); }

}  // namespace nz_module_test
