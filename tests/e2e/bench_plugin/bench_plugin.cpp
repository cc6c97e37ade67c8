// The benchmark's baseline plug-in (MIME type application/x-nz-bench): one
// windowless instance type whose scriptable object has the property
// "loggingLevel" (an int kept per object) and the method
// "unregisterWriteHandler"(n), which checks that it got one number and
// returns nothing. No other name is known. The browser calls everything on
// its main thread; nothing here is shared between threads.
#include <cstddef>
#include <cstring>
#include <new>

#include "npapi/npapi_abi.h"

#define NZ_BENCH_EXPORT __attribute__((visibility("default")))

namespace {

NPNetscapeFuncs g_browser;
NPIdentifier g_loggingLevel = nullptr;
NPIdentifier g_unregisterWriteHandler = nullptr;

struct BenchObject {
  NPObject header;  // first, as the browser sees it
  int loggingLevel;
};

void lookUpIdentifiers() {
  if (!g_loggingLevel) g_loggingLevel = g_browser.getstringidentifier("loggingLevel");
  if (!g_unregisterWriteHandler) g_unregisterWriteHandler = g_browser.getstringidentifier("unregisterWriteHandler");
}

bool isNumber(const NPVariant& value) {
  return value.type == NPVariantType_Int32 || value.type == NPVariantType_Double;
}

int toInt(const NPVariant& value) {
  return value.type == NPVariantType_Int32 ? value.value.intValue : static_cast<int>(value.value.doubleValue);
}

NPObject* allocate(NPP, NPClass*) {
  BenchObject* object = new (std::nothrow) BenchObject();
  return object ? &object->header : nullptr;
}

void deallocate(NPObject* object) { delete reinterpret_cast<BenchObject*>(object); }

void invalidate(NPObject*) {}

bool hasMethod(NPObject*, NPIdentifier name) { return name == g_unregisterWriteHandler; }

bool invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count, NPVariant* result) {
  result->type = NPVariantType_Void;
  if (name != g_unregisterWriteHandler) return false;
  if (count != 1 || !isNumber(args[0])) {
    g_browser.setexception(object, "Invalid argument");
    return false;
  }
  return true;
}

bool invokeDefault(NPObject*, const NPVariant*, uint32_t, NPVariant* result) {
  result->type = NPVariantType_Void;
  return false;
}

bool hasProperty(NPObject*, NPIdentifier name) { return name == g_loggingLevel; }

bool getProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
  if (name != g_loggingLevel) return false;
  result->type = NPVariantType_Int32;
  result->value.intValue = reinterpret_cast<BenchObject*>(object)->loggingLevel;
  return true;
}

bool setProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
  if (name != g_loggingLevel || !isNumber(*value)) return false;
  reinterpret_cast<BenchObject*>(object)->loggingLevel = toInt(*value);
  return true;
}

bool removeProperty(NPObject*, NPIdentifier) { return false; }

bool enumerate(NPObject*, NPIdentifier** names, uint32_t* count) {
  *names = static_cast<NPIdentifier*>(g_browser.memalloc(2 * sizeof(NPIdentifier)));
  if (!*names) {
    *count = 0;
    return false;
  }
  (*names)[0] = g_loggingLevel;
  (*names)[1] = g_unregisterWriteHandler;
  *count = 2;
  return true;
}

bool construct(NPObject*, const NPVariant*, uint32_t, NPVariant* result) {
  result->type = NPVariantType_Void;
  return false;
}

NPClass g_class = {NP_CLASS_STRUCT_VERSION, allocate, deallocate, invalidate,
                   hasMethod, invoke, invokeDefault, hasProperty, getProperty, setProperty, removeProperty,
                   enumerate, construct};

NPError newInstance(NPMIMEType, NPP instance, uint16_t, int16_t, char**, char**, NPSavedData*) {
  lookUpIdentifiers();
  instance->pdata = nullptr;
  g_browser.setvalue(instance, NPPVpluginWindowBool, nullptr);  // windowless
  return NPERR_NO_ERROR;
}

NPError destroyInstance(NPP instance, NPSavedData**) {
  if (instance->pdata) g_browser.releaseobject(static_cast<NPObject*>(instance->pdata));
  instance->pdata = nullptr;
  return NPERR_NO_ERROR;
}

NPError setWindow(NPP, NPWindow*) { return NPERR_NO_ERROR; }

int16_t handleEvent(NPP, void*) { return 0; }

NPError getValue(NPP instance, NPPVariable variable, void* value) {
  if (variable == NPPVpluginScriptableNPObject) {
    if (!instance->pdata) instance->pdata = g_browser.createobject(instance, &g_class);
    if (!instance->pdata) return NPERR_OUT_OF_MEMORY_ERROR;
    *static_cast<NPObject**>(value) = g_browser.retainobject(static_cast<NPObject*>(instance->pdata));
    return NPERR_NO_ERROR;
  }
  if (variable == NPPVpluginNeedsXEmbed) {
    *static_cast<NPBool*>(value) = 0;
    return NPERR_NO_ERROR;
  }
  return NPERR_GENERIC_ERROR;
}

NPError setValue(NPP, NPNVariable, void*) { return NPERR_GENERIC_ERROR; }

}  // namespace

extern "C" {

NZ_BENCH_EXPORT const char* NP_GetMIMEDescription(void) {
  return "application/x-nz-bench:nzbench:Norvell Zephel benchmark baseline";
}

NZ_BENCH_EXPORT NPError NP_GetValue(void*, NPPVariable variable, void* value) {
  if (!value) return NPERR_INVALID_PARAM;
  if (variable == NPPVpluginNameString) {
    *static_cast<const char**>(value) = "Norvell Zephel benchmark baseline";
    return NPERR_NO_ERROR;
  }
  if (variable == NPPVpluginDescriptionString) {
    *static_cast<const char**>(value) = "The baseline plug-in of the Norvell Zephel call benchmark";
    return NPERR_NO_ERROR;
  }
  return NPERR_GENERIC_ERROR;
}

NZ_BENCH_EXPORT NPError NP_Initialize(NPNetscapeFuncs* browser, NPPluginFuncs* plugin) {
  if (!browser || !plugin) return NPERR_INVALID_FUNCTABLE_ERROR;
  std::memset(&g_browser, 0, sizeof g_browser);
  std::memcpy(&g_browser, browser, browser->size < sizeof g_browser ? browser->size : sizeof g_browser);
  // The browser's table must reach the functions used here, and the
  // plug-in's table must hold the entries filled in below.
  if (g_browser.size < offsetof(NPNetscapeFuncs, pushpopupsenabledstate) ||
      plugin->size < offsetof(NPPluginFuncs, gotfocus)) {
    return NPERR_INCOMPATIBLE_VERSION_ERROR;
  }
  std::memset(reinterpret_cast<char*>(plugin) + sizeof plugin->size, 0, plugin->size - sizeof plugin->size);
  plugin->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  plugin->newp = newInstance;
  plugin->destroy = destroyInstance;
  plugin->setwindow = setWindow;
  plugin->event = handleEvent;
  plugin->getvalue = getValue;
  plugin->setvalue = setValue;
  return NPERR_NO_ERROR;
}

NZ_BENCH_EXPORT NPError NP_Shutdown(void) {
  g_loggingLevel = nullptr;
  g_unregisterWriteHandler = nullptr;
  return NPERR_NO_ERROR;
}

}  // extern "C"
