// FB::FactoryBase: the process-wide factory through which the browser
// bindings create plug-in cores. The application supplies the concrete
// factory by defining createApplicationFactory(); factoryInstance() makes it
// on first use and keeps it until releaseFactoryInstance() (module unload).
//
// Main thread only: the instance is created without locking.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/window_context.h"

namespace FB {

class PluginCore;
using PluginCorePtr = std::shared_ptr<PluginCore>;
class PluginWindow;

class FactoryBase {
 public:
  virtual ~FactoryBase() = default;

  virtual PluginCorePtr createPlugin(const std::string& mimeType) = 0;
  // Called when the first plug-in module of the process is set up, and when
  // the last one goes away.
  virtual void globalInitialize() {}
  virtual void globalDeinitialize() {}
  virtual void collectLogTargets(std::vector<std::string>& targets) { (void)targets; }
  virtual int logLevel() { return 4; }
  // Wrap the surface the browser gives an instance in a plug-in window: a
  // window of its own (PluginWindowWin), or the page's device context
  // (PluginWindowlessWin). On platforms without such windows they answer
  // null. Defined per platform (factory_windows_win.cpp, _posix.cpp).
  virtual std::unique_ptr<PluginWindow> createWindowedWindow(const WindowedContext& context);
  virtual std::unique_ptr<PluginWindow> createWindowlessWindow(const WindowlessContext& context);
};

using FactoryBasePtr = std::shared_ptr<FactoryBase>;

// Defined by the application: makes its factory.
FactoryBasePtr createApplicationFactory();

FactoryBasePtr factoryInstance();
void releaseFactoryInstance();

}  // namespace FB
