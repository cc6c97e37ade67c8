// What a plug-in module's exported entry points do, whatever the platform's
// export names and conventions: acquire the process's NPAPI module and take
// the browser's table, hand out the plug-in's table, release the module, and
// answer the browser's name and description queries. The exports in module/
// (and test plug-ins built from the framework) are thin wrappers over these.
//
// Browser's main thread. None of them throws.
#pragma once

#include "npapi/npapi_abi.h"

namespace FB::Npapi {

// Acquires the module; copies the browser's table when one is given and
// fills the plug-in's when one is given.
NPError startModule(const NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) noexcept;
NPError stopModule() noexcept;
// NPPVpluginNameString and NPPVpluginDescriptionString; an error for any
// other variable.
NPError answerModuleValue(NPPVariable variable, void* value, const char* name, const char* description) noexcept;

}  // namespace FB::Npapi
