// FB::Npapi::NpapiInstanceHolder: what NPP::pdata points at for a live
// instance. It holds the instance's browser host and its binding object;
// NPP_New makes it and NPP_Destroy deletes it. An instance whose pdata is
// null is not valid.
//
// Browser's main thread only, like the NPP_* functions that use it.
#pragma once

#include <memory>
#include <utility>

#include "npapi/npapi_abi.h"

namespace FB::Npapi {

class NpapiBrowserHost;
class NpapiPlugin;

class NpapiInstanceHolder {
 public:
  NpapiInstanceHolder(std::shared_ptr<NpapiBrowserHost> host, std::shared_ptr<NpapiPlugin> plugin)
      : host_(std::move(host)), plugin_(std::move(plugin)) {}

  // The holder of a valid instance (NPP and pdata both non-null), else null.
  static NpapiInstanceHolder* of(NPP instance) {
    return instance ? static_cast<NpapiInstanceHolder*>(instance->pdata) : nullptr;
  }

  const std::shared_ptr<NpapiBrowserHost>& host() const { return host_; }
  const std::shared_ptr<NpapiPlugin>& plugin() const { return plugin_; }

 private:
  std::shared_ptr<NpapiBrowserHost> host_;
  std::shared_ptr<NpapiPlugin> plugin_;
};

}  // namespace FB::Npapi
