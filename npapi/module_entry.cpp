#include "npapi/module_entry.h"

#include "npapi/npapi_plugin_module.h"
#include "npapi/npp_functions.h"

namespace FB::Npapi {

NPError startModule(const NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) noexcept {
  try {
    auto module = NpapiPluginModule::acquire();
    if (browserFuncs) module->setBrowserFuncs(*browserFuncs);
    if (pluginFuncs) fillPluginFuncs(pluginFuncs);
  } catch (...) {
  }
  return NPERR_NO_ERROR;
}

NPError stopModule() noexcept {
  try {
    NpapiPluginModule::release();
  } catch (...) {
  }
  return NPERR_NO_ERROR;
}

NPError answerModuleValue(NPPVariable variable, void* value, const char* name, const char* description) noexcept {
  if (!value) return NPERR_INVALID_PARAM;
  if (variable == NPPVpluginNameString) {
    *static_cast<const char**>(value) = name;
    return NPERR_NO_ERROR;
  }
  if (variable == NPPVpluginDescriptionString) {
    *static_cast<const char**>(value) = description;
    return NPERR_NO_ERROR;
  }
  return NPERR_GENERIC_ERROR;
}

}  // namespace FB::Npapi
