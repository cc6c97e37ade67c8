// FB::Npapi::NpapiPlugin: the NPAPI binding of one plug-in instance. It
// owns (through FB::BrowserPlugin) the instance's plug-in core, hands it the
// browser host, the page's parameters and the ready signal, answers the
// browser's value queries (name, description, the scriptable object), and
// drives the instance's NPAPI streams from the browser's stream callbacks.
// Each platform derives its binding from it (NpapiPluginWin, NpapiPluginPosix)
// and makes it through createNpapiBinding.
//
// Browser's main thread only: every operation is called from an NPP_*
// function. It may outlive NPP_Destroy while other holders keep it; its host
// then refuses browser work.
#pragma once

#include <memory>
#include <string>

#include "npapi/npapi_abi.h"
#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_plugin_module.h"
#include "runtime/browser_plugin.h"

namespace FB::Npapi {

class NpapiPlugin : public FB::BrowserPlugin {
 public:
  NpapiPlugin(const NpapiBrowserHostPtr& host, const std::string& mimeType);
  // Releases the plug-in's own reference to the scriptable object.
  ~NpapiPlugin() override;

  // FB::BrowserPlugin: the same as signalReady.
  void bindingReady() override;
  // Tells the core that its window is gone and that it shuts down.
  virtual void shutdown();
  // Detaches the root object's built-in functions and their attributes
  // (see NPJavascriptObject::dropBuiltInFunctions); before the host's
  // shutdown, on the main thread.
  void dropBuiltInFunctions();

  // Passes the page's parameters (pairs with a null value skipped, a later
  // name wins), declares the instance windowless and transparent, then
  // signals ready.
  virtual void init(NPMIMEType pluginType, int16_t argc, char* argn[], char* argv[]);
  // Tells the core once that the instance is ready.
  virtual void signalReady();
  virtual NPError setWindow(NPWindow* window);
  virtual NPError newStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
  virtual NPError destroyStream(NPStream* stream, NPReason reason);
  virtual int32_t writeReady(NPStream* stream);
  virtual int32_t write(NPStream* stream, int32_t offset, int32_t len, void* buffer);
  virtual void streamAsFile(NPStream* stream, const char* fname);
  virtual void print(NPPrint* platformPrint);
  virtual int16_t handleEvent(void* event);
  virtual void urlNotify(const char* url, NPReason reason, void* notifyData);
  // Name and description (text owned by this object) and the scriptable
  // object (one reference for the caller per answer); NPERR_GENERIC_ERROR
  // for every other variable, the value untouched.
  virtual NPError getValue(NPPVariable variable, void* value);
  // Accepts and stores nothing.
  virtual NPError setValue(NPNVariable variable, void* value);

  const std::string& mimeType() const { return mimeType_; }
  const NpapiBrowserHostPtr& host() const { return host_; }
  bool readySent() const { return readySent_; }
  const std::string& pluginName() const { return pluginName_; }
  const std::string& pluginDescription() const { return pluginDescription_; }

 protected:
  // The instance's scriptable object, made on first request from the core's
  // root object; with one more reference for the caller.
  NPObject* scriptableObject();

 private:
  std::string mimeType_;
  NpapiBrowserHostPtr host_;
  NPObject* scriptableObject_ = nullptr;
  bool retainReturnedObject_ = true;
  bool readySent_ = false;
  std::string pluginName_;
  std::string pluginDescription_;
};

using NpapiPluginPtr = std::shared_ptr<NpapiPlugin>;

// Makes the platform's binding object for `host` and `mimeType`
// (NpapiPluginWin on Windows, NpapiPluginPosix elsewhere).
NpapiPluginPtr createNpapiBinding(const NpapiBrowserHostPtr& host, const std::string& mimeType);

// Makes the instance's browser host of the given kind (the message-window
// kind exists on Windows only; elsewhere every kind gives the plain host).
NpapiBrowserHostPtr createPlatformBrowserHost(HostKind kind, NpapiPluginModule* module, NPP instance);

}  // namespace FB::Npapi
