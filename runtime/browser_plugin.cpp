#include "runtime/browser_plugin.h"

#include "runtime/factory_base.h"

namespace FB {

BrowserPlugin::BrowserPlugin(const std::string& mimeType) : core_(factoryInstance()->createPlugin(mimeType)) {}

BrowserPlugin::~BrowserPlugin() = default;

void BrowserPlugin::setModulePath(const std::string& path) {
  modulePath_ = path;
  if (core_) core_->setModulePath(path);
}

}  // namespace FB
