#include "npapi/npapi_plugin_win.h"

#include "npapi/npapi_browser_host_async_win.h"
#include "platform/platform.h"
#include "runtime/plugin_description.h"

namespace FB::Npapi {

NpapiPluginWin::NpapiPluginWin(const NpapiBrowserHostPtr& host, const std::string& mimeType)
    : NpapiPlugin(host, mimeType) {
  setPlatformNames("NPAPI", "Windows");
  setModulePath(Platform::instance().modulePath());
}

NPError NpapiPluginWin::setWindow(NPWindow* window) {
  const bool gone = !window || (!window->window && window->type != NPWindowTypeDrawable);
  if (gone) {
    if (core_) core_->detachWindow();
    pluginWindow_.reset();
  }
  return NPERR_NO_ERROR;
}

int16_t NpapiPluginWin::handleEvent(void* /*event*/) {
  // Only a windowless platform window would take events, and none is made.
  return 0;
}

bool messageWindowHostAvailable() { return true; }

NpapiPluginPtr createNpapiBinding(const NpapiBrowserHostPtr& host, const std::string& mimeType) {
  return std::make_shared<NpapiPluginWin>(host, mimeType);
}

NpapiBrowserHostPtr createPlatformBrowserHost(HostKind kind, NpapiPluginModule* module, NPP instance) {
  if (kind == HostKind::MessageWindow) return std::make_shared<NpapiBrowserHostAsyncWin>(module, instance);
  return std::make_shared<NpapiBrowserHost>(module, instance);
}

}  // namespace FB::Npapi
