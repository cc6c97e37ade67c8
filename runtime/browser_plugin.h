// FB::BrowserPlugin: the binding-side instance base. Its constructor asks the
// process-wide factory for the plug-in core of the MIME type; the binding
// then drives that core.
//
// Main thread only.
#pragma once

#include <string>

#include "runtime/factory_base.h"
#include "runtime/plugin_core.h"

namespace FB {

class BrowserPlugin {
 public:
  explicit BrowserPlugin(const std::string& mimeType);
  virtual ~BrowserPlugin();

  // The binding's own hook (for example the NPAPI instance's set-up).
  virtual void bindingReady() = 0;
  virtual void setModulePath(const std::string& path);

  const PluginCorePtr& core() const { return core_; }
  const std::string& modulePath() const { return modulePath_; }

 protected:
  std::string modulePath_;
  PluginCorePtr core_;
};

}  // namespace FB
