// The factory's window slots on Windows: a child window handle becomes a
// PluginWindowWin, a device context a PluginWindowlessWin.
#include "runtime/factory_base.h"
#include "runtime/plugin_window_win.h"
#include "runtime/plugin_windowless_win.h"

namespace FB {

std::unique_ptr<PluginWindow> FactoryBase::createWindowedWindow(const WindowedContext& context) {
  return std::make_unique<PluginWindowWin>(context.window);
}

std::unique_ptr<PluginWindow> FactoryBase::createWindowlessWindow(const WindowlessContext& context) {
  return std::make_unique<PluginWindowlessWin>(context.deviceContext);
}

}  // namespace FB
