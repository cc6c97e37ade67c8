// The factory's window slots where the plug-in has no platform windows of
// its own: the POSIX port is windowless and takes no platform events.
#include "runtime/factory_base.h"
#include "runtime/plugin_window.h"

namespace FB {

std::unique_ptr<PluginWindow> FactoryBase::createWindowedWindow(const WindowedContext& context) {
  (void)context;
  return nullptr;
}

std::unique_ptr<PluginWindow> FactoryBase::createWindowlessWindow(const WindowlessContext& context) {
  (void)context;
  return nullptr;
}

}  // namespace FB
