#include "npapi/npapi_plugin.h"

#include "npapi/np_javascript_object.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npapi_stream.h"
#include "runtime/plugin_description.h"

namespace FB::Npapi {

NpapiPlugin::NpapiPlugin(const NpapiBrowserHostPtr& host, const std::string& mimeType)
    : BrowserPlugin(mimeType),
      mimeType_(mimeType),
      host_(host),
      pluginName_(FB::pluginName(mimeType)),
      pluginDescription_(FB::pluginDescription(mimeType)) {
  if (core_) core_->setHost(host_);
}

NpapiPlugin::~NpapiPlugin() {
  if (!scriptableObject_) return;
  // The host's table is gone after shutdown; the module's copy still
  // reaches the browser, which alone may be called, on its main thread.
  NpapiPluginModulePtr module = NpapiPluginModule::current();
  if (module && module->creatorThread() == std::this_thread::get_id() &&
      module->browserFuncs().releaseobject) {
    module->browserFuncs().releaseobject(scriptableObject_);
  }
}

void NpapiPlugin::bindingReady() { signalReady(); }

void NpapiPlugin::shutdown() {
  if (!core_) return;
  core_->detachWindow();
  core_->onShutdown();
}

void NpapiPlugin::init(NPMIMEType /*pluginType*/, int16_t argc, char* argn[], char* argv[]) {
  VariantStringMap params;
  for (int16_t i = 0; i < argc; ++i) {
    if (!argn || !argv || !argn[i] || !argv[i]) continue;
    params[argn[i]] = variant(std::string(argv[i]));
  }
  if (core_) core_->setParams(params);
  host_->SetValue(NPPVpluginWindowBool, reinterpret_cast<void*>(static_cast<intptr_t>(false)));
  host_->SetValue(NPPVpluginTransparentBool, reinterpret_cast<void*>(static_cast<intptr_t>(true)));
  signalReady();
}

void NpapiPlugin::signalReady() {
  if (readySent_ || !core_) return;
  readySent_ = core_->markReady();
}

NPError NpapiPlugin::setWindow(NPWindow* /*window*/) { return NPERR_NO_ERROR; }

NPError NpapiPlugin::newStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
  return NpapiStream::onNewStream(type, stream, seekable, stype);
}

NPError NpapiPlugin::destroyStream(NPStream* stream, NPReason reason) {
  return NpapiStream::onDestroyStream(stream, reason);
}

int32_t NpapiPlugin::writeReady(NPStream* stream) { return NpapiStream::onWriteReady(stream); }

int32_t NpapiPlugin::write(NPStream* stream, int32_t offset, int32_t len, void* buffer) {
  return NpapiStream::onWrite(stream, offset, len, buffer);
}

void NpapiPlugin::streamAsFile(NPStream* stream, const char* fname) {
  NpapiStream::onStreamAsFile(stream, fname);
}

void NpapiPlugin::print(NPPrint* /*platformPrint*/) {}

int16_t NpapiPlugin::handleEvent(void* /*event*/) { return 0; }

void NpapiPlugin::urlNotify(const char* url, NPReason reason, void* notifyData) {
  NpapiStream::onUrlNotify(url, reason, notifyData);
}

NPError NpapiPlugin::getValue(NPPVariable variable, void* value) {
  if (!value) return NPERR_GENERIC_ERROR;
  switch (variable) {
    case NPPVpluginNameString:
      *static_cast<const char**>(value) = pluginName_.c_str();
      return NPERR_NO_ERROR;
    case NPPVpluginDescriptionString:
      *static_cast<const char**>(value) = pluginDescription_.c_str();
      return NPERR_NO_ERROR;
    case NPPVpluginScriptableNPObject: {
      NPObject* object = scriptableObject();
      if (!object) return NPERR_GENERIC_ERROR;
      *static_cast<NPObject**>(value) = object;
      return NPERR_NO_ERROR;
    }
    default:
      return NPERR_GENERIC_ERROR;
  }
}

NPError NpapiPlugin::setValue(NPNVariable /*variable*/, void* /*value*/) { return NPERR_NO_ERROR; }

void NpapiPlugin::dropBuiltInFunctions() {
  if (scriptableObject_) NPJavascriptObject::fromNPObject(scriptableObject_)->dropBuiltInFunctions();
}

NPObject* NpapiPlugin::scriptableObject() {
  if (!scriptableObject_) {
    JSAPIPtr root = core_ ? core_->rootScriptObject() : nullptr;
    if (!root) return nullptr;
    scriptableObject_ = NPJavascriptObject::newObject(host_, root, false);
    if (!scriptableObject_) return nullptr;
  }
  if (retainReturnedObject_) host_->RetainObject(scriptableObject_);
  return scriptableObject_;
}

}  // namespace FB::Npapi
