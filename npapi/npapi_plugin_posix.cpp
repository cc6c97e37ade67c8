#include "npapi/npapi_plugin_posix.h"

#include "platform/platform.h"
#include "runtime/plugin_description.h"

namespace FB::Npapi {

NpapiPluginPosix::NpapiPluginPosix(const NpapiBrowserHostPtr& host, const std::string& mimeType)
    : NpapiPlugin(host, mimeType) {
  setPlatformNames("NPAPI", "Linux");
  setModulePath(Platform::instance().modulePath());
}

// The browser's own cross-thread call is always used here.
bool messageWindowHostAvailable() { return false; }

NpapiPluginPtr createNpapiBinding(const NpapiBrowserHostPtr& host, const std::string& mimeType) {
  return std::make_shared<NpapiPluginPosix>(host, mimeType);
}

NpapiBrowserHostPtr createPlatformBrowserHost(HostKind /*kind*/, NpapiPluginModule* module, NPP instance) {
  return std::make_shared<NpapiBrowserHost>(module, instance);
}

}  // namespace FB::Npapi
