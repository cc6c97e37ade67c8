// FB::Npapi::NpapiPluginWin: the Windows NPAPI binding of an instance. It
// records the platform names ("NPAPI", "Windows") and hands the core the
// module's path; a window record without a usable window makes the core
// forget its window. The instance is windowless, so no platform window
// object is ever made and events are never handled here.
//
// Browser's main thread only.
#pragma once

#include <memory>
#include <string>

#include "npapi/npapi_plugin.h"
#include "runtime/plugin_window.h"

namespace FB::Npapi {

class NpapiPluginWin : public NpapiPlugin {
 public:
  NpapiPluginWin(const NpapiBrowserHostPtr& host, const std::string& mimeType);

  NPError setWindow(NPWindow* window) override;
  int16_t handleEvent(void* event) override;

 private:
  // The instance's platform window; absent while the instance is windowless.
  std::unique_ptr<PluginWindow> pluginWindow_;
};

}  // namespace FB::Npapi
