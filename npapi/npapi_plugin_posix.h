// FB::Npapi::NpapiPluginPosix: the NPAPI binding of an instance on Linux
// and other Unix systems. It records the platform names ("NPAPI" and the
// system's own name, "Linux") and hands the core the module's path. The
// instance is windowless: window records and events change nothing.
//
// Browser's main thread only.
#pragma once

#include <string>

#include "npapi/npapi_plugin.h"

namespace FB::Npapi {

class NpapiPluginPosix : public NpapiPlugin {
 public:
  NpapiPluginPosix(const NpapiBrowserHostPtr& host, const std::string& mimeType);
};

}  // namespace FB::Npapi
