// The plug-in's side of the NPAPI function table: the static NPP_*
// functions the browser calls for every instance, and the filling of the
// browser's NPPluginFuncs with them.
//
// Each function checks its instance (NPP and its pdata both non-null), takes
// the instance's NpapiPlugin from the holder in pdata and forwards to it;
// the answers on the invalid and half-torn-down paths are fixed. None lets
// an exception reach the browser.
//
// Called by the browser on its main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "npapi/npapi_abi.h"

namespace FB::Npapi {

class NpapiBrowserHost;
class NpapiPlugin;

// Stores newp, destroy, setwindow, newstream, destroystream, asfile,
// writeready, write, print, event, urlnotify, getvalue and setvalue; leaves
// size, version and every other entry as they are.
void fillPluginFuncs(NPPluginFuncs* funcs);

NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);
int16_t NPP_HandleEvent(NPP instance, void* event);
void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value);
NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value);

// What NPP_New asks to make an instance's binding object; by default the
// platform's createNpapiBinding. A maker may answer null (NPP_New then
// answers NPERR_OUT_OF_MEMORY_ERROR) or throw (PluginCreateError and others
// are mapped to NPAPI errors).
using BindingMaker =
    std::function<std::shared_ptr<NpapiPlugin>(const std::shared_ptr<NpapiBrowserHost>&, const std::string&)>;
// Installs `maker` (an empty one puts the default back). For tests.
void setBindingMakerForTesting(BindingMaker maker);

}  // namespace FB::Npapi
