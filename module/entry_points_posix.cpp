// The Unix module exports through which an NPAPI browser finds and enters
// the plug-in: NP_GetMIMEDescription, NP_GetValue (name and description
// without an instance), NP_Initialize (takes the browser's table and fills
// the plug-in's in one call), NP_Shutdown and NP_GetPluginVersion. The
// version script exports these names and nothing else. NP_GetValue answers
// an error for NPPVpluginNeedsXEmbed and every other variable: the instance
// is windowless. The browser calls them on its main thread. No exception
// leaves them.
#include <string>

#include "npapi/npapi_abi.h"
#include "nz_version.h"
#include "npapi/module_entry.h"
#include "runtime/plugin_description.h"

// The module is built with hidden visibility; only these names are public.
#define NZ_EXPORT __attribute__((visibility("default")))

extern "C" {

NZ_EXPORT const char* NP_GetMIMEDescription(void) { return FB::kMimeDescription; }

NZ_EXPORT char* NP_GetPluginVersion(void) {
  static char version[] = NZ_VERSION_TEXT;
  return version;
}

// The browser lists the plug-in by these texts, as a Windows browser does by
// the version resource: the product's name and its MIME type's description.
NZ_EXPORT NPError NP_GetValue(void* /*future*/, NPPVariable variable, void* value) {
  try {
    static const std::string name = FB::pluginName(FB::kMimeType);
    static const std::string description = FB::pluginDescription(FB::kMimeType);
    return FB::Npapi::answerModuleValue(variable, value, name.c_str(), description.c_str());
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NZ_EXPORT NPError NP_Initialize(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) {
  return FB::Npapi::startModule(browserFuncs, pluginFuncs);
}

NZ_EXPORT NPError NP_Shutdown(void) { return FB::Npapi::stopModule(); }

}  // extern "C"
