#include "npapi/npp_functions.h"

#include <iostream>
#include <new>
#include <stdexcept>

#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_instance_holder.h"
#include "npapi/npapi_plugin.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/plugin_create_error.h"
#include "runtime/plugin_description.h"

namespace FB::Npapi {
namespace {

BindingMaker& bindingMaker() {
  static BindingMaker maker;
  return maker;
}

NpapiPluginPtr makeBinding(const NpapiBrowserHostPtr& host, const std::string& mimeType) {
  const BindingMaker& maker = bindingMaker();
  return maker ? maker(host, mimeType) : createNpapiBinding(host, mimeType);
}

// The kind is chosen once per process; a host that cannot be built leaves
// the instance without one.
NpapiBrowserHostPtr createBrowserHost(NpapiPluginModule& module, NPP instance) {
  try {
    return createPlatformBrowserHost(module.hostKind(instance), &module, instance);
  } catch (...) {
    return nullptr;
  }
}

NPError reportFailure(const char* message, NPError answer) {
  std::cout << message << std::endl;
  return answer;
}

// The instance's binding object: null for an invalid instance (no NPP or no
// pdata) and for a holder without one.
NpapiPluginPtr pluginOf(NpapiInstanceHolder* holder) { return holder ? holder->plugin() : nullptr; }

// The name and description answered without an instance, made on first use
// and kept until the process ends.
const std::string& staticName() {
  static const std::string text = FB::pluginName("");
  return text;
}

const std::string& staticDescription() {
  static const std::string text = FB::pluginDescription("");
  return text;
}

}  // namespace

void fillPluginFuncs(NPPluginFuncs* funcs) {
  if (!funcs) return;
  funcs->newp = &NPP_New;
  funcs->destroy = &NPP_Destroy;
  funcs->setwindow = &NPP_SetWindow;
  funcs->newstream = &NPP_NewStream;
  funcs->destroystream = &NPP_DestroyStream;
  funcs->asfile = &NPP_StreamAsFile;
  funcs->writeready = &NPP_WriteReady;
  funcs->write = &NPP_Write;
  funcs->print = &NPP_Print;
  funcs->event = &NPP_HandleEvent;
  funcs->urlnotify = &NPP_URLNotify;
  funcs->getvalue = &NPP_GetValue;
  funcs->setvalue = &NPP_SetValue;
}

void setBindingMakerForTesting(BindingMaker maker) { bindingMaker() = std::move(maker); }

NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t /*mode*/, int16_t argc, char* argn[],
                char* argv[], NPSavedData* /*saved*/) {
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  NpapiBrowserHostPtr host;
  NpapiInstanceHolder* holder = nullptr;
  NPError answer = NPERR_GENERIC_ERROR;
  try {
    NpapiPluginModulePtr module = NpapiPluginModule::acquire();
    host = createBrowserHost(*module, instance);
    if (!host) throw std::runtime_error("Could not create the browser host");
    host->setBrowserTable(&module->browserFuncs());
    const std::string mimeType = pluginType ? pluginType : "";
    if (NpapiPluginPtr plugin = makeBinding(host, mimeType)) {
      instance->pdata = holder = new NpapiInstanceHolder(host, plugin);
      plugin->init(pluginType, argc, argn, argv);
      return NPERR_NO_ERROR;
    }
    answer = NPERR_OUT_OF_MEMORY_ERROR;
  } catch (const PluginCreateError& e) {
    answer = reportFailure(e.what(), NPERR_INCOMPATIBLE_VERSION_ERROR);
  } catch (const std::bad_alloc& e) {
    answer = reportFailure(e.what(), NPERR_OUT_OF_MEMORY_ERROR);
  } catch (const std::exception& e) {
    answer = reportFailure(e.what(), NPERR_GENERIC_ERROR);
  } catch (...) {
    answer = NPERR_GENERIC_ERROR;
  }
  // The browser never destroys an instance it could not create: the host
  // (with the page's window, element and document it took) is shut down
  // here, and a half-made instance is torn down as NPP_Destroy would.
  if (holder && instance->pdata == holder) {
    NPP_Destroy(instance, nullptr);
  } else if (host) {
    try {
      host->shutdown();
    } catch (...) {
      // The answer is already decided.
    }
  }
  return answer;
}

NPError NPP_Destroy(NPP instance, NPSavedData** /*save*/) {
  NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
  if (!holder) return NPERR_INVALID_INSTANCE_ERROR;
  try {
    std::weak_ptr<NpapiBrowserHost> host = holder->host();
    // The root object's functions go while the browser can still release
    // what their attributes hold (the host does the same for every other
    // object it handed out).
    if (holder->plugin()) holder->plugin()->dropBuiltInFunctions();
    if (NpapiBrowserHostPtr live = host.lock()) live->shutdown();
    if (holder->plugin()) holder->plugin()->shutdown();
  } catch (...) {
    // The instance goes away whatever its shutdown did.
  }
  instance->pdata = nullptr;
  delete holder;
  return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow* /*window*/) {
  // Windowless: nothing is drawn through NPAPI, so the window is not passed
  // on.
  return NpapiInstanceHolder::of(instance) ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
  NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
  if (!holder) return NPERR_INVALID_INSTANCE_ERROR;
  try {
    NpapiPluginPtr plugin = pluginOf(holder);
    return plugin ? plugin->newStream(type, stream, seekable, stype) : NPERR_GENERIC_ERROR;
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
  NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
  if (!holder) return NPERR_INVALID_INSTANCE_ERROR;
  try {
    NpapiPluginPtr plugin = pluginOf(holder);
    return plugin ? plugin->destroyStream(stream, reason) : NPERR_GENERIC_ERROR;
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname) {
  try {
    if (NpapiPluginPtr plugin = pluginOf(NpapiInstanceHolder::of(instance)))
      plugin->streamAsFile(stream, fname);
  } catch (...) {
  }
}

// The answers 2 (invalid instance) and 1 (no binding object) are the
// module's historical ones; -1 tells the browser to stop after a failure.
int32_t NPP_WriteReady(NPP instance, NPStream* stream) {
  NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
  if (!holder) return 2;
  try {
    NpapiPluginPtr plugin = pluginOf(holder);
    return plugin ? plugin->writeReady(stream) : 1;
  } catch (...) {
    return -1;
  }
}

int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer) {
  NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
  if (!holder) return 2;
  try {
    NpapiPluginPtr plugin = pluginOf(holder);
    return plugin ? plugin->write(stream, offset, len, buffer) : 1;
  } catch (...) {
    return -1;
  }
}

void NPP_Print(NPP instance, NPPrint* platformPrint) {
  try {
    if (NpapiPluginPtr plugin = pluginOf(NpapiInstanceHolder::of(instance))) plugin->print(platformPrint);
  } catch (...) {
  }
}

int16_t NPP_HandleEvent(NPP instance, void* event) {
  try {
    NpapiPluginPtr plugin = pluginOf(NpapiInstanceHolder::of(instance));
    return plugin ? plugin->handleEvent(event) : 0;
  } catch (...) {
    return 0;
  }
}

void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData) {
  try {
    if (NpapiPluginPtr plugin = pluginOf(NpapiInstanceHolder::of(instance))) {
      plugin->urlNotify(url, reason, notifyData);
    }
  } catch (...) {
  }
}

NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
  try {
    NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
    if (!holder) {
      if (!value) return NPERR_GENERIC_ERROR;
      if (variable == NPPVpluginNameString) {
        *static_cast<const char**>(value) = staticName().c_str();
        return NPERR_NO_ERROR;
      }
      if (variable == NPPVpluginDescriptionString) {
        *static_cast<const char**>(value) = staticDescription().c_str();
        return NPERR_NO_ERROR;
      }
      return NPERR_GENERIC_ERROR;
    }
    NpapiPluginPtr plugin = pluginOf(holder);
    return plugin ? plugin->getValue(variable, value) : NPERR_NO_ERROR;
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value) {
  NpapiInstanceHolder* holder = NpapiInstanceHolder::of(instance);
  if (!holder) return NPERR_INVALID_INSTANCE_ERROR;
  try {
    NpapiPluginPtr plugin = pluginOf(holder);
    return plugin ? plugin->setValue(variable, value) : NPERR_GENERIC_ERROR;
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

}  // namespace FB::Npapi
