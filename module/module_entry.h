// Test-side access to the built plug-in module's exported entry points, as a
// browser calls them on this platform (module_entry_posix.cpp,
// module_entry_win.cpp). Main thread only.
#pragma once

#include "npapi/npapi_abi.h"

namespace nz_module_test {

// Hands the browser's table to the module and takes the plug-in's table.
NPError startModule(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs);
NPError stopModule();

}  // namespace nz_module_test
